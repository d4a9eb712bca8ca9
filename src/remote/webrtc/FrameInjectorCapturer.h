#pragma once

// Delivers one track slot's frames to its source (the slot's appsrc) on a serial queue of its
// own, in the order they were pushed. Frames are wrapped, never copied; each buffer is stamped
// with the pipeline's running time, strictly increasing, so the encoder never sees time go back
// whatever clock the producer used. The producer's own time stamp is kept as the frame's
// reference time.
//
// Threads: push() from any thread; delivery on "Corvale.WebRTC.InjectorQueue". Destroying the
// capturer delivers what is queued, then stops its queue; a source already shut down drops it.

#include "media/frame/Frame.h"
#include "platform/SerialQueue.h"
#include "remote/webrtc/GstSupport.h"

#include <gst/video/video.h>

#include <atomic>
#include <cstdint>

namespace remote {

class FrameInjectorCapturer {
public:
    // No source: every push is dropped.
    FrameInjectorCapturer();
    explicit FrameInjectorCapturer(GstElement* videoSource);
    ~FrameInjectorCapturer();
    FrameInjectorCapturer(const FrameInjectorCapturer&) = delete;
    FrameInjectorCapturer& operator=(const FrameInjectorCapturer&) = delete;

    // A frame in a format the track can carry (BGRA, UYVY, v210); others are dropped.
    void push(const media::Frame& frame, std::int64_t timeStampNs);
    // A filled BGRA buffer of `width` x `height` (from a pixel pool).
    void push(GstBufferPtr buffer, int width, int height, std::int64_t timeStampNs);

    // Frames handed to push() and frames given to the source so far.
    std::uint64_t pushed() const { return pushed_.load(); }
    std::uint64_t delivered() const { return delivered_.load(); }

private:
    void deliver(GstBufferPtr buffer, GstVideoFormat format, int width, int height, std::int64_t timeStampNs);

    GstRef<GstElement> source_;
    std::atomic<std::uint64_t> pushed_ { 0 };
    std::atomic<std::uint64_t> delivered_ { 0 };
    // Push queue only.
    GstVideoFormat lastFormat_ = GST_VIDEO_FORMAT_UNKNOWN;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
    GstClockTime lastPts_ = GST_CLOCK_TIME_NONE;
    platform::SerialQueue pushQueue_;
};

} // namespace remote
