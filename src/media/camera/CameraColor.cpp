#include "media/camera/CameraColor.h"

#include "media/FFmpegTags.h"

#include <linux/videodev2.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace media {

namespace {

ColorPrimaries primariesFromV4L2(unsigned colorspace)
{
    switch (colorspace) {
    case V4L2_COLORSPACE_REC709:
    case V4L2_COLORSPACE_SRGB:
    case V4L2_COLORSPACE_JPEG:
        return ColorPrimaries::ITU_R_709_2;
    case V4L2_COLORSPACE_SMPTE170M:
    case V4L2_COLORSPACE_SMPTE240M:
        return ColorPrimaries::SMPTE_C;
    case V4L2_COLORSPACE_470_SYSTEM_BG:
        return ColorPrimaries::EBU_3213;
    case V4L2_COLORSPACE_BT2020:
        return ColorPrimaries::ITU_R_2020;
    case V4L2_COLORSPACE_DCI_P3:
        return ColorPrimaries::DCI_P3;
    default:
        return ColorPrimaries::Unknown;
    }
}

TransferFunction transferFromV4L2(unsigned transfer, unsigned colorspace)
{
    if (transfer == V4L2_XFER_FUNC_DEFAULT) {
        // V4L2_MAP_XFER_FUNC_DEFAULT
        switch (colorspace) {
        case 0:
        case V4L2_COLORSPACE_RAW:
            return TransferFunction::Unknown;
        case V4L2_COLORSPACE_SRGB:
        case V4L2_COLORSPACE_JPEG:
            transfer = V4L2_XFER_FUNC_SRGB;
            break;
        case V4L2_COLORSPACE_SMPTE240M:
            transfer = V4L2_XFER_FUNC_SMPTE240M;
            break;
        case V4L2_COLORSPACE_DCI_P3:
            transfer = V4L2_XFER_FUNC_DCI_P3;
            break;
        case V4L2_COLORSPACE_OPRGB:
            transfer = V4L2_XFER_FUNC_OPRGB;
            break;
        default:
            transfer = V4L2_XFER_FUNC_709;
            break;
        }
    }
    switch (transfer) {
    case V4L2_XFER_FUNC_709:
        return TransferFunction::ITU_R_709_2;
    case V4L2_XFER_FUNC_SRGB:
        return TransferFunction::IEC_sRGB;
    case V4L2_XFER_FUNC_SMPTE240M:
        return TransferFunction::SMPTE_240M_1995;
    case V4L2_XFER_FUNC_NONE:
        return TransferFunction::Linear;
    case V4L2_XFER_FUNC_SMPTE2084:
        return TransferFunction::SMPTE_ST_2084_PQ;
    case V4L2_XFER_FUNC_OPRGB:
    case V4L2_XFER_FUNC_DCI_P3:
        return TransferFunction::UseGamma;
    default:
        return TransferFunction::Unknown;
    }
}

YCbCrMatrix matrixFromV4L2(unsigned encoding, unsigned colorspace)
{
    if (encoding == V4L2_YCBCR_ENC_DEFAULT) {
        // V4L2_MAP_YCBCR_ENC_DEFAULT
        switch (colorspace) {
        case 0:
        case V4L2_COLORSPACE_RAW:
            return YCbCrMatrix::Unknown;
        case V4L2_COLORSPACE_REC709:
        case V4L2_COLORSPACE_DCI_P3:
            encoding = V4L2_YCBCR_ENC_709;
            break;
        case V4L2_COLORSPACE_BT2020:
            encoding = V4L2_YCBCR_ENC_BT2020;
            break;
        case V4L2_COLORSPACE_SMPTE240M:
            encoding = V4L2_YCBCR_ENC_SMPTE240M;
            break;
        default:
            encoding = V4L2_YCBCR_ENC_601;
            break;
        }
    }
    switch (encoding) {
    case V4L2_YCBCR_ENC_601:
    case V4L2_YCBCR_ENC_XV601:
        return YCbCrMatrix::ITU_R_601_4;
    case V4L2_YCBCR_ENC_709:
    case V4L2_YCBCR_ENC_XV709:
        return YCbCrMatrix::ITU_R_709_2;
    case V4L2_YCBCR_ENC_BT2020:
    case V4L2_YCBCR_ENC_BT2020_CONST_LUM:
        return YCbCrMatrix::ITU_R_2020;
    case V4L2_YCBCR_ENC_SMPTE240M:
        return YCbCrMatrix::SMPTE_240M_1995;
    default:
        return YCbCrMatrix::Unknown;
    }
}

} // namespace

CameraColor cameraColorFromV4L2(const CameraV4L2Colorimetry& c, CameraPixelFormat format)
{
    CameraColor color;
    color.tags.primaries = primariesFromV4L2(c.colorspace);
    color.tags.transfer = transferFromV4L2(c.transfer, c.colorspace);
    if (format != CameraPixelFormat::bgra)
        color.tags.matrix = matrixFromV4L2(c.ycbcrEncoding, c.colorspace);
    if (c.quantization == V4L2_QUANTIZATION_FULL_RANGE || c.quantization == V4L2_QUANTIZATION_LIM_RANGE) {
        color.fullRange = c.quantization == V4L2_QUANTIZATION_FULL_RANGE;
        color.rangeKnown = true;
    } else if (c.colorspace == V4L2_COLORSPACE_JPEG) {
        color.fullRange = true; // V4L2_MAP_QUANTIZATION_DEFAULT
        color.rangeKnown = true;
    } else if (c.colorspace != 0) {
        color.fullRange = false;
        color.rangeKnown = true;
    }
    return color;
}

CameraColor cameraColorFromFrame(const AVFrame* frame)
{
    CameraColor color;
    if (!frame)
        return color;
    color.tags = ffmpegtags::colorTags(frame->color_primaries, frame->color_trc, frame->colorspace);
    // The JPEG pixel formats say "full range" by themselves.
    const auto format = static_cast<AVPixelFormat>(frame->format);
    if (frame->color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P
        || format == AV_PIX_FMT_YUVJ444P) {
        color.fullRange = true;
        color.rangeKnown = true;
    } else if (frame->color_range == AVCOL_RANGE_MPEG) {
        color.fullRange = false;
        color.rangeKnown = true;
    }
    return color;
}

CameraColor mergeCameraColor(const CameraColor& primary, const CameraColor& fallback)
{
    CameraColor color = primary;
    if (color.tags.primaries == ColorPrimaries::Unknown)
        color.tags.primaries = fallback.tags.primaries;
    if (color.tags.transfer == TransferFunction::Unknown)
        color.tags.transfer = fallback.tags.transfer;
    if (color.tags.matrix == YCbCrMatrix::Unknown)
        color.tags.matrix = fallback.tags.matrix;
    if (!color.rangeKnown && fallback.rangeKnown) {
        color.fullRange = fallback.fullRange;
        color.rangeKnown = true;
    }
    return color;
}

CameraColor completeCameraColor(CameraColor color, CameraPixelFormat format, int height)
{
    if (format == CameraPixelFormat::bgra)
        return color;
    const bool jpeg = format == CameraPixelFormat::mjpeg;
    if (color.tags.matrix == YCbCrMatrix::Unknown)
        color.tags.matrix = (jpeg || height < 720) ? YCbCrMatrix::ITU_R_601_4 : YCbCrMatrix::ITU_R_709_2;
    if (!color.rangeKnown) {
        color.fullRange = jpeg;
        color.rangeKnown = true;
    }
    return color;
}

} // namespace media
