#pragma once

// A label whose text colour is a theme colour, so it follows every switch of appearance.
//
// Main thread only.

#include "ui/AppTheme.h"

#include <QLabel>

namespace record_screen {

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

} // namespace record_screen
