#include "decklink/DeckLinkInputModes.h"

#include <array>

namespace decklink {

std::optional<DeckLinkDisplayMode> DeckLinkInputDisplayModeForModeCode(std::int32_t modeCode)
{
    static constexpr std::array<DeckLinkDisplayMode, 29> modes = { kDeckLinkModeNTSC, kDeckLinkModePAL,
        kDeckLinkModeHD720p50, kDeckLinkModeHD720p5994, kDeckLinkModeHD720p60, kDeckLinkModeHD1080p2398,
        kDeckLinkModeHD1080p24, kDeckLinkModeHD1080p25, kDeckLinkModeHD1080p2997, kDeckLinkModeHD1080p30,
        kDeckLinkModeHD1080p4795, kDeckLinkModeHD1080p48, kDeckLinkModeHD1080p50, kDeckLinkModeHD1080p5994,
        kDeckLinkModeHD1080p6000, kDeckLinkModeHD1080p25, kDeckLinkModeHD1080p2997, kDeckLinkModeHD1080p30, // PsF
        kDeckLinkModeHD1080i50, kDeckLinkModeHD1080i5994, kDeckLinkModeHD1080i6000, kDeckLinkMode4K2160p2398,
        kDeckLinkMode4K2160p24, kDeckLinkMode4K2160p25, kDeckLinkMode4K2160p2997, kDeckLinkMode4K2160p30,
        kDeckLinkMode4K2160p50, kDeckLinkMode4K2160p5994, kDeckLinkMode4K2160p60 };
    if (modeCode < 0 || modeCode >= static_cast<std::int32_t>(modes.size()))
        return std::nullopt;
    return modes[static_cast<std::size_t>(modeCode)];
}

DeckLinkDetectedMode DeckLinkDetectedModeInfo(std::int64_t displayMode)
{
    struct Entry {
        DeckLinkDisplayMode mode;
        std::int32_t modeCode;
        double fps;
    };
    static constexpr Entry table[] = {
        { kDeckLinkModeNTSC, 0, 29.97 },
        { kDeckLinkModePAL, 1, 25 },
        { kDeckLinkModeHD720p50, 2, 50 },
        { kDeckLinkModeHD720p5994, 3, 59.94 },
        { kDeckLinkModeHD720p60, 4, 60 },
        { kDeckLinkModeHD1080p2398, 5, 23.98 },
        { kDeckLinkModeHD1080p24, 6, 24 },
        { kDeckLinkModeHD1080p25, 7, 25 },
        { kDeckLinkModeHD1080p2997, 8, 29.97 },
        { kDeckLinkModeHD1080p30, 9, 30 },
        { kDeckLinkModeHD1080p4795, 10, 47.95 },
        { kDeckLinkModeHD1080p48, 11, 48 },
        { kDeckLinkModeHD1080p50, 12, 50 },
        { kDeckLinkModeHD1080p5994, 13, 59.94 },
        { kDeckLinkModeHD1080p6000, 14, 60 },
        { kDeckLinkModeHD1080i50, 18, 25 },
        { kDeckLinkModeHD1080i5994, 19, 29.97 },
        { kDeckLinkModeHD1080i6000, 20, 30 },
        { kDeckLinkMode4K2160p2398, 21, 23.98 },
        { kDeckLinkMode4K2160p24, 22, 24 },
        { kDeckLinkMode4K2160p25, 23, 25 },
        { kDeckLinkMode4K2160p2997, 24, 29.97 },
        { kDeckLinkMode4K2160p30, 25, 30 },
        { kDeckLinkMode4K2160p50, 26, 50 },
        { kDeckLinkMode4K2160p5994, 27, 59.94 },
        { kDeckLinkMode4K2160p60, 28, 60 },
    };
    for (const auto& entry : table)
        if (static_cast<std::int64_t>(entry.mode) == displayMode)
            return { entry.modeCode, entry.fps };
    return { -1, 0.0 };
}

} // namespace decklink
