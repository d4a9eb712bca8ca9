#pragma once

// A V4L2 camera streaming through libavdevice's "video4linux2" input, read on a thread of its own.
//
// Why libavdevice rather than our own buffer queue: it already does the mmap buffer dance,
// the driver quirks and the MJPEG packet handling; the ioctls it cannot answer in a form we can
// use (which modes exist, which colours a mode has) are asked directly through CameraNode before
// it opens the device. The input is opened non-blocking so that stop() never waits on a camera
// that has stopped delivering: an empty read waits a few milliseconds on a condition that stop()
// signals.
//
// Threads: open, stop and the destructor run on the owner's thread or on the source's own (from
// inside a sink callback). Stopped on its own thread, the source lets the loop end once the
// callback returns; destroyed there, it lets the thread go, and the loop leaves without touching
// the destroyed source, through state the two share.

#include "media/camera/CameraDecoder.h"
#include "media/camera/CameraDevice.h"
#include "media/camera/CameraSource.h"
#include "platform/MediaClock.h"
#include "platform/Result.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

extern "C" {
struct AVFormatContext;
}

namespace media {

class CameraV4L2Source final : public CameraSource {
public:
    // Opens the device in the mode closest to `request` and starts streaming.
    static platform::Result<std::unique_ptr<CameraV4L2Source>, CameraError> open(const CameraDevice& device,
        const CameraRequest& request, CameraSink sink, platform::MediaClock& clock = platform::MediaClock::system());
    ~CameraV4L2Source() override;

    void stop() override;
    CameraMode mode() const override { return mode_; }

private:
    // What the reading thread and the source share, so the thread outlives a source destroyed
    // from inside one of its callbacks.
    struct Control {
        std::mutex mutex;
        std::condition_variable wake;
        bool stopping = false;
        bool destroyed = false;
    };

    CameraV4L2Source(CameraMode mode, CameraSink sink, platform::MediaClock& clock);
    void run(const std::shared_ptr<Control>& control);
    bool onOwnThread() const { return thread_.get_id() == std::this_thread::get_id(); }

    CameraMode mode_; // fixed before the thread starts
    const CameraSink sink_;
    platform::MediaClock& clock_;
    AVFormatContext* input_ = nullptr;
    std::unique_ptr<CameraDecoder> decoder_;

    const std::shared_ptr<Control> control_ = std::make_shared<Control>();
    std::thread thread_;
};

} // namespace media
