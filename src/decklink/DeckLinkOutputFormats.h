#pragma once

// Names and tables of the program output: pixel formats, display modes by capture-format mode
// code, and what each colour mode writes into the device and into every frame.

#include "decklink/api/DeckLinkAPITypes.h"

#include <cstdint>
#include <string>

namespace decklink {

// "v210", "R10l", "R10b", "r210", "BGRA", else "unknown".
const char* PixelFormatName(std::uint32_t pixelFormat);
// 'v210', 'R10l', 'R10b' and 'r210'.
bool PixelFormatIs10Bit(std::uint32_t pixelFormat);
// The four characters of a display-mode code, most significant byte first; bytes outside 32 to 126
// shown as ".".
std::string DisplayModeTag(std::int64_t displayMode);

// The display mode the output plays for a capture-format mode code ('Hp59' for any code it does not
// know, negative ones included). The PsF codes 15 to 17 play the progressive mode of their rate.
DeckLinkDisplayMode OutputDisplayModeForModeCode(std::int32_t modeCode);

// Colour modes 0 to 5: auto, rec709, rec2020, rec2020PQ, rec2020HLG, p3D65PQ. A value below 0
// counts as 0, one above 5 as 3.
std::int32_t NormalizedColorMode(std::int32_t mode);
// 3, 4 and 5.
bool IsHDRColorMode(std::int32_t mode);
// 'r709' for 1, '2020' for 2 to 5, 'Ncol' otherwise.
DeckLinkColorspace ColorspaceForMode(std::int32_t mode);
// The CTA-861 transfer function code of frames: 2 (PQ) for 3 and 5, 3 (HLG) for 4, else 0.
std::int64_t EOTFForMode(std::int32_t mode);
// "Rec709", "Rec2020" or "Unknown" for a colour-space code.
const char* ColorspaceName(DeckLinkColorspace colorspace);

// Row bytes of a frame when the device cannot say: 128 × ⌈width / 48⌉ for 'v210', 4 × width for the
// others.
std::int32_t FallbackRowBytes(std::uint32_t pixelFormat, std::int32_t width);

} // namespace decklink
