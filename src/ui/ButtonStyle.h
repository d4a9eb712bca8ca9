#pragma once

// How a styled button draws itself around its label: the label's default font and colour, the
// padding, what lies behind the label (fill, shadow) and over it (outline), and the look while
// pressed. Styles are small values; a button keeps its own copy.

#include "ui/AppTheme.h"

#include <QMarginsF>

#include <memory>

class QPainter;
class QRectF;

namespace ui {

class ShapeShadow;

class ButtonStyle {
public:
    virtual ~ButtonStyle() = default;

    virtual std::unique_ptr<ButtonStyle> clone() const = 0;

    virtual QFont labelFont() const = 0;
    virtual QMarginsF padding() const = 0;
    virtual QColor foreground() const = 0;
    // Room the style draws in beyond the pill (a shadow); part of the button's size.
    virtual QMarginsF outerMargins() const { return {}; }
    virtual void paintBackground(QPainter& painter, const QRectF& pill, ShapeShadow& shadow) const = 0;
    virtual void paintOverlay(QPainter&, const QRectF&) const { }

    virtual double pressedOpacity() const = 0;
    virtual double pressedScale() const = 0;
    // Seconds the change of pressed state takes (ease-out).
    virtual double pressAnimationDuration() const { return 0.08; }
};

} // namespace ui
