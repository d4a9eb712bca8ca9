#pragma once

// Short test movies written with libav*, each picture carrying its frame number in the movie
// tests' pattern (movietest::counterPatternWhite), and a reader for the number.

#include "media/Frame.h"

#include <QString>

namespace testclips {

enum class Codec { ProRes, H264 };

struct ClipSpec {
    Codec codec = Codec::ProRes;
    int rateNum = 25; // frames per second as rateNum / rateDen
    int rateDen = 1;
    int frames = 25;
    int width = 160;
    int height = 90;
    int gop = 0; // H.264 keyframe interval; 0: one second
    int rotation = 0; // clockwise degrees the picture is shown turned by
    bool interlaced = false;
    bool withAudio = false;
};

// Writes a .mov; returns an empty string or the error.
QString writeClip(const QString& path, const ClipSpec& spec);

// The frame number drawn in a BGRA picture, or -1 when the blocks cannot be read.
int readFrameNumber(const media::Frame& frame);

// The frame a time falls in, for a clip of rateNum / rateDen frames per second.
int frameIndexAt(double seconds, const ClipSpec& spec);
double frameStart(int index, const ClipSpec& spec);

} // namespace testclips
