#pragma once

// Frame rate written into recordings.

#include "settings/StringEnum.h"

namespace settings {

enum class RecordingFPSMode { auto_, fps24, fps25, fps30, fps50, fps60 };

template <> struct EnumTable<RecordingFPSMode> {
    static constexpr std::array<EnumCase<RecordingFPSMode>, 6> cases { {
        { RecordingFPSMode::auto_, "auto", "Auto (Source)" },
        { RecordingFPSMode::fps24, "fps24", "24" },
        { RecordingFPSMode::fps25, "fps25", "25" },
        { RecordingFPSMode::fps30, "fps30", "30" },
        { RecordingFPSMode::fps50, "fps50", "50" },
        { RecordingFPSMode::fps60, "fps60", "60" },
    } };
    static_assert(enumTableIsDense(cases));
};

// Whole frames per second; none means the rate measured from the source.
constexpr std::optional<int> fpsValue(RecordingFPSMode mode)
{
    switch (mode) {
    case RecordingFPSMode::auto_:
        return std::nullopt;
    case RecordingFPSMode::fps24:
        return 24;
    case RecordingFPSMode::fps25:
        return 25;
    case RecordingFPSMode::fps30:
        return 30;
    case RecordingFPSMode::fps50:
        return 50;
    case RecordingFPSMode::fps60:
        return 60;
    }
    return std::nullopt;
}

} // namespace settings
