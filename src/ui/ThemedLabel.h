#pragma once

// A label in a theme colour that follows appearance switches. Text is always shown as plain text:
// names, paths and status lines come from data and must never be read as markup.
//
// Main thread only.

#include "ui/AppTheme.h"

#include <QLabel>

namespace ui {

class ThemedLabel final : public QLabel {
    Q_OBJECT
public:
    ThemedLabel(const QString& text, const QFont& font, ui::ThemeColor color, QWidget* parent = nullptr);

    ui::ThemeColor color() const { return color_; }
    void setColor(ui::ThemeColor color);

private:
    void applyColor();

    ui::ThemeColor color_;
};

} // namespace ui
