#pragma once

// The input of a simulated device: delivers test pictures at the mode's rate (or one per tick of
// the manual clock) on its own thread, detects source format changes and reports them when format
// detection is on. Like a card's driver, it refuses StopStreams and DisableVideoInput from its own
// callback thread.

#include "decklink/sim/SimDevice.h"
#include "decklink/sim/SimObject.h"

#include <condition_variable>
#include <thread>

namespace sim {

class SimInput final : public SimObject<IDeckLinkInput> {
public:
    explicit SimInput(std::shared_ptr<SimDeviceState> device);

    // Unregisters from the device under the device's lock before the object goes, so the test
    // control never reaches an input being destroyed.
    ULONG Release() override;
    HRESULT SetCallback(IDeckLinkInputCallback* callback) override;
    HRESULT EnableVideoInput(
        DeckLinkDisplayMode displayMode, DeckLinkPixelFormat pixelFormat, DeckLinkVideoInputFlags flags) override;
    HRESULT DisableVideoInput() override;
    HRESULT StartStreams() override;
    HRESULT StopStreams() override;

    // Manual clock: runs `ticks` frame periods and waits for them; the number of frames delivered.
    int runTicks(int ticks);
    bool callbackInstalled();
    bool streaming();
    void describe(DeckLinkDisplayMode* mode, DeckLinkPixelFormat* format, DeckLinkVideoInputFlags* flags);

private:
    ~SimInput() override;

    // The frame loop of one stream; ends when `run` is no longer the current run.
    void run(std::uint64_t run);
    // One frame period; true when a frame was delivered.
    bool tick();
    void stopThreadLocked(std::unique_lock<std::mutex>& lock);
    // StopStreams and DisableVideoInput from the input's own callback thread.
    bool onOwnThread();
    HRESULT refuseFromCallback();

    const std::shared_ptr<SimDeviceState> device_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable ticked_;
    IDeckLinkInputCallback* callback_ = nullptr;
    bool enabled_ = false;
    DeckLinkDisplayMode mode_ = 0;
    DeckLinkPixelFormat format_ = 0;
    DeckLinkVideoInputFlags flags_ = 0;
    DeckLinkDisplayMode reportedSource_ = 0; // last source mode a change was reported for
    bool streaming_ = false;
    std::uint64_t runGeneration_ = 0;
    std::thread thread_;
    long pendingTicks_ = 0;
    bool tickInProgress_ = false;
    std::uint64_t ticksDone_ = 0;
    std::uint64_t framesDone_ = 0;

    // Rendered once per size and format; each frame copies it and draws its counter.
    std::vector<std::uint8_t> background_;
    DeckLinkDisplayMode backgroundMode_ = 0;
    DeckLinkPixelFormat backgroundFormat_ = 0;
    DeckLinkColorspace backgroundColorspace_ = 0;
};

// A new input object of `device`; one reference for the caller.
SimInput* makeSimInput(std::shared_ptr<SimDeviceState> device);

} // namespace sim
