#pragma once

// Moves one number from where it is to a target over a duration on an easing curve, reporting each
// step. With the theme's animations off, the target is reached at once.

#include <QEasingCurve>
#include <QObject>

#include <functional>

class QVariantAnimation;

namespace ui {

class ValueAnimator final : public QObject {
    Q_OBJECT
public:
    // The platform's standard curves.
    static QEasingCurve easeIn();
    static QEasingCurve easeOut();
    static QEasingCurve easeInOut();

    ValueAnimator(double initial, std::function<void(double)> onStep, QObject* parent);

    void animateTo(double target, double seconds, const QEasingCurve& curve);
    // Jumps without animating.
    void setValue(double value);

    double value() const { return value_; }
    double target() const { return target_; }
    bool isRunning() const;

private:
    void step(double value);

    double value_;
    double target_;
    std::function<void(double)> onStep_;
    QVariantAnimation* animation_;
};

} // namespace ui
