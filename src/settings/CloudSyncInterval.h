#pragma once

// Period of automatic cloud sync.

#include "settings/StringEnum.h"

namespace settings {

enum class CloudSyncInterval { manual, minutes15, minutes30, hourly };

template <> struct EnumTable<CloudSyncInterval> {
    static constexpr std::array<EnumCase<CloudSyncInterval>, 4> cases { {
        { CloudSyncInterval::manual, "manual", "Manual" },
        { CloudSyncInterval::minutes15, "minutes15", "Every 15 min" },
        { CloudSyncInterval::minutes30, "minutes30", "Every 30 min" },
        { CloudSyncInterval::hourly, "hourly", "Every 60 min" },
    } };
    static_assert(enumTableIsDense(cases));
};

// Timer period; none means sync only on request.
constexpr std::optional<double> seconds(CloudSyncInterval interval)
{
    switch (interval) {
    case CloudSyncInterval::manual:
        return std::nullopt;
    case CloudSyncInterval::minutes15:
        return 900.0;
    case CloudSyncInterval::minutes30:
        return 1800.0;
    case CloudSyncInterval::hourly:
        return 3600.0;
    }
    return std::nullopt;
}

} // namespace settings
