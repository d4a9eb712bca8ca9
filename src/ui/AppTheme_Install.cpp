// How the theme meets the appearance setting.

#include "settings/AppSettings.h"
#include "ui/AppTheme.h"

namespace ui {

void AppTheme::install()
{
    // The first apply() takes the desktop's palette, which `system` restores later.
    settings::AppSettings::setAppearanceHook([](settings::AppearanceMode mode) { AppTheme::apply(mode); });
    apply(settings::AppSettings::shared().appearanceMode());
}

} // namespace ui
