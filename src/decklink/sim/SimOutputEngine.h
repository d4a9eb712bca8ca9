#pragma once

// The output side of one simulated device, shared by every output object of that device: which
// object holds the output, the display mode it plays, the frames scheduled, the playback clock
// (real time, or ticks a test asks for), the completion callback, the display on the HDMI output
// and the record of every frame that left the card. The output objects (SimOutput) are thin
// facades over it.
//
// Threads: station calls arrive on any thread; completion callbacks run on the engine's playback
// thread, which exists while the output is enabled. Locks: the device's mutex may be held when the
// engine's is taken (status items), never the other way round. deliverMutex_ is taken before
// mutex_ and is held while a completion callback runs, so replacing the callback waits for a call
// in progress.

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimHdmiSink.h"

#include "decklink/api/DeckLinkAPI.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sim {

class SimDeviceState;
struct SimModeInfo;

class SimOutputEngine {
public:
    SimOutputEngine();
    ~SimOutputEngine();
    SimOutputEngine(const SimOutputEngine&) = delete;
    SimOutputEngine& operator=(const SimOutputEngine&) = delete;

    // Test control
    void resetConfiguration();
    void setPixelFormats(std::vector<DeckLinkPixelFormat> formats);
    void setRejectedPixelFormats(std::vector<DeckLinkPixelFormat> formats);
    void setModeSubstitution(DeckLinkDisplayMode requested, DeckLinkDisplayMode actual);
    void forceCompletionResults(DeckLinkOutputFrameCompletionResult result, int count);
    void setHdmiSink(const void* edid, std::uint32_t size);
    void describe(CorvaleSimOutputState* state);
    int runTicks(int ticks);
    std::uint64_t recordedFrameCount();
    int recordedFrames(CorvaleSimOutputFrame* frames, int max);
    void clearRecordedFrames();

    // Status items (the caller may hold the device's mutex).
    static bool isStatusItem(DeckLinkStatusID id);
    bool statusInt(DeckLinkStatusID id, std::int64_t* value);
    HRESULT statusBytes(DeckLinkStatusID id, void* buffer, std::uint32_t* bufferSize);

    // IDeckLinkOutput on behalf of `owner` (the output object).
    HRESULT doesSupportVideoMode(DeckLinkVideoConnection deviceConnections, DeckLinkVideoConnection connection,
        DeckLinkDisplayMode requestedMode, DeckLinkPixelFormat pixelFormat, DeckLinkDisplayMode* actualMode,
        bool* supported);
    HRESULT enable(const void* owner, DeckLinkDisplayMode mode, DeckLinkVideoOutputFlags flags);
    HRESULT disable(const void* owner);
    HRESULT displaySync(const void* owner, IDeckLinkVideoFrame* frame);
    HRESULT schedule(const void* owner, IDeckLinkVideoFrame* frame, DeckLinkTimeValue displayTime,
        DeckLinkTimeValue duration, DeckLinkTimeScale timeScale);
    HRESULT setCallback(const void* owner, IDeckLinkVideoOutputCallback* callback);
    HRESULT bufferedCount(const void* owner, std::uint32_t* count);
    HRESULT startPlayback(const void* owner, DeckLinkTimeValue startTime, DeckLinkTimeScale timeScale, double speed);
    HRESULT stopPlayback(const void* owner, DeckLinkTimeValue* actualStopTime, DeckLinkTimeScale timeScale);
    HRESULT streamTime(const void* owner, DeckLinkTimeScale timeScale, DeckLinkTimeValue* time, double* speed);
    // The output object goes: everything it held is released.
    void ownerGone(const void* owner);

private:
    struct Scheduled {
        IDeckLinkVideoFrame* frame; // the engine's own reference
        CorvaleSimOutputFrame record;
    };
    struct Completion {
        IDeckLinkVideoFrame* frame;
        DeckLinkOutputFrameCompletionResult result;
    };

    bool holdsLocked(const void* owner) const { return enabled_ && owner_ == owner; }
    HRESULT validateFrameLocked(IDeckLinkVideoFrame* frame) const;
    CorvaleSimOutputFrame snapshot(IDeckLinkVideoFrame* frame) const;
    void recordLocked(CorvaleSimOutputFrame record);
    void countLocked(DeckLinkOutputFrameCompletionResult result);
    std::int64_t toModeUnits(std::int64_t value, std::int64_t timeScale) const;

    void run();
    // Runs `task` on the playback thread and waits (inline when already there).
    void onPlaybackThread(const std::function<void()>& task);
    // One frame period of playback; the number of completions delivered. Unlocks while delivering.
    int tickLocked(std::unique_lock<std::mutex>& lock);
    int flushLocked(std::unique_lock<std::mutex>& lock);
    void deliver(std::vector<Completion>& completions, bool playbackStopped);
    void stopThread();

    std::mutex deliverMutex_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;

    // Configuration (reset by the test control).
    std::vector<DeckLinkPixelFormat> pixelFormats_;
    std::vector<DeckLinkPixelFormat> rejectedFormats_;
    std::map<DeckLinkDisplayMode, DeckLinkDisplayMode> substitutions_;
    DeckLinkOutputFrameCompletionResult forcedResult_ = kDeckLinkOutputFrameCompleted;
    int forcedCount_ = 0;
    SimHdmiSink sink_;
    std::deque<CorvaleSimOutputFrame> ring_;
    std::uint64_t recorded_ = 0;

    // The output.
    const void* owner_ = nullptr;
    bool enabled_ = false;
    DeckLinkDisplayMode mode_ = 0;
    std::int32_t width_ = 0, height_ = 0;
    std::int64_t frameDuration_ = 0, modeTimeScale_ = 0;
    DeckLinkVideoOutputFlags outputFlags_ = 0;
    DeckLinkPixelFormat lastPixelFormat_ = 0;
    std::uint64_t enableCount_ = 0;
    std::uint64_t displayedSync_ = 0, completed_ = 0, late_ = 0, dropped_ = 0, flushed_ = 0;

    const void* callbackOwner_ = nullptr;
    IDeckLinkVideoOutputCallback* callback_ = nullptr;

    // Scheduled frames by display time in the mode's units (insertion order among equal times).
    std::multimap<std::int64_t, Scheduled> scheduled_;
    bool playing_ = false;
    bool manual_ = false;
    std::int64_t startModeUnits_ = 0;
    std::uint64_t ticks_ = 0;
    std::chrono::steady_clock::time_point wallStart_;

    std::thread thread_;
    std::thread::id threadId_;
    bool threadStop_ = false;
    std::deque<std::function<void()>> tasks_;
};

// The engine of a device (made on first use); lives as long as the device.
std::shared_ptr<SimOutputEngine> simOutputEngine(SimDeviceState& device);
std::shared_ptr<SimOutputEngine> simOutputEngineLocked(SimDeviceState& device);

} // namespace sim
