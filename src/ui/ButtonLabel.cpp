#include "ui/ButtonLabel.h"

#include "ui/IconRegistry.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

struct Parts {
    QFont textFont;
    QSizeF iconSize { 0, 0 }; // the symbol's frame
    QSizeF glyphSize { 0, 0 }; // the symbol itself, centred in its frame
    QSizeF textSize { 0, 0 };
    double gap = 0;
};

Parts measure(const ButtonLabel& label, const QFont& styleFont)
{
    Parts parts;
    parts.textFont = label.font.value_or(styleFont);
    if (!label.icon.isEmpty()) {
        parts.glyphSize = IconRegistry::symbolSize(label.iconFont.value_or(parts.textFont));
        parts.iconSize = label.iconFrame.value_or(parts.glyphSize);
        parts.glyphSize = parts.glyphSize.boundedTo(parts.iconSize);
    }
    if (!label.text.isEmpty()) {
        const QFontMetricsF metrics(parts.textFont);
        parts.textSize = QSizeF(std::ceil(metrics.horizontalAdvance(label.text)), std::ceil(metrics.height()));
    }
    if (!label.icon.isEmpty() && !label.text.isEmpty())
        parts.gap = label.spacing;
    return parts;
}

} // namespace

QSizeF ButtonLabel::sizeFor(const QFont& styleFont) const
{
    const Parts parts = measure(*this, styleFont);
    return QSizeF(parts.iconSize.width() + parts.gap + parts.textSize.width(),
        std::max(parts.iconSize.height(), parts.textSize.height()));
}

void ButtonLabel::paint(QPainter& painter, const QRectF& rect, const QFont& styleFont, const QColor& foreground) const
{
    const Parts parts = measure(*this, styleFont);
    const QColor ink = color ? color->color() : foreground;
    const double width = parts.iconSize.width() + parts.gap + parts.textSize.width();
    double x = rect.center().x() - width / 2.0;
    if (!icon.isEmpty()) {
        const QSizeF glyph = parts.glyphSize;
        const QRectF frame(
            x, rect.center().y() - parts.iconSize.height() / 2.0, parts.iconSize.width(), parts.iconSize.height());
        IconRegistry::paint(
            painter, icon, QRectF(frame.center() - QPointF(glyph.width() / 2, glyph.height() / 2), glyph), ink);
        x += parts.iconSize.width() + parts.gap;
    }
    if (!text.isEmpty()) {
        painter.setFont(parts.textFont);
        painter.setPen(ink);
        const QRectF textRect(
            x, rect.center().y() - parts.textSize.height() / 2.0, parts.textSize.width() + 1, parts.textSize.height());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
}

} // namespace ui
