#include "media/frame/FrameConverter.h"

#include "media/FFmpegTags.h"
#include "media/frame/FramePool.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace media {

FrameConverter::FrameConverter(int threads, FramePool* pool)
    : threads_(threads < 1 ? 1 : threads)
    , pool_(pool ? pool : &FramePool::shared())
{
}

FrameConverter::~FrameConverter()
{
    sws_freeContext(sws_);
}

Frame FrameConverter::convert(const AVFrame* picture, double presentationTime, int width, int height)
{
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return {};
    const int dstW = width > 0 ? width : picture->width;
    const int dstH = height > 0 ? height : picture->height;
    const int space = picture->colorspace;
    const int range = picture->color_range;

    if (!sws_ || srcWidth_ != picture->width || srcHeight_ != picture->height || srcFormat_ != picture->format
        || dstWidth_ != dstW || dstHeight_ != dstH || srcSpace_ != space || srcRange_ != range) {
        sws_freeContext(sws_);
        sws_ = sws_alloc_context();
        if (!sws_)
            return {};
        av_opt_set_int(sws_, "srcw", picture->width, 0);
        av_opt_set_int(sws_, "srch", picture->height, 0);
        av_opt_set_int(sws_, "src_format", picture->format, 0);
        av_opt_set_int(sws_, "dstw", dstW, 0);
        av_opt_set_int(sws_, "dsth", dstH, 0);
        av_opt_set_int(sws_, "dst_format", AV_PIX_FMT_BGRA, 0);
        av_opt_set_int(
            sws_, "sws_flags", dstW == picture->width && dstH == picture->height ? SWS_POINT : SWS_BICUBIC, 0);
        av_opt_set_int(sws_, "threads", threads_, 0);
        if (sws_init_context(sws_, nullptr, nullptr) < 0) {
            sws_freeContext(sws_);
            sws_ = nullptr;
            return {};
        }
        // Pictures without a matrix tag are taken as HD when they are HD-sized, SD otherwise.
        int matrix = space;
        if (space == AVCOL_SPC_UNSPECIFIED || space == AVCOL_SPC_RGB || space == AVCOL_SPC_RESERVED)
            matrix = picture->height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
        const int srcFull = range == AVCOL_RANGE_JPEG ? 1 : 0;
        int* invTable = nullptr;
        int* table = nullptr;
        int srcRangeOut = 0, dstRangeOut = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(
                sws_, &invTable, &srcRangeOut, &table, &dstRangeOut, &brightness, &contrast, &saturation)
            >= 0) {
            sws_setColorspaceDetails(sws_, sws_getCoefficients(matrix), srcFull, sws_getCoefficients(AVCOL_SPC_BT709),
                1, brightness, contrast, saturation);
        }
        srcWidth_ = picture->width;
        srcHeight_ = picture->height;
        srcFormat_ = picture->format;
        dstWidth_ = dstW;
        dstHeight_ = dstH;
        srcSpace_ = space;
        srcRange_ = range;
    }

    MutableFrame out = pool_->acquire(PixelFormat::BGRA, dstW, dstH);
    if (!out)
        return {};
    AVFrame* dst = av_frame_alloc();
    if (!dst)
        return {};
    dst->format = AV_PIX_FMT_BGRA;
    dst->width = dstW;
    dst->height = dstH;
    // libswscale writes into a frame that owns a buffer: lend it ours without handing it over.
    dst->buf[0] = av_buffer_create(
        out.data(), out.rowBytes() * static_cast<std::size_t>(dstH), [](void*, std::uint8_t*) {}, nullptr, 0);
    if (!dst->buf[0]) {
        av_frame_free(&dst);
        return {};
    }
    dst->data[0] = out.data();
    dst->linesize[0] = static_cast<int>(out.rowBytes());
    const int rc = sws_scale_frame(sws_, dst, picture);
    av_frame_free(&dst);
    if (rc < 0)
        return {};

    out.setItemTime(presentationTime);
    out.setColorTags(ffmpegtags::colorTags(picture->color_primaries, picture->color_trc, picture->colorspace));
    out.setFieldInfo(ffmpegtags::frameFieldInfo(picture));
    return std::move(out).share();
}

} // namespace media
