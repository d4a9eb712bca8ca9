#pragma once

// The display plugged into a simulated device's HDMI output: connected or not, and the EDID it
// offers. The default display is a UHD monitor whose CTA-861 extension advertises HDR static
// metadata with PQ and HLG.

#include <cstdint>
#include <vector>

namespace sim {

class SimHdmiSink {
public:
    SimHdmiSink();

    // Back to the default display.
    void reset();
    // Null or empty: no display connected. Longer EDIDs are cut to 4096 bytes.
    void setEdid(const void* bytes, std::uint32_t size);

    bool connected() const { return !edid_.empty(); }
    const std::vector<std::uint8_t>& edid() const { return edid_; }

    // A base block and one CTA-861 extension; `hdr` adds an HDR static metadata block naming SDR,
    // PQ and HLG.
    static std::vector<std::uint8_t> makeEdid(bool hdr);

private:
    std::vector<std::uint8_t> edid_;
};

} // namespace sim
