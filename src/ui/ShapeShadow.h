#pragma once

// The soft shadow of a shape: its silhouette in one colour, blurred, drawn under the shape. The
// blurred image is kept and made again only when the shape, colour, radius or pixel ratio change,
// so a control that repaints often pays for the blur once.

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>

class QPainter;

namespace ui {

class ShapeShadow {
public:
    // Draws the shadow of `shape` (in the painter's coordinates) moved by `offset`; `blurRadius` is
    // the spread of the blur in points.
    void paint(QPainter& painter, const QPainterPath& shape, const QColor& color, double blurRadius, QPointF offset);

    // How far a shadow reaches beyond its shape.
    static double reach(double blurRadius) { return blurRadius * 1.5 + 1.0; }

private:
    void render(const QPainterPath& shape, const QColor& color, double blurRadius, double dpr);

    QPainterPath shape_;
    QColor color_;
    double blurRadius_ = -1.0;
    double dpr_ = 0.0;
    QImage image_;
    QPointF origin_;
};

} // namespace ui
