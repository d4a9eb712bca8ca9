#include "ui/RecordPillButtonStyle.h"

#include "ui/ShapeShadow.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace ui {

QFont RecordPillButtonStyle::labelFont() const
{
    // The label brings its own font; this is the body text it falls back to.
    return AppTheme::systemFont(13);
}

QMarginsF RecordPillButtonStyle::outerMargins() const
{
    const double reach = std::ceil(ShapeShadow::reach(glowRadius));
    return QMarginsF(reach, reach, reach, reach + glowOffsetY);
}

void RecordPillButtonStyle::paintBackground(QPainter& painter, const QRectF& pill, ShapeShadow& shadow) const
{
    const double radius = pill.height() / 2.0;
    QPainterPath capsule;
    capsule.addRoundedRect(pill, radius, radius);
    shadow.paint(painter, capsule, tint.opacity(glowOpacity).color(), glowRadius, QPointF(0, glowOffsetY));
    painter.fillPath(capsule, tint.color());
}

} // namespace ui
