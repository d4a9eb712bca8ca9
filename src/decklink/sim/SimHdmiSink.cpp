#include "decklink/sim/SimHdmiSink.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

void sealBlock(std::uint8_t* block)
{
    std::uint8_t sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = static_cast<std::uint8_t>(sum + block[i]);
    block[127] = static_cast<std::uint8_t>(0x100 - sum);
}

} // namespace

std::vector<std::uint8_t> SimHdmiSink::makeEdid(bool hdr)
{
    std::vector<std::uint8_t> edid(256, 0);
    std::uint8_t* base = edid.data();
    static const std::uint8_t header[8] = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };
    std::memcpy(base, header, sizeof header);
    base[8] = 0x0E; // manufacturer "CRV"
    base[9] = 0x56;
    base[10] = 0x01; // product code
    base[18] = 1; // EDID 1.4
    base[19] = 4;
    base[20] = 0xA5; // digital input, 10 bits per colour, HDMI-a
    base[126] = 1; // one extension
    sealBlock(base);

    std::uint8_t* cta = base + 128;
    cta[0] = 0x02; // CTA-861 extension
    cta[1] = 3; // revision
    std::size_t offset = 4;
    // Video data block: VIC 16 (1080p60) and 97 (2160p60).
    cta[offset++] = static_cast<std::uint8_t>((2 << 5) | 2);
    cta[offset++] = 16;
    cta[offset++] = 97;
    if (hdr) {
        // Extended tag 6, HDR static metadata: EOTFs SDR, PQ and HLG; static metadata type 1.
        cta[offset++] = static_cast<std::uint8_t>((7 << 5) | 3);
        cta[offset++] = 6;
        cta[offset++] = 0x01 | 0x04 | 0x08;
        cta[offset++] = 0x01;
    }
    // Extended tag 0 (video capability) so a display without HDR still has an extended block.
    cta[offset++] = static_cast<std::uint8_t>((7 << 5) | 2);
    cta[offset++] = 0;
    cta[offset++] = 0x40;
    cta[2] = static_cast<std::uint8_t>(offset); // detailed timings would start here
    sealBlock(cta);
    return edid;
}

SimHdmiSink::SimHdmiSink()
{
    reset();
}

void SimHdmiSink::reset()
{
    edid_ = makeEdid(true);
}

void SimHdmiSink::setEdid(const void* bytes, std::uint32_t size)
{
    edid_.clear();
    if (!bytes || size == 0)
        return;
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    edid_.assign(begin, begin + std::min<std::uint32_t>(size, 4096));
}

} // namespace sim
