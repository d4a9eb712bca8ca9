#pragma once

// Average bit rate of H.264 and HEVC recordings.

#include "settings/StringEnum.h"

#include <cstdint>

namespace settings {

enum class RecordingBitrate { auto_, mbps10, mbps20, mbps50, mbps100, mbps200 };

template <> struct EnumTable<RecordingBitrate> {
    static constexpr std::array<EnumCase<RecordingBitrate>, 6> cases { {
        { RecordingBitrate::auto_, "auto", "Auto" },
        { RecordingBitrate::mbps10, "mbps10", "10 Mbps" },
        { RecordingBitrate::mbps20, "mbps20", "20 Mbps" },
        { RecordingBitrate::mbps50, "mbps50", "50 Mbps" },
        { RecordingBitrate::mbps100, "mbps100", "100 Mbps" },
        { RecordingBitrate::mbps200, "mbps200", "200 Mbps" },
    } };
    static_assert(enumTableIsDense(cases));
};

// Bits per second in decimal millions; none lets the encoder choose.
constexpr std::optional<std::int64_t> bitsPerSecond(RecordingBitrate bitrate)
{
    switch (bitrate) {
    case RecordingBitrate::auto_:
        return std::nullopt;
    case RecordingBitrate::mbps10:
        return 10'000'000;
    case RecordingBitrate::mbps20:
        return 20'000'000;
    case RecordingBitrate::mbps50:
        return 50'000'000;
    case RecordingBitrate::mbps100:
        return 100'000'000;
    case RecordingBitrate::mbps200:
        return 200'000'000;
    }
    return std::nullopt;
}

} // namespace settings
