#include "ui/ShapeShadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ui {

namespace {

// One pass of a box blur along rows (stride 1) or columns (stride = width) of an 8-bit plane.
void boxBlur(std::vector<std::uint8_t>& plane, int width, int height, int radius, bool alongRows)
{
    if (radius < 1)
        return;
    const int lines = alongRows ? height : width;
    const int length = alongRows ? width : height;
    const int step = alongRows ? 1 : width;
    const int window = 2 * radius + 1;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(length));
    for (int l = 0; l < lines; ++l) {
        std::uint8_t* base = plane.data() + (alongRows ? static_cast<std::ptrdiff_t>(l) * width : l);
        for (int i = 0; i < length; ++i)
            line[static_cast<std::size_t>(i)] = base[static_cast<std::ptrdiff_t>(i) * step];
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? line[static_cast<std::size_t>(i)] : 0;
        for (int i = 0; i < length; ++i) {
            base[static_cast<std::ptrdiff_t>(i) * step] = static_cast<std::uint8_t>(sum / window);
            const int out = i - radius;
            const int in = i + radius + 1;
            if (out >= 0)
                sum -= line[static_cast<std::size_t>(out)];
            if (in < length)
                sum += line[static_cast<std::size_t>(in)];
        }
    }
}

} // namespace

void ShapeShadow::render(const QPainterPath& shape, const QColor& color, double blurRadius, double dpr)
{
    shape_ = shape;
    color_ = color;
    blurRadius_ = blurRadius;
    dpr_ = dpr;

    const double margin = reach(blurRadius);
    const QRectF area = shape.boundingRect().adjusted(-margin, -margin, margin, margin);
    const int width = std::max(1, static_cast<int>(std::ceil(area.width() * dpr)));
    const int height = std::max(1, static_cast<int>(std::ceil(area.height() * dpr)));

    QImage mask(width, height, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        p.translate(-area.topLeft());
        p.fillPath(shape, Qt::black);
    }
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::copy_n(mask.constScanLine(y), width, plane.begin() + static_cast<std::ptrdiff_t>(y) * width);
    // Three box passes approach a Gaussian whose spread is about the radius.
    const int box = std::max(1, static_cast<int>(std::lround(blurRadius * dpr / 2.0)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(plane, width, height, box, true);
        boxBlur(plane, width, height, box, false);
    }
    image_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    const double alpha = color.alphaF();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = static_cast<int>(plane[static_cast<std::size_t>(y) * width + x] * alpha + 0.5);
            row[x] = qPremultiply(qRgba(color.red(), color.green(), color.blue(), a));
        }
    }
    image_.setDevicePixelRatio(dpr);
    origin_ = area.topLeft();
}

void ShapeShadow::paint(
    QPainter& painter, const QPainterPath& shape, const QColor& color, double blurRadius, QPointF offset)
{
    if (color.alpha() == 0 || shape.isEmpty())
        return;
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (shape != shape_ || color != color_ || blurRadius != blurRadius_ || dpr != dpr_)
        render(shape, color, blurRadius, dpr);
    painter.drawImage(origin_ + offset, image_);
}

} // namespace ui
