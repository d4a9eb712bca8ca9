#pragma once

// One camera feeding one consumer: opens a camera by identifier in the mode closest to a request,
// delivers its BGRA frames (stamped on the media clock, tagged with their colours) by calling the
// consumer on the video queue the engine names, and can stop, restart or swap the camera while
// the consumer stays as it is.
//
// Late frames are discarded: at most one frame per session waits for the video queue. A newer
// frame replaces a waiting one (counted in droppedFrames()), so a busy consumer always gets the
// latest picture instead of a growing backlog.
//
// When the camera goes away by itself (unplugged, failed), the session ends: the consumer's end
// handler is called once on the video queue, after the last frame, and isRunning() turns false.

#include "media/camera/CameraDevice.h"
#include "media/camera/CameraDiscovery.h"
#include "media/camera/CameraError.h"
#include "media/camera/CameraMode.h"
#include "media/camera/CameraSource.h"
#include "media/frame/Frame.h"
#include "platform/MediaClock.h"
#include "platform/Result.h"
#include "platform/SerialQueue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace media {

class CameraSession {
public:
    using FrameHandler = std::function<void(const Frame&)>;
    using EndHandler = std::function<void(CameraError)>;

    // The queue must outlive the session. `clock` stamps the frames and paces synthetic cameras.
    CameraSession(platform::SerialQueue& videoQueue, FrameHandler onFrame, EndHandler onEnded = {},
        CameraDiscovery::Options options = CameraDiscovery::Options::fromEnvironment(),
        platform::MediaClock& clock = platform::MediaClock::system());
    ~CameraSession();
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    // Opens the camera and starts streaming, after stopping whatever ran before. Blocks while the
    // device opens: call it off the main thread (the engine's session queue).
    platform::Result<void, CameraError> start(const std::string& uniqueID, const CameraRequest& request = {});
    platform::Result<void, CameraError> start(const CameraDevice& device, const CameraRequest& request = {});

    // Replaces the camera with the same request: the new one is opened first, so on failure the
    // old one keeps streaming. On a session that does not run it is a start.
    platform::Result<void, CameraError> switchTo(const std::string& uniqueID);
    platform::Result<void, CameraError> switchTo(const CameraDevice& device);

    // After this returns the consumer is not called again (a call already running on the video
    // queue has finished), unless it is called from the video queue itself.
    void stop();

    bool isRunning() const;
    std::optional<CameraDevice> device() const;
    std::optional<CameraMode> mode() const;
    std::uint64_t deliveredFrames() const;
    std::uint64_t droppedFrames() const;

    // Blocks until the camera has handed over every frame due by now on its clock (synthetic
    // cameras; returns at once for hardware). The frames may still wait on the video queue.
    void waitUntilCurrent();

private:
    struct Shared;
    platform::Result<std::unique_ptr<CameraSource>, CameraError> openSource(
        const CameraDevice& device, const CameraRequest& request, std::uint64_t token);
    // Stops the source and forgets what it was; returns the new token. Under the control lock.
    std::uint64_t retireSourceLocked();
    platform::Result<void, CameraError> startLocked(const CameraDevice& device, const CameraRequest& request);
    platform::Result<void, CameraError> switchLocked(const CameraDevice& device);
    std::optional<CameraDevice> resolve(const std::string& uniqueID) const;

    platform::SerialQueue& videoQueue_;
    const CameraDiscovery::Options options_;
    platform::MediaClock& clock_;
    std::shared_ptr<Shared> shared_;

    // Serialises start, switch and stop; the source and the request are only touched under it.
    std::mutex controlMutex_;
    std::unique_ptr<CameraSource> source_;
    CameraRequest request_;
};

} // namespace media
