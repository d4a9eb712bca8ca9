#pragma once

// Codec of recorded movie files.

#include "settings/StringEnum.h"

namespace settings {

enum class RecordingCodec { h264, hevc, proRes422Proxy, proRes422LT, proRes422, proRes422HQ, proRes4444, proRes4444XQ };

template <> struct EnumTable<RecordingCodec> {
    static constexpr std::array<EnumCase<RecordingCodec>, 8> cases { {
        { RecordingCodec::h264, "h264", "H.264" },
        { RecordingCodec::hevc, "hevc", "HEVC (H.265)" },
        { RecordingCodec::proRes422Proxy, "proRes422Proxy", "ProRes 422 Proxy" },
        { RecordingCodec::proRes422LT, "proRes422LT", "ProRes 422 LT" },
        { RecordingCodec::proRes422, "proRes422", "ProRes 422" },
        { RecordingCodec::proRes422HQ, "proRes422HQ", "ProRes 422 HQ" },
        { RecordingCodec::proRes4444, "proRes4444", "ProRes 4444" },
        { RecordingCodec::proRes4444XQ, "proRes4444XQ", "ProRes 4444 XQ" },
    } };
    static_assert(enumTableIsDense(cases));
};

// The ProRes family has no bit-rate choice: the profile fixes it.
constexpr bool isProRes(RecordingCodec codec)
{
    return codec != RecordingCodec::h264 && codec != RecordingCodec::hevc;
}

} // namespace settings
