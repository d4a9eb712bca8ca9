#pragma once

// What a display's EDID says about HDR: whether it is a readable EDID at all, whether it has a
// CTA-861 extension, and whether that extension's HDR static metadata block names PQ and HLG.

#include <cstddef>
#include <cstdint>

namespace decklink {

struct HDMISinkCapabilities {
    bool valid = false; // at least 128 bytes beginning with the standard EDID header
    bool hasCTAExtension = false;
    bool hasStaticHDRBlock = false;
    bool supportsPQ = false;
    bool supportsHLG = false;
};

// Reads at most `count` bytes; never reads past them, whatever the blocks claim.
HDMISinkCapabilities ParseHDMISinkEDID(const std::uint8_t* bytes, std::size_t count);

} // namespace decklink
