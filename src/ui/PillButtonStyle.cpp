#include "ui/PillButtonStyle.h"

#include <QPainter>

namespace ui {

QFont PillButtonStyle::labelFont() const
{
    return AppTheme::systemFont(compact ? 11 : 14, QFont::DemiBold);
}

QMarginsF PillButtonStyle::padding() const
{
    return compact ? QMarginsF(10, 5, 10, 5) : QMarginsF(20, 11, 20, 11);
}

QColor PillButtonStyle::foreground() const
{
    return isProminent ? QColor(Qt::white) : tint.color();
}

QColor PillButtonStyle::fillColor() const
{
    return isProminent ? tint.color() : tint.opacity(0.18).color();
}

QColor PillButtonStyle::outlineColor() const
{
    return tint.opacity(isProminent ? 0.0 : 0.45).color();
}

void PillButtonStyle::paintBackground(QPainter& painter, const QRectF& pill, ShapeShadow&) const
{
    const double radius = pill.height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor());
    painter.drawRoundedRect(pill, radius, radius);
}

void PillButtonStyle::paintOverlay(QPainter& painter, const QRectF& pill) const
{
    const QColor outline = outlineColor();
    if (outline.alpha() == 0)
        return;
    const double inset = outlineWidth / 2.0;
    const QRectF edge = pill.adjusted(inset, inset, -inset, -inset);
    painter.setPen(QPen(outline, outlineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(edge, edge.height() / 2.0, edge.height() / 2.0);
}

} // namespace ui
