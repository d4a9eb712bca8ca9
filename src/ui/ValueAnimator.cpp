#include "ui/ValueAnimator.h"

#include "ui/AppTheme.h"

#include <QVariantAnimation>

namespace ui {

namespace {

QEasingCurve bezier(QPointF c1, QPointF c2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return curve;
}

} // namespace

QEasingCurve ValueAnimator::easeIn()
{
    return bezier(QPointF(0.42, 0), QPointF(1, 1));
}

QEasingCurve ValueAnimator::easeOut()
{
    return bezier(QPointF(0, 0), QPointF(0.58, 1));
}

QEasingCurve ValueAnimator::easeInOut()
{
    return bezier(QPointF(0.42, 0), QPointF(0.58, 1));
}

ValueAnimator::ValueAnimator(double initial, std::function<void(double)> onStep, QObject* parent)
    : QObject(parent)
    , value_(initial)
    , target_(initial)
    , onStep_(std::move(onStep))
    , animation_(new QVariantAnimation(this))
{
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { step(v.toDouble()); });
}

void ValueAnimator::animateTo(double target, double seconds, const QEasingCurve& curve)
{
    target_ = target;
    animation_->stop();
    if (!AppTheme::animationsEnabled() || seconds <= 0 || value_ == target) {
        step(target);
        return;
    }
    animation_->setStartValue(value_);
    animation_->setEndValue(target);
    animation_->setDuration(static_cast<int>(seconds * 1000.0 + 0.5));
    animation_->setEasingCurve(curve);
    animation_->start();
}

void ValueAnimator::setValue(double value)
{
    animation_->stop();
    target_ = value;
    step(value);
}

bool ValueAnimator::isRunning() const
{
    return animation_->state() == QAbstractAnimation::Running;
}

void ValueAnimator::step(double value)
{
    value_ = value;
    if (onStep_)
        onStep_(value);
}

} // namespace ui
