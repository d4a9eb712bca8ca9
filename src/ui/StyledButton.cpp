#include "ui/StyledButton.h"

#include "ui/ValueAnimator.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace ui {

StyledButton::StyledButton(ButtonLabel label, const ButtonStyle& style, QWidget* parent)
    : QAbstractButton(parent)
    , label_(std::move(label))
    , style_(style.clone())
    , press_(new ValueAnimator(
          0.0, [this](double) { update(); }, this))
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setText(label_.text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::pressed, this,
        [this] { press_->animateTo(1.0, style_->pressAnimationDuration(), ValueAnimator::easeOut()); });
    connect(this, &QAbstractButton::released, this,
        [this] { press_->animateTo(0.0, style_->pressAnimationDuration(), ValueAnimator::easeOut()); });
}

StyledButton::~StyledButton() = default;

void StyledButton::setLabel(ButtonLabel label)
{
    if (label == label_)
        return;
    label_ = std::move(label);
    setText(label_.text);
    relayout();
}

void StyledButton::setButtonStyle(const ButtonStyle& style)
{
    style_ = style.clone();
    relayout();
}

void StyledButton::relayout()
{
    updateGeometry();
    update();
}

double StyledButton::pressProgress() const
{
    return press_->value();
}

double StyledButton::currentOpacity() const
{
    const double pressed = 1.0 + (style_->pressedOpacity() - 1.0) * press_->value();
    return pressed * (isEnabled() ? 1.0 : disabledOpacity);
}

double StyledButton::currentScale() const
{
    return 1.0 + (style_->pressedScale() - 1.0) * press_->value();
}

QSize StyledButton::sizeHint() const
{
    const QSizeF labelSize = label_.sizeFor(style_->labelFont());
    const QMarginsF padding = style_->padding();
    const QMarginsF outer = style_->outerMargins();
    const double width = labelSize.width() + padding.left() + padding.right() + outer.left() + outer.right();
    const double height = labelSize.height() + padding.top() + padding.bottom() + outer.top() + outer.bottom();
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height)));
}

QRectF StyledButton::pillRect() const
{
    return QRectF(rect()).marginsRemoved(style_->outerMargins());
}

void StyledButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        // A button disabled while held would otherwise stay drawn pressed.
        if (!isEnabled())
            press_->setValue(0.0);
        update();
    }
    QAbstractButton::changeEvent(event);
}

void StyledButton::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
}

void StyledButton::keyReleaseEvent(QKeyEvent* event)
{
    event->ignore();
}

void StyledButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF pill = pillRect();
    const double scale = currentScale();
    painter.translate(pill.center());
    painter.scale(scale, scale);
    painter.translate(-pill.center());
    painter.setOpacity(currentOpacity());

    style_->paintBackground(painter, pill, shadow_);
    label_.paint(painter, pill.marginsRemoved(style_->padding()), style_->labelFont(), style_->foreground());
    style_->paintOverlay(painter, pill);
}

} // namespace ui
