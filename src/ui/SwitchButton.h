#pragma once

// A labelled on/off switch: the label on the leading side, then a capsule track whose knob slides
// to the right and fills the track with the accent colour while on. A click flips it and emits
// `clicked(bool)` (the user's write); setChecked() from the model emits `toggled` only, so a
// model update never writes back. It never takes keyboard focus.
//
// Main thread only.

#include "ui/AppTheme.h"

#include <QAbstractButton>

namespace ui {

class ValueAnimator;

class SwitchButton final : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr double trackWidth = 30;
    static constexpr double trackHeight = 17;
    static constexpr double labelSpacing = 8;

    SwitchButton(const QString& label, const QFont& font, ThemeColor labelColor, QWidget* parent = nullptr);

    // 0 off, 1 on (between while the knob moves).
    double knobPosition() const;
    QRectF trackRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    ThemeColor labelColor_;
    ValueAnimator* knob_;
};

} // namespace ui
