#pragma once

// Turns decoded pictures into shared BGRA frames (pooled storage), carrying the picture's colour
// tags and interlacing. Converts with libswscale's own slice threads, honouring the source's
// YCbCr matrix and range. Optionally scales to fit a box (thumbnails).

#include "media/frame/Frame.h"

struct AVFrame;
struct SwsContext;

namespace media {

class FramePool;

class FrameConverter {
public:
    explicit FrameConverter(int threads = 1, FramePool* pool = nullptr);
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // A null frame when the picture cannot be converted. `width` and `height` of 0 keep the
    // picture's own size.
    Frame convert(const AVFrame* picture, double presentationTime, int width = 0, int height = 0);

private:
    int threads_;
    FramePool* pool_;
    SwsContext* sws_ = nullptr;
    int srcWidth_ = 0, srcHeight_ = 0, srcFormat_ = -1, dstWidth_ = 0, dstHeight_ = 0;
    int srcSpace_ = -1, srcRange_ = -1;
};

} // namespace media
