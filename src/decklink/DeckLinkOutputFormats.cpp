#include "decklink/DeckLinkOutputFormats.h"

#include <iterator>

namespace decklink {

const char* PixelFormatName(std::uint32_t pixelFormat)
{
    switch (pixelFormat) {
    case kDeckLinkFormat10BitYUV:
        return "v210";
    case kDeckLinkFormat10BitRGBXLE:
        return "R10l";
    case kDeckLinkFormat10BitRGBX:
        return "R10b";
    case kDeckLinkFormat10BitRGB:
        return "r210";
    case kDeckLinkFormat8BitBGRA:
        return "BGRA";
    default:
        return "unknown";
    }
}

bool PixelFormatIs10Bit(std::uint32_t pixelFormat)
{
    return pixelFormat == kDeckLinkFormat10BitYUV || pixelFormat == kDeckLinkFormat10BitRGBXLE
        || pixelFormat == kDeckLinkFormat10BitRGBX || pixelFormat == kDeckLinkFormat10BitRGB;
}

std::string DisplayModeTag(std::int64_t displayMode)
{
    std::string tag(4, '.');
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>((static_cast<std::uint64_t>(displayMode) >> (24 - 8 * i)) & 0xFF);
        if (byte >= 32 && byte <= 126)
            tag[static_cast<std::size_t>(i)] = static_cast<char>(byte);
    }
    return tag;
}

DeckLinkDisplayMode OutputDisplayModeForModeCode(std::int32_t modeCode)
{
    static constexpr DeckLinkDisplayMode table[] = {
        kDeckLinkModeNTSC, // 0
        kDeckLinkModePAL,
        kDeckLinkModeHD720p50,
        kDeckLinkModeHD720p5994,
        kDeckLinkModeHD720p60,
        kDeckLinkModeHD1080p2398, // 5
        kDeckLinkModeHD1080p24,
        kDeckLinkModeHD1080p25,
        kDeckLinkModeHD1080p2997,
        kDeckLinkModeHD1080p30,
        kDeckLinkModeHD1080p4795, // 10
        kDeckLinkModeHD1080p48,
        kDeckLinkModeHD1080p50,
        kDeckLinkModeHD1080p5994,
        kDeckLinkModeHD1080p6000,
        kDeckLinkModeHD1080p25, // 15: PsF plays the progressive mode of its rate
        kDeckLinkModeHD1080p2997,
        kDeckLinkModeHD1080p30,
        kDeckLinkModeHD1080i50,
        kDeckLinkModeHD1080i5994,
        kDeckLinkModeHD1080i6000, // 20
        kDeckLinkMode4K2160p2398,
        kDeckLinkMode4K2160p24,
        kDeckLinkMode4K2160p25,
        kDeckLinkMode4K2160p2997,
        kDeckLinkMode4K2160p30, // 25
        kDeckLinkMode4K2160p50,
        kDeckLinkMode4K2160p5994,
        kDeckLinkMode4K2160p60,
    };
    if (modeCode < 0 || modeCode >= static_cast<std::int32_t>(std::size(table)))
        return kDeckLinkModeHD1080p5994;
    return table[modeCode];
}

std::int32_t NormalizedColorMode(std::int32_t mode)
{
    if (mode < 0)
        return 0;
    if (mode > 5)
        return 3;
    return mode;
}

bool IsHDRColorMode(std::int32_t mode)
{
    return mode == 3 || mode == 4 || mode == 5;
}

DeckLinkColorspace ColorspaceForMode(std::int32_t mode)
{
    if (mode == 1)
        return kDeckLinkColorspaceRec709;
    if (mode >= 2 && mode <= 5)
        return kDeckLinkColorspaceRec2020;
    return kDeckLinkColorspaceUnspecified;
}

std::int64_t EOTFForMode(std::int32_t mode)
{
    if (mode == 3 || mode == 5)
        return kDeckLinkEOTFPQ;
    if (mode == 4)
        return kDeckLinkEOTFHLG;
    return kDeckLinkEOTFSDR;
}

const char* ColorspaceName(DeckLinkColorspace colorspace)
{
    if (colorspace == kDeckLinkColorspaceRec709)
        return "Rec709";
    if (colorspace == kDeckLinkColorspaceRec2020)
        return "Rec2020";
    return "Unknown";
}

std::int32_t FallbackRowBytes(std::uint32_t pixelFormat, std::int32_t width)
{
    if (pixelFormat == kDeckLinkFormat10BitYUV)
        return 128 * ((width + 47) / 48);
    return 4 * width;
}

} // namespace decklink
