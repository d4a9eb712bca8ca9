#pragma once

// How the lines of a frame are scanned. Scans are often optional: an input whose scan has not been
// reported has none.

#include "settings/StringEnum.h"

namespace settings {

enum class ProjectScanMode { progressive, interlaced, psf };

template <> struct EnumTable<ProjectScanMode> {
    static constexpr std::array<EnumCase<ProjectScanMode>, 3> cases { {
        // No screen shows a scan by name: no display names.
        { ProjectScanMode::progressive, "progressive", nullptr },
        { ProjectScanMode::interlaced, "interlaced", nullptr },
        { ProjectScanMode::psf, "psf", nullptr },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
