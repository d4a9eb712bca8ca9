// How the theme meets the appearance setting.

#include "settings/AppSettings.h"
#include "settings/ui/AppTheme.h"

void AppTheme::install()
{
    // The first apply() takes the desktop's palette, which `system` restores later.
    AppSettings::setAppearanceHook([](AppearanceMode mode) { AppTheme::apply(mode); });
    apply(AppSettings::shared().appearanceMode());
}
