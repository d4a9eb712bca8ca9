#pragma once

// What a button shows: a symbol, a text, or a symbol then a text, side by side and vertically
// centred. A label may set its own font (the style's font is used otherwise), its own symbol font,
// a fixed frame for the symbol and its own colour (the style's foreground otherwise).

#include "ui/AppTheme.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPainter;

namespace ui {

struct ButtonLabel {
    QString text;
    QString icon;
    std::optional<QFont> font;
    std::optional<QFont> iconFont;
    std::optional<QSizeF> iconFrame;
    std::optional<ThemeColor> color;
    double spacing = 6.0;

    static ButtonLabel textOnly(QString text) { return ButtonLabel { std::move(text), {}, {}, {}, {}, {}, 6.0 }; }
    static ButtonLabel symbol(QString icon, std::optional<QFont> iconFont = {}, std::optional<QSizeF> frame = {})
    {
        return ButtonLabel { {}, std::move(icon), {}, std::move(iconFont), frame, {}, 6.0 };
    }
    static ButtonLabel symbolAndText(QString icon, QString text, double spacing = 6.0)
    {
        return ButtonLabel { std::move(text), std::move(icon), {}, {}, {}, {}, spacing };
    }

    // The size of the row when drawn with `styleFont` as the default font.
    QSizeF sizeFor(const QFont& styleFont) const;
    // Draws the row centred in `rect`.
    void paint(QPainter& painter, const QRectF& rect, const QFont& styleFont, const QColor& foreground) const;

    bool operator==(const ButtonLabel&) const = default;
};

} // namespace ui
