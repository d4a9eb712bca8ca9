#pragma once

// Source of the timecode written for takes.

#include "settings/StringEnum.h"

namespace settings {

enum class TimecodeMode { recordRunInt, timeOfDayInt, externalExt };

template <> struct EnumTable<TimecodeMode> {
    static constexpr std::array<EnumCase<TimecodeMode>, 3> cases { {
        { TimecodeMode::recordRunInt, "recordRunInt", "Record Run (Int)" },
        { TimecodeMode::timeOfDayInt, "timeOfDayInt", "Time of Day (Int)" },
        { TimecodeMode::externalExt, "externalExt", "External (Ext)" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
