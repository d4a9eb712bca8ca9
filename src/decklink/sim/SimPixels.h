#pragma once

// Pixel work of the simulated card: the test picture with its frame counter, and the conversions
// between the card's pixel formats.

#include "decklink/api/DeckLinkAPITypes.h"

#include <cstddef>
#include <cstdint>

namespace sim {

enum class YCbCrMatrix { Rec601, Rec709, Rec2020 };
// The matrix of a colour space; kDeckLinkColorspaceUnspecified picks by picture height (SD 601).
YCbCrMatrix matrixFor(DeckLinkColorspace colorspace, std::int32_t height);

struct PixelPlane {
    std::uint8_t* bytes;
    std::int32_t width;
    std::int32_t height;
    std::int32_t rowBytes;
    DeckLinkPixelFormat format;
};

// Colour bars (rotated by `variant`, so devices look different) in '2vuy' or 'BGRA'.
void renderTestPattern(const PixelPlane& plane, int variant, YCbCrMatrix matrix);

// The counter as a row of 34 cells of 16 × 16 pixels at (16, 16): a white marker, 32 bits (most
// significant first, white = 1) and a black marker. Needs a picture of at least 560 × 32.
void drawFrameCounter(const PixelPlane& plane, std::uint32_t counter);
// -1 when the picture carries no counter (markers missing, picture too small, unknown format).
std::int64_t decodeFrameCounter(const std::uint8_t* bytes, std::int32_t width, std::int32_t height,
    std::int32_t rowBytes, DeckLinkPixelFormat format);

// Converts between planes of the same size. Supported: '2vuy' -> 'BGRA', 'BGRA' -> 'BGRA', and
// 'BGRA' -> 'v210', 'r210', 'R10b', 'R10l'. False for any other pair.
bool convertPixels(const PixelPlane& source, const PixelPlane& target, YCbCrMatrix matrix);

} // namespace sim
