#include "playback_screen/StatusBadge.h"

#include "ui/AppTheme.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace playback_screen {

namespace {

// The platform's ease-in-ease-out curve.
const QEasingCurve& easeInOut()
{
    static const QEasingCurve curve = [] {
        QEasingCurve c(QEasingCurve::BezierSpline);
        c.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
        return c;
    }();
    return curve;
}

} // namespace

StatusBadge::Status StatusBadge::statusFor(bool isRecording, bool isCapturing)
{
    if (isRecording)
        return Status::rec;
    return isCapturing ? Status::live : Status::idle;
}

QString StatusBadge::label(Status status)
{
    switch (status) {
    case Status::rec:
        return QStringLiteral("REC");
    case Status::live:
        return QStringLiteral("LIVE");
    case Status::idle:
        break;
    }
    return QStringLiteral("IDLE");
}

QColor StatusBadge::dotColor(Status status)
{
    switch (status) {
    case Status::rec:
        return ui::ThemeColor(ui::ColorRole::systemRed).color();
    case Status::live:
        return QColor::fromRgbF(0.2f, 0.85f, 0.4f);
    case Status::idle:
        break;
    }
    return Qt::transparent;
}

QColor StatusBadge::background(Status status)
{
    switch (status) {
    case Status::rec:
        return ui::ThemeColor(ui::ColorRole::systemRed).opacity(0.88).color();
    case Status::live:
        return QColor::fromRgbF(0.1f, 0.72f, 0.3f, 0.85f);
    case Status::idle:
        break;
    }
    return QColor::fromRgbF(0, 0, 0, 0.45f);
}

double StatusBadge::pulsePeriod(Status status)
{
    switch (status) {
    case Status::rec:
        return 0.6;
    case Status::live:
        return 1.1;
    case Status::idle:
        break;
    }
    return 0;
}

double StatusBadge::pulseOpacity(double elapsed, double period)
{
    if (!(period > 0) || !std::isfinite(elapsed) || elapsed <= 0)
        return 1.0;
    const double phase = std::fmod(elapsed, 2 * period);
    const bool fading = phase < period;
    const double progress = easeInOut().valueForProgress(fading ? phase / period : phase / period - 1);
    const double depth = 1.0 - dimOpacity;
    return fading ? 1.0 - depth * progress : dimOpacity + depth * progress;
}

QFont StatusBadge::labelFont()
{
    return ui::AppTheme::systemFont(10, QFont::Bold);
}

QSizeF StatusBadge::size() const
{
    const QFontMetricsF metrics(labelFont());
    double width = metrics.horizontalAdvance(label(status));
    if (status != Status::idle)
        width += dotSize + spacing;
    return { width + 2 * padX, metrics.height() + 2 * padY };
}

QRectF StatusBadge::dotRect(const QRectF& rect) const
{
    if (status == Status::idle)
        return {};
    return { rect.left() + padX, rect.center().y() - dotSize / 2, dotSize, dotSize };
}

void StatusBadge::paint(QPainter& painter, const QRectF& rect, double dotOpacity) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    capsule.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    painter.fillPath(capsule, background(status));
    QRectF text = rect.adjusted(padX, 0, -padX, 0);
    if (status != Status::idle) {
        QColor dot = dotColor(status);
        dot.setAlphaF(static_cast<float>(dot.alphaF() * dotOpacity));
        painter.setPen(Qt::NoPen);
        painter.setBrush(dot);
        painter.drawEllipse(dotRect(rect));
        text.setLeft(text.left() + dotSize + spacing);
    }
    painter.setFont(labelFont());
    painter.setPen(Qt::white);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, label(status));
    painter.restore();
}

} // namespace playback_screen
