#pragma once

// Colour space that the inputs of a project are expected to carry.

#include "settings/StringEnum.h"

namespace settings {

enum class ProjectColorSpace { rec709, rec2020, p3d65 };

template <> struct EnumTable<ProjectColorSpace> {
    static constexpr std::array<EnumCase<ProjectColorSpace>, 3> cases { {
        { ProjectColorSpace::rec709, "rec709", "Rec.709" },
        { ProjectColorSpace::rec2020, "rec2020", "Rec.2020" },
        { ProjectColorSpace::p3d65, "p3d65", "P3-D65" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
