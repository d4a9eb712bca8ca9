#pragma once

// Captures one card input: opens the device at an index in a fixed display mode or with the
// card's format detection, converts each frame to a BGRA picture on the card's thread and hands it
// to the delegate on the main thread, re-opens the input when the card reports a new format, and
// answers the capture engine's status query.
//
// Threads: start, stop, inputStatus and setDelegate run on the main thread (start and stop
// assert it), and so does the last release: the card's callback hands its reference to the main
// thread. The frame and format callbacks run on the card's thread. Each input keeps at most one converted picture in
// flight to the main thread; pictures arriving meanwhile are dropped and counted. A session number changes with every
// start and stop, so work queued by an earlier session is ignored.

#include "decklink/DeckLinkInputDelegate.h"
#include "decklink/api/ComPtr.h"

#include "platform/MediaClock.h"

#include <QVariantMap>

#include <atomic>
#include <memory>
#include <mutex>

namespace decklink {

class DeckLinkInputCallback;

class DeckLinkInput : public std::enable_shared_from_this<DeckLinkInput> {
public:
    // Creates the video converter; without one every frame conversion fails (logged). The clock
    // stamps pictures and paces repeated failure lines.
    static std::shared_ptr<DeckLinkInput> create(const platform::MediaClock& clock = platform::MediaClock::system());
    ~DeckLinkInput();
    DeckLinkInput(const DeckLinkInput&) = delete;
    DeckLinkInput& operator=(const DeckLinkInput&) = delete;

    std::shared_ptr<DeckLinkInputDelegate> delegate() const;
    void setDelegate(std::weak_ptr<DeckLinkInputDelegate> delegate);

    // start(deviceIndex, -1): format detection.
    bool start(std::int32_t deviceIndex);
    // Opens the device at `deviceIndex`; a mode code below 0 asks for format detection, 0 to 28
    // open that capture format's display mode. True when streams started. A running input is
    // stopped first.
    bool start(std::int32_t deviceIndex, std::int32_t modeCode);
    // Stops streams and releases the device; safe when nothing is open.
    void stop();

    // "signalLocked", "refLocked", "mode", "modeCode", "fps", "fieldDominance", "colorspace",
    // "formatFlags"; empty when nothing can be read.
    QVariantMap inputStatus() const;

    // Card thread: the card detected a new format.
    void reconfigureForDisplayMode(DeckLinkDisplayMode displayMode);
    // Card thread: one arrived frame.
    void handleVideoFrame(IDeckLinkVideoInputFrame* frame);
    // Card thread: the frame as a BGRA picture (stamped with the media clock, tagged with the
    // frame's colour); null when it cannot be converted.
    media::Frame convertFrameToImage(IDeckLinkVideoInputFrame* frame);

    bool autoDetectEnabled() const { return autoDetectEnabled_.load(); }
    bool isReconfiguring() const { return isReconfiguring_.load(); }
    // Pictures dropped because the previous one still waited for the main thread.
    std::uint64_t droppedFrameCount() const { return droppedFrames_.load(); }

private:
    explicit DeckLinkInput(const platform::MediaClock& clock);
    void releaseAll();
    void reopen(DeckLinkDisplayMode displayMode, std::uint64_t session);

    // One line per kind and interval when a failure repeats frame after frame.
    class LogThrottle {
    public:
        bool allow(double now);

    private:
        std::atomic<double> lastLogged_ { -1e300 };
    };
    enum ThrottledLine { NoConverter, ConvertFailed, BadLayout, NoVideoBuffer, GetBytesFailed, NoStorage, LineCount };
    bool allowLine(ThrottledLine line);

    const platform::MediaClock& clock_;

    // Main thread only.
    ComPtr<IDeckLink> deckLink_;
    ComPtr<IDeckLinkInput> deckLinkInput_;
    ComPtr<DeckLinkInputCallback> callback_;
    // Made at creation, constant afterwards (read on the card's thread).
    ComPtr<IDeckLinkVideoConversion> videoConverter_;

    // Read on the card's thread.
    std::atomic<bool> autoDetectEnabled_ { false };
    std::atomic<bool> isReconfiguring_ { false };
    std::atomic<bool> inputOpen_ { false };
    std::atomic<std::uint64_t> session_ { 1 };
    // Session of the picture waiting for the main thread, 0 when none.
    std::atomic<std::uint64_t> dispatchPending_ { 0 };
    std::atomic<std::uint64_t> droppedFrames_ { 0 };
    LogThrottle throttles_[LineCount];

    mutable std::mutex delegateMutex_;
    std::weak_ptr<DeckLinkInputDelegate> delegate_;
};

} // namespace decklink
