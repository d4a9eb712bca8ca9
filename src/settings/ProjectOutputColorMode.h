#pragma once

// Colour mode of a project's program output: two SDR modes, then three HDR modes.
// Note "p3D65PQ" here against "p3d65" for the colour space: both are stored as they stand.

#include "settings/StringEnum.h"

namespace settings {

enum class ProjectOutputColorMode { rec709, rec2020, rec2020PQ, rec2020HLG, p3D65PQ };

template <> struct EnumTable<ProjectOutputColorMode> {
    static constexpr std::array<EnumCase<ProjectOutputColorMode>, 5> cases { {
        { ProjectOutputColorMode::rec709, "rec709", "Rec.709 (SDR)" },
        { ProjectOutputColorMode::rec2020, "rec2020", "Rec.2020 (SDR)" },
        { ProjectOutputColorMode::rec2020PQ, "rec2020PQ", "Rec.2020 + PQ (HDR)" },
        { ProjectOutputColorMode::rec2020HLG, "rec2020HLG", "Rec.2020 + HLG (HDR)" },
        { ProjectOutputColorMode::p3D65PQ, "p3D65PQ", "P3-D65 ST2084 (HDR)" },
    } };
    static_assert(enumTableIsDense(cases));
};

// The three modes that carry HDR mastering metadata.
constexpr bool isHDR(ProjectOutputColorMode mode)
{
    return mode == ProjectOutputColorMode::rec2020PQ || mode == ProjectOutputColorMode::rec2020HLG
        || mode == ProjectOutputColorMode::p3D65PQ;
}

} // namespace settings
