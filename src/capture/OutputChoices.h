#pragma once

// The program-output and remote-preview choices the capture engine shares with the playback
// screen, the settings screen and the remote bridge.

#include "settings/StringEnum.h"

#include <cstdint>
#include <optional>

namespace capture {

// The raw value is the colour-mode number the card output takes.
enum class OutputColorMode : std::int32_t {
    auto_ = 0,
    rec709 = 1,
    rec2020 = 2,
    rec2020PQ = 3,
    rec2020HLG = 4,
    p3D65PQ = 5
};
// "Auto (Source)", "Rec.709 (SDR)" ... as the output card lists them.
inline const char* displayName(OutputColorMode mode)
{
    switch (mode) {
    case OutputColorMode::auto_:
        return "Auto (Source)";
    case OutputColorMode::rec709:
        return "Rec.709 (SDR)";
    case OutputColorMode::rec2020:
        return "Rec.2020 (SDR)";
    case OutputColorMode::rec2020PQ:
        return "Rec.2020 + PQ (HDR)";
    case OutputColorMode::rec2020HLG:
        return "Rec.2020 + HLG (HDR)";
    case OutputColorMode::p3D65PQ:
        return "P3-D65 ST2084 (HDR)";
    }
    return "";
}

enum class HDRMasteringNits { n100 = 100, n500 = 500, n1000 = 1000, n2000 = 2000, n4000 = 4000 };
enum class OutputSourceMode { playback, capture };
enum class PlaybackOutputSource { main, program };
// What the remote client's live video shows: the playback picture or the live inputs.
enum class RemotePreviewMode { playback, capture };

} // namespace capture

template <> struct settings::EnumTable<capture::OutputSourceMode> {
    static constexpr std::array<EnumCase<capture::OutputSourceMode>, 2> cases { {
        { capture::OutputSourceMode::playback, "playback", "Playback" },
        { capture::OutputSourceMode::capture, "capture", "Capture" },
    } };
    static_assert(enumTableIsDense(cases));
};

template <> struct settings::EnumTable<capture::PlaybackOutputSource> {
    static constexpr std::array<EnumCase<capture::PlaybackOutputSource>, 2> cases { {
        { capture::PlaybackOutputSource::main, "main", "Main" },
        { capture::PlaybackOutputSource::program, "program", "Program" },
    } };
    static_assert(enumTableIsDense(cases));
};

template <> struct settings::EnumTable<capture::RemotePreviewMode> {
    static constexpr std::array<EnumCase<capture::RemotePreviewMode>, 2> cases { {
        { capture::RemotePreviewMode::playback, "playback", "Playback" },
        { capture::RemotePreviewMode::capture, "capture", "Capture" },
    } };
    static_assert(enumTableIsDense(cases));
};
