#pragma once

// The six transport actions a key can be bound to.

#include "settings/StringEnum.h"

namespace settings {

enum class PlayerAction { playPause, markIn, markOut, shuttleReverse, stop, shuttleForward };

template <> struct EnumTable<PlayerAction> {
    static constexpr std::array<EnumCase<PlayerAction>, 6> cases { {
        { PlayerAction::playPause, "playPause", "Play / Pause" },
        { PlayerAction::markIn, "markIn", "Mark In" },
        { PlayerAction::markOut, "markOut", "Mark Out" },
        { PlayerAction::shuttleReverse, "shuttleReverse", "Shuttle Reverse" },
        { PlayerAction::stop, "stop", "Stop" },
        { PlayerAction::shuttleForward, "shuttleForward", "Shuttle Forward" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
