#include "media/FFmpegTags.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <cmath>

namespace media::ffmpegtags {

namespace {

// One table per tag serves both ways. The first row for a name is what a file gets; later rows
// are libav* values that mean the same to us.
template <class Ours, class Av> struct Row {
    Ours ours;
    Av av;
};

constexpr Row<ColorPrimaries, AVColorPrimaries> kPrimaries[] = {
    { ColorPrimaries::ITU_R_709_2, AVCOL_PRI_BT709 },
    { ColorPrimaries::EBU_3213, AVCOL_PRI_BT470BG },
    { ColorPrimaries::SMPTE_C, AVCOL_PRI_SMPTE170M },
    { ColorPrimaries::SMPTE_C, AVCOL_PRI_SMPTE240M },
    { ColorPrimaries::ITU_R_2020, AVCOL_PRI_BT2020 },
    { ColorPrimaries::P3_D65, AVCOL_PRI_SMPTE432 },
    { ColorPrimaries::DCI_P3, AVCOL_PRI_SMPTE431 },
};

constexpr Row<TransferFunction, AVColorTransferCharacteristic> kTransfers[] = {
    { TransferFunction::ITU_R_709_2, AVCOL_TRC_BT709 },
    { TransferFunction::ITU_R_709_2, AVCOL_TRC_SMPTE170M }, // the same curve
    { TransferFunction::ITU_R_2020, AVCOL_TRC_BT2020_10 },
    { TransferFunction::ITU_R_2020, AVCOL_TRC_BT2020_12 },
    { TransferFunction::SMPTE_240M_1995, AVCOL_TRC_SMPTE240M },
    { TransferFunction::SMPTE_ST_2084_PQ, AVCOL_TRC_SMPTE2084 },
    { TransferFunction::ITU_R_2100_HLG, AVCOL_TRC_ARIB_STD_B67 },
    { TransferFunction::IEC_sRGB, AVCOL_TRC_IEC61966_2_1 },
    { TransferFunction::Linear, AVCOL_TRC_LINEAR },
    { TransferFunction::SMPTE_ST_428_1, AVCOL_TRC_SMPTE428 },
    // Read only: the gamma value itself has no place in a file's tags.
    { TransferFunction::UseGamma, AVCOL_TRC_GAMMA22 },
    { TransferFunction::UseGamma, AVCOL_TRC_GAMMA28 },
};

constexpr Row<YCbCrMatrix, AVColorSpace> kMatrices[] = {
    { YCbCrMatrix::ITU_R_709_2, AVCOL_SPC_BT709 },
    { YCbCrMatrix::ITU_R_601_4, AVCOL_SPC_SMPTE170M },
    { YCbCrMatrix::ITU_R_601_4, AVCOL_SPC_BT470BG },
    { YCbCrMatrix::SMPTE_240M_1995, AVCOL_SPC_SMPTE240M },
    { YCbCrMatrix::ITU_R_2020, AVCOL_SPC_BT2020_NCL },
    { YCbCrMatrix::ITU_R_2020, AVCOL_SPC_BT2020_CL },
};

template <class Ours, class Av, std::size_t N> Ours fromAv(const Row<Ours, Av> (&table)[N], Av value)
{
    for (const auto& row : table)
        if (row.av == value)
            return row.ours;
    return Ours::Unknown;
}

template <class Ours, class Av, std::size_t N> Av toAvIn(const Row<Ours, Av> (&table)[N], Ours value, Av none)
{
    for (const auto& row : table)
        if (row.ours == value)
            return row.av;
    return none;
}

} // namespace

ColorTags colorTags(AVColorPrimaries primaries, AVColorTransferCharacteristic transfer, AVColorSpace matrix)
{
    return { fromAv(kPrimaries, primaries), fromAv(kTransfers, transfer), fromAv(kMatrices, matrix) };
}

AVColorPrimaries toAv(ColorPrimaries value)
{
    return toAvIn(kPrimaries, value, AVCOL_PRI_UNSPECIFIED);
}

AVColorTransferCharacteristic toAv(TransferFunction value)
{
    if (value == TransferFunction::UseGamma)
        return AVCOL_TRC_UNSPECIFIED;
    return toAvIn(kTransfers, value, AVCOL_TRC_UNSPECIFIED);
}

AVColorSpace toAv(YCbCrMatrix value)
{
    return toAvIn(kMatrices, value, AVCOL_SPC_UNSPECIFIED);
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
