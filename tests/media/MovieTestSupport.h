#pragma once

// Test movies: frames that carry their number as big black and white blocks (readable after
// lossy compression and scaling), and a reader that opens a written movie with libavformat,
// reports its container and stream facts and decodes the numbers back.

#include "media/frame/Frame.h"

#include <cstdint>
#include <string>
#include <vector>

#include <functional>

struct AVFrame;

namespace movietest {

// The number every test picture carries, written movies and player clips alike: a 4 x 4 grid of
// blocks, the counter's 15 low bits in the first fifteen (white for a one) and the last, bottom
// right, always white so that a picture's orientation shows.
bool counterPatternWhite(int counter, int x, int y, int width, int height);
// Reads the pattern through `luma` (0...255 at a pixel), from the middle of each block, away
// from edges that compression and scaling blur; -1 when a block is neither black nor white.
int readCounterPattern(int width, int height, const std::function<double(int x, int y)>& luma);

// A BGRA frame of the given size carrying `counter`.
media::Frame counterFrame(int width, int height, int counter);
// A BGRA frame of one opaque colour.
media::Frame solidFrame(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);

struct ProbedMovie {
    bool opened = false;
    std::string error;
    std::string majorBrand;
    unsigned streamCount = 0;
    std::string codecName;
    std::string codecTag; // four characters
    std::string profile;
    int width = 0;
    int height = 0;
    int frameRateNum = 0;
    bool colourAtom = false; // a 'colr' atom in the movie's index
    // From the movie's colour atom (AVColorPrimaries / AVColorTransferCharacteristic / AVColorSpace).
    int colorPrimaries = 0;
    int colorTransfer = 0;
    int colorSpace = 0;
    // The video track's time scale and sample durations as the file's index stores them.
    std::int64_t mediaTimeScale = 0;
    std::vector<std::int64_t> sampleDurations;
    // Per sample in decode order.
    std::vector<bool> keyframes;
    // Per decoded frame in presentation order.
    std::vector<std::int64_t> framePts;
    std::vector<int> counters;
    std::vector<double> centreLuma; // 8-bit scale
    // The container's field order (AVFieldOrder) and, per decoded frame, the codec's field flags.
    int fieldOrder = 0;
    std::vector<bool> interlaced;
    std::vector<bool> topFieldFirst;
    // Packets the decoder refused and frames it could not produce.
    int decodeErrors = 0;
    // Colour fields of the first decoded frame (codec headers).
    int frameColorPrimaries = 0;
    int frameColorTransfer = 0;
    int frameColorSpace = 0;
    int frameColorRange = 0;
};

// `eachFrame` sees every decoded picture in presentation order.
ProbedMovie probeMovie(const std::string& path, const std::function<void(const AVFrame&)>& eachFrame = {});

// The numbers 0, 1, ..., count - 1.
std::vector<int> sequence(int count, int first = 0);

} // namespace movietest
