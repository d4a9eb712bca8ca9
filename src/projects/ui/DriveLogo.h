#pragma once

// The small drawn Google Drive mark: three rounded bars (green, blue, yellow) crossed into a
// triangle, in a square of `size` points, with a faint shadow. Decoration only.

#include "ui/ShapeShadow.h"

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <QWidget>

#include <array>

namespace projects_ui {

class DriveLogo final : public QWidget {
    Q_OBJECT
public:
    // One bar: its size, the turn about its own centre (degrees, clockwise positive on a screen
    // whose y axis points down) and where its centre lies relative to the square's centre.
    struct Bar {
        QColor color;
        QSizeF size;
        double rotation;
        QPointF offset;
        double cornerRadius;
    };

    explicit DriveLogo(double size, QWidget* parent = nullptr);

    double logoSize() const { return size_; }
    // The bars in drawing order (the last lies on top) for a logo of `size` points.
    static std::array<Bar, 3> bars(double size);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double size_;
    ui::ShapeShadow shadow_;
};

} // namespace projects_ui
