#include "record_screen/ThemedLabel.h"

namespace record_screen {

ThemedLabel::ThemedLabel(const QString& text, const QFont& font, ui::ThemeColor color, QWidget* parent)
    : QLabel(text, parent)
    , color_(color)
{
    setFont(font);
    applyColor();
    connect(ui::AppTheme::notifier(), &ui::ThemeNotifier::appearanceChanged, this, &ThemedLabel::applyColor);
}

void ThemedLabel::setColor(ui::ThemeColor color)
{
    color_ = color;
    applyColor();
}

void ThemedLabel::applyColor()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color_.color());
    palette.setColor(QPalette::Text, color_.color());
    setPalette(palette);
}

} // namespace record_screen
