#pragma once

// A camera that needs no hardware, for tests and demos: scrolling colour bars with the frame
// number drawn in digits and, for machines, as a row of 24 black and white cells along the top
// (most significant bit first; read it back with frameCounter()). It ticks on a repeating timer of
// its own queue, measured on an injectable media clock, so tests move time by hand.
//
// Users never see it by accident: it exists only when the environment variable
// CORVALE_SYNTHETIC_CAMERAS is set, to
//     N               N cameras (1 to 8) of 1920x1080 at 30 frames per second, or
//     N:WxH@R         N cameras of W x H pixels (64x36 to 7680x4320) at R frames per second
//                     (1 to 240; 23.976, 29.97, 59.94 mean the 1000/1001 rates),
// for example "2:1280x720@25". Camera k (from 1) has the identifier "corvale-synthetic-camera-k"
// and the name "Synthetic Camera k".

#include "media/camera/CameraDevice.h"
#include "media/camera/CameraSource.h"
#include "media/frame/FramePool.h"
#include "platform/MediaClock.h"
#include "platform/SerialQueue.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace media {

class SyntheticCamera final : public CameraSource {
public:
    static constexpr const char* kEnvironmentVariable = "CORVALE_SYNTHETIC_CAMERAS";

    // The devices a description names; none for an empty text, nullopt for a malformed one.
    static std::optional<std::vector<CameraDevice>> devicesFromSpec(std::string_view spec);

    // Starts ticking at once: frame 0 has been handed over when the constructor returns, frame k
    // follows at start + k / rate.
    SyntheticCamera(const CameraDevice& device, CameraSink sink,
        platform::MediaClock& clock = platform::MediaClock::system(), FramePool& pool = FramePool::shared());
    ~SyntheticCamera() override;

    void stop() override;
    void waitUntilCurrent() override;
    CameraMode mode() const override { return mode_; }

    // Draws the test picture of frame `counter` into a BGRA frame.
    static void drawTestPicture(MutableFrame& frame, std::uint32_t counter);
    // The counter of a test picture; nullopt when the frame is not one (or is too small).
    static std::optional<std::uint32_t> frameCounter(const Frame& frame);

    // Pulls a synthetic camera's plug, or puts it back: while unplugged it is left out of
    // discovery, cannot be opened, and a running one ends with deviceGone at its next tick.
    static void setPlugged(const std::string& uniqueID, bool plugged);
    static bool isPlugged(const std::string& uniqueID);

private:
    void tick();

    const CameraDevice device_;
    const CameraMode mode_;
    const CameraSink sink_;
    platform::MediaClock& clock_;
    FramePool& pool_;
    platform::SerialQueue queue_;
    const double start_;

    std::mutex mutex_;
    bool stopped_ = false;
    platform::SerialQueue::TimerId timer_ = 0;
};

} // namespace media
