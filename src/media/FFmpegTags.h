#pragma once

// Translations between libav* stream and frame properties and the station's own vocabulary.

#include "media/Frame.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVStream;
struct AVFrame;

namespace media::ffmpegtags {

ColorTags colorTags(AVColorPrimaries primaries, AVColorTransferCharacteristic transfer, AVColorSpace matrix);
// From the stream's field order.
FieldInfo fieldInfo(int avFieldOrder);
// From a decoded frame's interlacing flags.
FieldInfo frameFieldInfo(const AVFrame* frame);
// Clockwise degrees (0, 90, 180, 270) that show the stream upright.
int rotation(const AVStream* stream);
// Nominal frames per second, 0 when unknown.
double nominalFrameRate(const AVStream* stream);

} // namespace media::ffmpegtags
