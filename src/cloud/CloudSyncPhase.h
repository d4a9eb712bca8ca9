#pragma once

// Phase of a cloud list refresh or sync pass, with the title the status card shows.

#include "settings/StringEnum.h"

namespace cloud {

enum class CloudSyncPhase { idle, refreshing, downloading, uploading, complete, partial, failed };

} // namespace cloud

template <> struct settings::EnumTable<cloud::CloudSyncPhase> {
    static constexpr std::array<EnumCase<cloud::CloudSyncPhase>, 7> cases { {
        { cloud::CloudSyncPhase::idle, "idle", "Idle" },
        { cloud::CloudSyncPhase::refreshing, "refreshing", "Refreshing" },
        { cloud::CloudSyncPhase::downloading, "downloading", "Downloading" },
        { cloud::CloudSyncPhase::uploading, "uploading", "Uploading" },
        { cloud::CloudSyncPhase::complete, "complete", "Complete" },
        { cloud::CloudSyncPhase::partial, "partial", "Partial" },
        { cloud::CloudSyncPhase::failed, "failed", "Failed" },
    } };
    static_assert(enumTableIsDense(cases));
};

namespace cloud {

// "Idle", "Refreshing", ... as the status card shows them.
inline QString title(CloudSyncPhase phase)
{
    return settings::displayName(phase);
}

} // namespace cloud
