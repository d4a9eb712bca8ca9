#include "ui/HoverTooltip.h"

#include "ui/AppTheme.h"
#include "ui/HoverTooltipModifier.h"
#include "ui/ShapeShadow.h"
#include "ui/ValueAnimator.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr QMarginsF bubblePadding(9, 5, 9, 5);

QFont bubbleFont()
{
    return AppTheme::systemFont(TooltipBubble::fontSize, QFont::Medium);
}

QPainterPath bodyShape(const QRectF& body)
{
    QPainterPath path;
    path.addRoundedRect(body, TooltipBubble::cornerRadius, TooltipBubble::cornerRadius);
    return path;
}

} // namespace

TooltipBubble::TooltipBubble(QWidget* window)
    : QWidget(window)
{
    setObjectName(QStringLiteral("hoverTooltipBubble"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    const double reach = std::ceil(ShapeShadow::reach(shadowRadius));
    shadowRoom_ = QMarginsF(reach, reach - shadowOffsetY, reach, reach);
    hide();
}

void TooltipBubble::setText(const QString& text)
{
    text_ = text;
    update();
}

QSizeF TooltipBubble::bodySize() const
{
    const QFontMetricsF metrics(bubbleFont());
    return QSizeF(std::ceil(metrics.horizontalAdvance(text_)) + bubblePadding.left() + bubblePadding.right(),
        std::ceil(metrics.height()) + bubblePadding.top() + bubblePadding.bottom());
}

QRectF TooltipBubble::bodyRect() const
{
    return QRectF(QPointF(shadowRoom_.left(), shadowRoom_.top()), bodySize());
}

void TooltipBubble::placeOver(const QRect& hostRect)
{
    const QSizeF body = bodySize();
    double left = hostRect.left() + hostRect.width() / 2.0 - body.width() / 2.0;
    double top = hostRect.top() - liftAboveHost;
    // The window clips its children: a host near the window's top edge gets its bubble the same
    // distance below it instead, and the bubble is kept within the window's width.
    placedBelow_ = top < 0;
    if (placedBelow_)
        top = hostRect.bottom() + 1 + (liftAboveHost - body.height());
    if (const QWidget* window = parentWidget())
        left = std::clamp(left, 0.0, std::max(0.0, window->width() - body.width()));
    const QRectF frame(left - shadowRoom_.left(), top - shadowRoom_.top(),
        body.width() + shadowRoom_.left() + shadowRoom_.right(),
        body.height() + shadowRoom_.top() + shadowRoom_.bottom());
    setGeometry(frame.toAlignedRect());
    raise();
}

void TooltipBubble::setPresence(double presence)
{
    presence_ = presence;
    update();
}

QColor TooltipBubble::textColor() const
{
    // The label colour of the appearance: dark on the light bubble, light on the dark one.
    return AppTheme::textPrimary.color();
}

QColor TooltipBubble::fillColor() const
{
    return AppTheme::surface.opacity(0.96).color();
}

QColor TooltipBubble::outlineColor() const
{
    return ThemeColor(ColorRole::separator).opacity(0.5).color();
}

void TooltipBubble::paintEvent(QPaintEvent*)
{
    if (presence_ <= 0.0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF body = bodyRect();
    const double scale = 0.92 + 0.08 * presence_;
    const QPointF anchor(body.center().x(), placedBelow_ ? body.top() : body.bottom());
    painter.translate(anchor);
    painter.scale(scale, scale);
    painter.translate(-anchor);
    painter.setOpacity(presence_);

    QColor shadowColor(Qt::black);
    shadowColor.setAlphaF(static_cast<float>(shadowOpacity));
    const QPainterPath shape = bodyShape(body);
    shadow_.paint(painter, shape, shadowColor, shadowRadius, QPointF(0, shadowOffsetY));
    painter.fillPath(shape, fillColor());
    const QRectF edge = body.adjusted(0.25, 0.25, -0.25, -0.25);
    painter.setPen(QPen(outlineColor(), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(edge, cornerRadius, cornerRadius);
    painter.setFont(bubbleFont());
    painter.setPen(textColor());
    painter.drawText(body.marginsRemoved(bubblePadding), Qt::AlignCenter | Qt::TextSingleLine, text_);
}

HoverTooltipModifier::HoverTooltipModifier(QWidget* host, QString label, double delay, platform::Scheduler& scheduler)
    : QObject(host)
    , host_(host)
    , label_(std::move(label))
    , delay_(delay)
    , scheduler_(scheduler)
    , presence_(new ValueAnimator(
          0.0,
          [this](double value) {
              if (!bubble_)
                  return;
              bubble_->setPresence(value);
              if (value <= 0.0 && !showTooltip_)
                  bubble_->hide();
          },
          this))
{
    setObjectName(QStringLiteral("hoverTooltip"));
    host->setAttribute(Qt::WA_Hover);
    host->installEventFilter(this);
}

HoverTooltipModifier::~HoverTooltipModifier()
{
    cancelWorkItem();
    delete bubble_.data();
}

HoverTooltipModifier* HoverTooltipModifier::of(QWidget* host)
{
    return host ? host->findChild<HoverTooltipModifier*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void HoverTooltipModifier::setLabel(const QString& label)
{
    label_ = label;
    if (bubble_) {
        bubble_->setText(label);
        if (showTooltip_)
            bubble_->placeOver(QRect(host_->mapTo(host_->window(), QPoint(0, 0)), host_->size()));
    }
}

bool HoverTooltipModifier::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == host_) {
        switch (event->type()) {
        case QEvent::Enter:
            pointerEntered();
            break;
        case QEvent::Leave:
        case QEvent::Hide:
            pointerExited();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void HoverTooltipModifier::cancelWorkItem()
{
    if (workItem_)
        scheduler_.cancel(*workItem_);
}

void HoverTooltipModifier::pointerEntered()
{
    cancelWorkItem();
    QPointer<HoverTooltipModifier> guard(this);
    workItem_ = scheduler_.once(delay_, [guard] {
        if (guard)
            guard->setShowTooltip(true);
    });
}

void HoverTooltipModifier::pointerExited()
{
    cancelWorkItem();
    setShowTooltip(false);
}

void HoverTooltipModifier::setShowTooltip(bool show)
{
    showTooltip_ = show;
    if (show) {
        QWidget* window = host_->window();
        if (!bubble_ || bubble_->parentWidget() != window) {
            delete bubble_.data();
            bubble_ = new TooltipBubble(window);
        }
        bubble_->setText(label_);
        bubble_->placeOver(QRect(host_->mapTo(window, QPoint(0, 0)), host_->size()));
        bubble_->show();
        presence_->animateTo(1.0, showDuration, ValueAnimator::easeIn());
    } else {
        presence_->animateTo(0.0, hideDuration, ValueAnimator::easeOut());
    }
}

HoverTooltipModifier* hoverTooltip(QWidget* host, const QString& label, double delay, platform::Scheduler& scheduler)
{
    if (auto* existing = HoverTooltipModifier::of(host)) {
        existing->setLabel(label);
        existing->setDelay(delay);
        return existing;
    }
    return new HoverTooltipModifier(host, label, delay, scheduler);
}

} // namespace ui
