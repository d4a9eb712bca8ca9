#pragma once

// The application's appearance: follow the desktop, or force light or dark.

#include "settings/StringEnum.h"

namespace settings {

enum class AppearanceMode { system, light, dark };

template <> struct EnumTable<AppearanceMode> {
    static constexpr std::array<EnumCase<AppearanceMode>, 3> cases { {
        { AppearanceMode::system, "system", "System" },
        { AppearanceMode::light, "light", "Light" },
        { AppearanceMode::dark, "dark", "Dark" },
    } };
    static_assert(enumTableIsDense(cases));
};

// The named appearance a mode forces ("NSAppearanceNameAqua" for light, "NSAppearanceNameDarkAqua"
// for dark); none means the application follows the desktop. The theme turns the name into a
// palette.
inline std::optional<QString> forcedAppearanceName(AppearanceMode mode)
{
    switch (mode) {
    case AppearanceMode::system:
        return std::nullopt;
    case AppearanceMode::light:
        return QStringLiteral("NSAppearanceNameAqua");
    case AppearanceMode::dark:
        return QStringLiteral("NSAppearanceNameDarkAqua");
    }
    return std::nullopt;
}

} // namespace settings
