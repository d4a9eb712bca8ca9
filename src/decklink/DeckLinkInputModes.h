#pragma once

// Mode codes (the capture formats' numbering, -1 for detection) to the display modes an input
// opens, and detected display modes back to mode codes and frame rates.

#include "decklink/api/DeckLinkAPITypes.h"

#include <optional>

namespace decklink {

// The display mode an input opens for a mode code 0 to 28; none beyond (and for detection, -1).
// Every code opens its own mode; the PsF codes 15 to 17 open the progressive mode of their rate.
std::optional<DeckLinkDisplayMode> DeckLinkInputDisplayModeForModeCode(std::int32_t modeCode);

struct DeckLinkDetectedMode {
    std::int32_t modeCode; // -1 when unknown
    double fps; // frames per second (interlaced: half the field rate); 0 when unknown
};
// A detected display mode as a mode code and frame rate (PsF codes are never reported).
DeckLinkDetectedMode DeckLinkDetectedModeInfo(std::int64_t displayMode);

} // namespace decklink
