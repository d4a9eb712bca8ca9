#pragma once

// A running camera as CameraSession drives it: hardware through V4L2 or the synthetic camera.
// A source is streaming from construction until stop() or until it ends by itself.

#include "media/camera/CameraError.h"
#include "media/camera/CameraMode.h"
#include "media/frame/Frame.h"

#include <functional>

namespace media {

struct CameraSink {
    // Each BGRA frame, on the source's own thread, in capture order.
    std::function<void(Frame)> frame;
    // Once, when the source stops by itself (unplugged, failed); never after stop().
    std::function<void(CameraError)> ended;
};

class CameraSource {
public:
    virtual ~CameraSource() = default;

    // After this returns the sink is never called again (called from inside a sink callback: once
    // that callback returns). Safe to call more than once and from any thread, the source's own
    // included.
    virtual void stop() = 0;

    // Blocks until the source has handed over every frame that is due by now on its clock.
    // Hardware delivers when it delivers: it returns at once.
    virtual void waitUntilCurrent() { }

    virtual CameraMode mode() const = 0;
};

} // namespace media
