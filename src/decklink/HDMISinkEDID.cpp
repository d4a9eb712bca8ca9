#include "decklink/HDMISinkEDID.h"

#include <algorithm>
#include <cstring>

namespace decklink {

HDMISinkCapabilities ParseHDMISinkEDID(const std::uint8_t* bytes, std::size_t count)
{
    static const std::uint8_t header[8] = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };
    HDMISinkCapabilities sink;
    if (!bytes || count < 128 || std::memcmp(bytes, header, sizeof header) != 0)
        return sink;
    sink.valid = true;
    // Only whole blocks that were really read count, whatever byte 126 announces.
    const std::size_t extensions = std::min<std::size_t>(bytes[126], count / 128 - 1);
    for (std::size_t index = 1; index <= extensions; ++index) {
        const std::uint8_t* block = bytes + 128 * index;
        if (block[0] != 0x02)
            continue;
        sink.hasCTAExtension = true;
        const int d = block[2];
        if (d == 4)
            continue; // no data blocks
        const int end = (d < 4 || d > 127) ? 127 : d;
        int offset = 4;
        while (offset < end) {
            const int h = block[offset];
            const int length = h & 0x1F;
            const int next = offset + 1 + length;
            if (next > 127)
                break; // a block running past the extension ends its scan
            if (h >= 0xE0 && length >= 2 && block[offset + 1] == 6) {
                sink.hasStaticHDRBlock = true;
                sink.supportsPQ = sink.supportsPQ || (block[offset + 2] & 0x04) != 0;
                sink.supportsHLG = sink.supportsHLG || (block[offset + 2] & 0x08) != 0;
            }
            offset = next;
        }
    }
    return sink;
}

} // namespace decklink
