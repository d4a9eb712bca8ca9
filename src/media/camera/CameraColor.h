#pragma once

// The colour of camera pictures in the station's vocabulary ("ITU_R_709_2", "IEC_sRGB",
// "ITU_R_601_4" ...), from what the decoder says about a frame and, where it says nothing, from
// what the V4L2 driver says about the format. Also the Y'CbCr range, which the BGRA conversion
// needs to get black and white right.

#include "media/camera/CameraNode.h"
#include "media/frame/Frame.h"

extern "C" {
struct AVFrame;
}

namespace media {

struct CameraColor {
    ColorTags tags;
    bool fullRange = false;
    bool rangeKnown = false;
};

// The driver's description; its "default" values resolve as the kernel documents them.
CameraColor cameraColorFromV4L2(const CameraV4L2Colorimetry& colorimetry, CameraPixelFormat format);

// What a decoded frame carries (AVFrame color_primaries, color_trc, colorspace, color_range).
CameraColor cameraColorFromFrame(const AVFrame* frame);

// Each unknown field of `primary` taken from `fallback`.
CameraColor mergeCameraColor(const CameraColor& primary, const CameraColor& fallback);

// The conversion to BGRA has to pick a matrix and a range even when nobody named them: JPEG
// pictures use 601 at full range, other pictures 601 below 720 lines and 709 from 720, at video
// range. The tags then say what was assumed. Unknown primaries and transfer stay unknown.
CameraColor completeCameraColor(CameraColor color, CameraPixelFormat format, int height);

} // namespace media
