#include "remote/webrtc/FrameInjectorCapturer.h"

#include <gst/app/gstappsrc.h>

#include <algorithm>

namespace remote {

namespace {

GstVideoFormat trackFormat(media::PixelFormat format)
{
    switch (format) {
    case media::PixelFormat::BGRA:
        return GST_VIDEO_FORMAT_BGRA;
    case media::PixelFormat::UYVY422:
        return GST_VIDEO_FORMAT_UYVY;
    case media::PixelFormat::V210:
        return GST_VIDEO_FORMAT_v210;
    default:
        return GST_VIDEO_FORMAT_UNKNOWN;
    }
}

// The producer's stamp, carried beside the running time for whoever reads the buffer.
GstCaps* referenceCaps()
{
    static GstCaps* caps = gst_caps_new_empty_simple("timestamp/x-corvale-producer");
    return caps;
}

} // namespace

FrameInjectorCapturer::FrameInjectorCapturer()
    : FrameInjectorCapturer(nullptr)
{
}

FrameInjectorCapturer::FrameInjectorCapturer(GstElement* videoSource)
    : source_(gstRef(videoSource))
    , pushQueue_("Corvale.WebRTC.InjectorQueue")
{
}

FrameInjectorCapturer::~FrameInjectorCapturer()
{
    pushQueue_.shutdown();
}

void FrameInjectorCapturer::push(const media::Frame& frame, std::int64_t timeStampNs)
{
    const GstVideoFormat format = trackFormat(frame.format());
    if (!source_ || frame.isNull() || format == GST_VIDEO_FORMAT_UNKNOWN)
        return;
    pushed_.fetch_add(1);
    pushQueue_.async([this, frame, format, timeStampNs] {
        // The buffer holds a copy of the frame, which keeps the pixels alive until the encoder is
        // done with them.
        const gsize size = frame.rowBytes() * gsize(frame.height());
        auto* owner = new media::Frame(frame);
        GstBufferPtr buffer(gst_buffer_new_wrapped_full(
            GST_MEMORY_FLAG_READONLY, const_cast<std::uint8_t*>(frame.data()), size, 0, size, owner, [](gpointer data) {
                gstTakeOver(data);
                delete static_cast<media::Frame*>(data);
            }));
        gstHandOff(owner);
        gsize offsets[GST_VIDEO_MAX_PLANES] = { 0 };
        gint strides[GST_VIDEO_MAX_PLANES] = { gint(frame.rowBytes()) };
        gst_buffer_add_video_meta_full(buffer.get(), GST_VIDEO_FRAME_FLAG_NONE, format, guint(frame.width()),
            guint(frame.height()), 1, offsets, strides);
        deliver(std::move(buffer), format, frame.width(), frame.height(), timeStampNs);
    });
}

void FrameInjectorCapturer::push(GstBufferPtr buffer, int width, int height, std::int64_t timeStampNs)
{
    if (!source_ || !buffer || width < 1 || height < 1)
        return;
    pushed_.fetch_add(1);
    pushQueue_.async([this, raw = buffer.release(), width, height, timeStampNs] {
        deliver(GstBufferPtr(raw), GST_VIDEO_FORMAT_BGRA, width, height, timeStampNs);
    });
}

void FrameInjectorCapturer::deliver(
    GstBufferPtr buffer, GstVideoFormat format, int width, int height, std::int64_t timeStampNs)
{
    Q_ASSERT(pushQueue_.isCurrent());
    GstAppSrc* source = GST_APP_SRC(source_.get());
    if (format != lastFormat_ || width != lastWidth_ || height != lastHeight_) {
        GstVideoInfo info;
        gst_video_info_set_format(&info, format, guint(width), guint(height));
        info.fps_n = 0;
        info.fps_d = 1;
        GstCapsPtr caps(gst_video_info_to_caps(&info));
        gst_app_src_set_caps(source, caps.get());
        lastFormat_ = format;
        lastWidth_ = width;
        lastHeight_ = height;
    }

    GstClockTime now = 0;
    if (GstClock* clock = gst_element_get_clock(source_.get())) {
        const GstClockTime time = gst_clock_get_time(clock);
        const GstClockTime base = gst_element_get_base_time(source_.get());
        now = time > base ? time - base : 0;
        gst_object_unref(clock);
    }
    if (GST_CLOCK_TIME_IS_VALID(lastPts_))
        now = std::max(now, lastPts_ + 1);
    lastPts_ = now;
    buffer.reset(gst_buffer_make_writable(buffer.release()));
    GST_BUFFER_PTS(buffer.get()) = now;
    GST_BUFFER_DURATION(buffer.get()) = GST_CLOCK_TIME_NONE;
    if (timeStampNs >= 0)
        gst_buffer_add_reference_timestamp_meta(
            buffer.get(), referenceCaps(), GstClockTime(timeStampNs), GST_CLOCK_TIME_NONE);
    if (gst_app_src_push_buffer(source, buffer.release()) == GST_FLOW_OK)
        delivered_.fetch_add(1);
}

} // namespace remote
