#pragma once

// Where a project lives: only on this machine, or also in the operator's Google Drive.

#include "settings/StringEnum.h"

namespace projects {

enum class ProjectStorageType { local, cloud };

} // namespace projects

namespace settings {

template <> struct EnumTable<projects::ProjectStorageType> {
    static constexpr std::array<EnumCase<projects::ProjectStorageType>, 2> cases { {
        { projects::ProjectStorageType::local, "local", "Local" },
        { projects::ProjectStorageType::cloud, "cloud", "Cloud Sync" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
