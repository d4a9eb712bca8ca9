#pragma once

// Turns what a camera delivers (raw YUYV, UYVY, NV12, I420 pictures or MJPEG packets) into BGRA
// frames from the frame pool, tagged with the picture's colours. libavcodec decodes (its rawvideo
// decoder only wraps raw pictures); libswscale converts with its slice threads, because one
// thread needs 4-7 ms for a 1080p YUYV or NV12 picture and four cameras share the machine with
// recording.

#include "media/camera/CameraColor.h"
#include "media/camera/CameraError.h"
#include "media/camera/CameraMode.h"
#include "media/frame/FramePool.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" {
struct AVPacket;
struct AVFrame;
}

namespace media {

class CameraDecoder {
public:
    // `driverColor` is what the device said about the format; the decoded frames' own colour
    // fields win where they say something. `threads` 0 picks a count from the machine.
    static platform::Result<std::unique_ptr<CameraDecoder>, CameraError> create(CameraPixelFormat format, int width,
        int height, const CameraColor& driverColor = {}, int threads = 0, FramePool& pool = FramePool::shared());
    ~CameraDecoder();
    CameraDecoder(const CameraDecoder&) = delete;
    CameraDecoder& operator=(const CameraDecoder&) = delete;

    // One packet in, one BGRA frame out, stamped with `presentationTime`. A packet that holds no
    // usable picture (a torn JPEG, a short raw buffer) gives a null frame.
    Frame decode(const AVPacket* packet, double presentationTime);
    Frame decode(const std::uint8_t* data, std::size_t size, double presentationTime);

    // Converts an already decoded picture (any pixel format libswscale reads).
    Frame convert(const AVFrame* picture, double presentationTime);

    CameraPixelFormat format() const { return format_; }

private:
    struct Codec;
    struct Scaler;
    CameraDecoder(
        CameraPixelFormat format, int width, int height, const CameraColor& driverColor, int threads, FramePool& pool);

    CameraPixelFormat format_;
    int width_;
    int height_;
    CameraColor driverColor_;
    int threads_;
    FramePool& pool_;
    std::unique_ptr<Codec> codec_;
    std::unique_ptr<Scaler> scaler_;
};

} // namespace media
