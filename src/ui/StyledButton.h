#pragma once

// A button drawn by a ButtonStyle (PillButtonStyle, RecordPillButtonStyle) around a ButtonLabel.
// It never takes keyboard focus, so Space keeps reaching the transport. While pressed it fades and
// shrinks about its centre as its style says; a disabled button ignores clicks and is drawn dimmed.

#include "ui/ButtonLabel.h"
#include "ui/ButtonStyle.h"
#include "ui/ShapeShadow.h"

#include <QAbstractButton>

#include <memory>

namespace ui {

class ValueAnimator;

class StyledButton final : public QAbstractButton {
    Q_OBJECT
public:
    // Opacity of the whole pill while the button is disabled.
    static constexpr double disabledOpacity = 0.45;

    StyledButton(ButtonLabel label, const ButtonStyle& style, QWidget* parent = nullptr);
    ~StyledButton() override;

    const ButtonLabel& label() const { return label_; }
    void setLabel(ButtonLabel label);
    const ButtonStyle& buttonStyle() const { return *style_; }
    void setButtonStyle(const ButtonStyle& style);

    // 0 at rest, 1 fully pressed (between while the change animates).
    double pressProgress() const;
    double currentOpacity() const;
    double currentScale() const;
    // Where the pill lies inside the widget (the rest is the style's outer margins).
    QRectF pillRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Keys are never the button's: they go on to the window (Space belongs to the transport).
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void relayout();

    ButtonLabel label_;
    std::unique_ptr<ButtonStyle> style_;
    ValueAnimator* press_;
    ShapeShadow shadow_;
};

} // namespace ui
