#include "projects/ui/TextStyle.h"

#include "ui/AppTheme.h"

namespace projects_ui {

QFont TextStyle::title2()
{
    return ui::AppTheme::systemFont(17, QFont::Bold);
}

QFont TextStyle::title3()
{
    return ui::AppTheme::systemFont(15, QFont::Bold);
}

QFont TextStyle::headline()
{
    return ui::AppTheme::systemFont(13, QFont::DemiBold);
}

QFont TextStyle::body()
{
    return ui::AppTheme::systemFont(13);
}

QFont TextStyle::callout()
{
    return ui::AppTheme::systemFont(12);
}

QFont TextStyle::caption()
{
    return ui::AppTheme::systemFont(10);
}

QFont TextStyle::caption2()
{
    QFont font = ui::AppTheme::systemFont(10);
    font.setLetterSpacing(QFont::PercentageSpacing, 97);
    return font;
}

} // namespace projects_ui
