#include "ui/SwitchButton.h"

#include "ui/ValueAnimator.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace ui {

SwitchButton::SwitchButton(const QString& label, const QFont& font, ThemeColor labelColor, QWidget* parent)
    : QAbstractButton(parent)
    , labelColor_(labelColor)
    , knob_(new ValueAnimator(
          0.0, [this](double) { update(); }, this))
{
    setText(label);
    setFont(font);
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::toggled, this,
        [this](bool on) { knob_->animateTo(on ? 1.0 : 0.0, 0.15, ValueAnimator::easeInOut()); });
}

double SwitchButton::knobPosition() const
{
    return knob_->value();
}

QRectF SwitchButton::trackRect() const
{
    const double left = text().isEmpty() ? 0.0 : QFontMetricsF(font()).horizontalAdvance(text()) + labelSpacing;
    return { left, (height() - trackHeight) / 2, trackWidth, trackHeight };
}

QSize SwitchButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const double label = text().isEmpty() ? 0.0 : metrics.horizontalAdvance(text()) + labelSpacing;
    return { static_cast<int>(std::ceil(label + trackWidth)),
        static_cast<int>(std::ceil(std::max(trackHeight, metrics.height()))) };
}

bool SwitchButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF track = trackRect();
    if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(labelColor_.color());
        painter.drawText(QRectF(0, 0, track.left() - labelSpacing, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
    const double t = knob_->value();
    QPainterPath capsule;
    capsule.addRoundedRect(track, track.height() / 2, track.height() / 2);
    painter.fillPath(
        capsule, AppTheme::mix(AppTheme::textSecondary.opacity(0.35).color(), AppTheme::accent.color(), t));
    const double knob = track.height() - 4;
    const QRectF knobRect(track.left() + 2 + t * (track.width() - knob - 4), track.top() + 2, knob, knob);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);
}

} // namespace ui
