#pragma once

// How the lines of a frame are scanned. Scans are often optional: an input whose scan has not been
// reported has none.

#include "settings/StringEnum.h"

namespace settings {

enum class ProjectScanMode { progressive, interlaced, psf };

template <> struct EnumTable<ProjectScanMode> {
    static constexpr std::array<EnumCase<ProjectScanMode>, 3> cases { {
        { ProjectScanMode::progressive, "progressive", "Progressive" },
        { ProjectScanMode::interlaced, "interlaced", "Interlaced" },
        { ProjectScanMode::psf, "psf", "PsF" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
