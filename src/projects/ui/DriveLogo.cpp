#include "projects/ui/DriveLogo.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>

namespace projects_ui {

namespace {

QColor rgb(double r, double g, double b)
{
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}

QPainterPath barPath(const DriveLogo::Bar& bar, QPointF centre)
{
    QPainterPath shape;
    const QRectF rect(QPointF(-bar.size.width() / 2, -bar.size.height() / 2), bar.size);
    shape.addRoundedRect(rect, bar.cornerRadius, bar.cornerRadius);
    QTransform transform;
    transform.translate(centre.x() + bar.offset.x(), centre.y() + bar.offset.y());
    transform.rotate(bar.rotation);
    return transform.map(shape);
}

} // namespace

DriveLogo::DriveLogo(double size, QWidget* parent)
    : QWidget(parent)
    , size_(size)
{
    setObjectName(QStringLiteral("driveLogo"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const int edge = static_cast<int>(std::ceil(size));
    setFixedSize(edge, edge);
}

std::array<DriveLogo::Bar, 3> DriveLogo::bars(double size)
{
    const double radius = 0.12 * size;
    const double height = 0.2 * size;
    return { {
        { rgb(0.13, 0.67, 0.35), QSizeF(0.68 * size, height), -60.0, QPointF(-0.12 * size, 0.05 * size), radius },
        { rgb(0.16, 0.55, 0.95), QSizeF(0.68 * size, height), 60.0, QPointF(0.12 * size, 0.05 * size), radius },
        { rgb(0.95, 0.76, 0.16), QSizeF(0.78 * size, height), 0.0, QPointF(0.0, -0.2 * size), radius },
    } };
}

QSize DriveLogo::sizeHint() const
{
    return size();
}

void DriveLogo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size_ / 2.0, size_ / 2.0);
    const auto parts = bars(size_);
    QPainterPath silhouette;
    for (const Bar& bar : parts)
        silhouette = silhouette.united(barPath(bar, centre));
    QColor shadow(Qt::black);
    shadow.setAlphaF(0.2f);
    shadow_.paint(painter, silhouette, shadow, 1.0, QPointF(0, 1));
    for (const Bar& bar : parts)
        painter.fillPath(barPath(bar, centre), bar.color);
}

} // namespace projects_ui
