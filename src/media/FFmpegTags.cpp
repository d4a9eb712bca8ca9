#include "media/FFmpegTags.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <cmath>

namespace media::ffmpegtags {

ColorTags colorTags(AVColorPrimaries primaries, AVColorTransferCharacteristic transfer, AVColorSpace matrix)
{
    ColorTags tags;
    switch (primaries) {
    case AVCOL_PRI_BT709:
        tags.primaries = ColorPrimaries::ITU_R_709_2;
        break;
    case AVCOL_PRI_BT470BG:
        tags.primaries = ColorPrimaries::EBU_3213;
        break;
    case AVCOL_PRI_SMPTE170M:
    case AVCOL_PRI_SMPTE240M:
        tags.primaries = ColorPrimaries::SMPTE_C;
        break;
    case AVCOL_PRI_BT2020:
        tags.primaries = ColorPrimaries::ITU_R_2020;
        break;
    case AVCOL_PRI_SMPTE432:
        tags.primaries = ColorPrimaries::P3_D65;
        break;
    case AVCOL_PRI_SMPTE431:
        tags.primaries = ColorPrimaries::DCI_P3;
        break;
    default:
        break;
    }
    switch (transfer) {
    case AVCOL_TRC_BT709:
    case AVCOL_TRC_SMPTE170M:
        tags.transfer = TransferFunction::ITU_R_709_2;
        break;
    case AVCOL_TRC_BT2020_10:
    case AVCOL_TRC_BT2020_12:
        tags.transfer = TransferFunction::ITU_R_2020;
        break;
    case AVCOL_TRC_SMPTE240M:
        tags.transfer = TransferFunction::SMPTE_240M_1995;
        break;
    case AVCOL_TRC_GAMMA22:
    case AVCOL_TRC_GAMMA28:
        tags.transfer = TransferFunction::UseGamma;
        break;
    case AVCOL_TRC_SMPTE2084:
        tags.transfer = TransferFunction::SMPTE_ST_2084_PQ;
        break;
    case AVCOL_TRC_ARIB_STD_B67:
        tags.transfer = TransferFunction::ITU_R_2100_HLG;
        break;
    case AVCOL_TRC_IEC61966_2_1:
        tags.transfer = TransferFunction::IEC_sRGB;
        break;
    case AVCOL_TRC_LINEAR:
        tags.transfer = TransferFunction::Linear;
        break;
    case AVCOL_TRC_SMPTE428:
        tags.transfer = TransferFunction::SMPTE_ST_428_1;
        break;
    default:
        break;
    }
    switch (matrix) {
    case AVCOL_SPC_BT709:
        tags.matrix = YCbCrMatrix::ITU_R_709_2;
        break;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        tags.matrix = YCbCrMatrix::ITU_R_601_4;
        break;
    case AVCOL_SPC_SMPTE240M:
        tags.matrix = YCbCrMatrix::SMPTE_240M_1995;
        break;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        tags.matrix = YCbCrMatrix::ITU_R_2020;
        break;
    default:
        break;
    }
    return tags;
}

AVColorPrimaries toAv(ColorPrimaries value)
{
    switch (value) {
    case ColorPrimaries::ITU_R_709_2:
        return AVCOL_PRI_BT709;
    case ColorPrimaries::EBU_3213:
        return AVCOL_PRI_BT470BG;
    case ColorPrimaries::SMPTE_C:
        return AVCOL_PRI_SMPTE170M;
    case ColorPrimaries::ITU_R_2020:
        return AVCOL_PRI_BT2020;
    case ColorPrimaries::P3_D65:
        return AVCOL_PRI_SMPTE432;
    case ColorPrimaries::DCI_P3:
        return AVCOL_PRI_SMPTE431;
    case ColorPrimaries::Unknown:
        break;
    }
    return AVCOL_PRI_UNSPECIFIED;
}

AVColorTransferCharacteristic toAv(TransferFunction value)
{
    switch (value) {
    case TransferFunction::ITU_R_709_2:
        return AVCOL_TRC_BT709;
    case TransferFunction::SMPTE_240M_1995:
        return AVCOL_TRC_SMPTE240M;
    case TransferFunction::ITU_R_2020:
        return AVCOL_TRC_BT2020_10;
    case TransferFunction::SMPTE_ST_2084_PQ:
        return AVCOL_TRC_SMPTE2084;
    case TransferFunction::ITU_R_2100_HLG:
        return AVCOL_TRC_ARIB_STD_B67;
    case TransferFunction::IEC_sRGB:
        return AVCOL_TRC_IEC61966_2_1;
    case TransferFunction::Linear:
        return AVCOL_TRC_LINEAR;
    case TransferFunction::SMPTE_ST_428_1:
        return AVCOL_TRC_SMPTE428;
    case TransferFunction::UseGamma: // a gamma value the file's tags cannot carry
    case TransferFunction::Unknown:
        break;
    }
    return AVCOL_TRC_UNSPECIFIED;
}

AVColorSpace toAv(YCbCrMatrix value)
{
    switch (value) {
    case YCbCrMatrix::ITU_R_709_2:
        return AVCOL_SPC_BT709;
    case YCbCrMatrix::ITU_R_601_4:
        return AVCOL_SPC_SMPTE170M;
    case YCbCrMatrix::SMPTE_240M_1995:
        return AVCOL_SPC_SMPTE240M;
    case YCbCrMatrix::ITU_R_2020:
        return AVCOL_SPC_BT2020_NCL;
    case YCbCrMatrix::Unknown:
        break;
    }
    return AVCOL_SPC_UNSPECIFIED;
}

int swsColorspace(YCbCrMatrix matrix)
{
    switch (matrix) {
    case YCbCrMatrix::ITU_R_709_2:
        return SWS_CS_ITU709;
    case YCbCrMatrix::SMPTE_240M_1995:
        return SWS_CS_SMPTE240M;
    case YCbCrMatrix::ITU_R_2020:
        return SWS_CS_BT2020;
    case YCbCrMatrix::ITU_R_601_4:
    case YCbCrMatrix::Unknown:
        break;
    }
    return SWS_CS_ITU601;
}

FieldInfo fieldInfo(int avFieldOrder)
{
    switch (avFieldOrder) {
    // Fields are interleaved in every picture libavcodec hands out; only which one is shown
    // first matters.
    case AV_FIELD_TT:
    case AV_FIELD_BT:
        return { 2, FieldDetail::TemporalTopFirst };
    case AV_FIELD_BB:
    case AV_FIELD_TB:
        return { 2, FieldDetail::TemporalBottomFirst };
    default:
        return {};
    }
}

FieldInfo frameFieldInfo(const AVFrame* frame)
{
    if (!frame->interlaced_frame)
        return {};
    return { 2, frame->top_field_first ? FieldDetail::TemporalTopFirst : FieldDetail::TemporalBottomFirst };
}

int rotation(const AVStream* stream)
{
    const auto* matrix
        = reinterpret_cast<const int32_t*>(av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix)
        return 0;
    // av_display_rotation_get gives the counter-clockwise angle the picture was turned by.
    const double ccw = av_display_rotation_get(matrix);
    if (!std::isfinite(ccw))
        return 0;
    int clockwise = static_cast<int>(std::lround(-ccw / 90.0)) * 90;
    clockwise %= 360;
    if (clockwise < 0)
        clockwise += 360;
    return clockwise;
}

double nominalFrameRate(const AVStream* stream)
{
    for (AVRational r : { stream->avg_frame_rate, stream->r_frame_rate }) {
        if (r.num > 0 && r.den > 0) {
            const double fps = av_q2d(r);
            if (std::isfinite(fps) && fps > 0.0 && fps < 1000.0)
                return fps;
        }
    }
    return 0.0;
}

} // namespace media::ffmpegtags
