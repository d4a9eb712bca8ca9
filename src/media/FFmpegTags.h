#pragma once

// Translations between libav* stream and frame properties and the station's own vocabulary.

#include "media/frame/Frame.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVStream;
struct AVFrame;

namespace media::ffmpegtags {

// Both ways between libav*'s colour enums and the station's names; a value with no counterpart
// is unknown (unspecified). UseGamma has none in a file's tags: it is written as unspecified.
ColorTags colorTags(AVColorPrimaries primaries, AVColorTransferCharacteristic transfer, AVColorSpace matrix);
AVColorPrimaries toAv(ColorPrimaries value);
AVColorTransferCharacteristic toAv(TransferFunction value);
AVColorSpace toAv(YCbCrMatrix value);
// libswscale's coefficient table for a matrix; BT.601 when the matrix is unknown.
int swsColorspace(YCbCrMatrix matrix);
// From the stream's field order.
FieldInfo fieldInfo(int avFieldOrder);
// From a decoded frame's interlacing flags.
FieldInfo frameFieldInfo(const AVFrame* frame);
// Clockwise degrees (0, 90, 180, 270) that show the stream upright.
int rotation(const AVStream* stream);
// Nominal frames per second, 0 when unknown.
double nominalFrameRate(const AVStream* stream);

} // namespace media::ffmpegtags
