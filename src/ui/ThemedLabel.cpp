#include "ui/ThemedLabel.h"

namespace ui {

ThemedLabel::ThemedLabel(const QString& text, const QFont& font, ui::ThemeColor color, QWidget* parent)
    : QLabel(parent)
    , color_(color)
{
    setTextFormat(Qt::PlainText);
    setText(text);
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

} // namespace ui
