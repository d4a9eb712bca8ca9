#pragma once

// What the playback screen's centre pane shows: the clip viewer with timeline and transport, or
// the live capture tiles (which also removes the playlist pane).

#include "settings/StringEnum.h"

namespace playback_screen {

enum class CenterMode { playback, capture };

} // namespace playback_screen

template <> struct settings::EnumTable<playback_screen::CenterMode> {
    static constexpr std::array<EnumCase<playback_screen::CenterMode>, 2> cases { {
        { playback_screen::CenterMode::playback, "Playback", "Playback" },
        { playback_screen::CenterMode::capture, "Capture", "Capture" },
    } };
    static_assert(enumTableIsDense(cases));
};
