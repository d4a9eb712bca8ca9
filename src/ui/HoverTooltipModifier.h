#pragma once

// The machinery behind hoverTooltip() (use that function; this header is for the theme and its
// tests). Two states: hidden and shown. Entering the host cancels any pending show and schedules a
// new one after the delay; leaving cancels it and hides the bubble. The pending work item is kept
// after it has run; cancelling it then does nothing.

#include "platform/Scheduler.h"
#include "ui/ShapeShadow.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

namespace ui {

class ValueAnimator;

class TooltipBubble final : public QWidget {
    Q_OBJECT
public:
    static constexpr double fontSize = 11;
    static constexpr double cornerRadius = 7;
    static constexpr double liftAboveHost = 32;
    static constexpr double shadowOpacity = 0.35;
    static constexpr double shadowRadius = 6;
    static constexpr double shadowOffsetY = -3; // the shadow falls upwards

    explicit TooltipBubble(QWidget* window);

    QString text() const { return text_; }
    void setText(const QString& text);
    // The bubble's rounded body inside this widget (the rest is room for its shadow).
    QRectF bodyRect() const;
    // The size of the body: the text's natural size plus padding, never wrapped.
    QSizeF bodySize() const;
    // Places the body centred over `hostRect` (window coordinates), 32 above its top edge; below the
    // host when the window has no room above it, and never past the window's sides.
    void placeOver(const QRect& hostRect);
    bool isPlacedBelow() const { return placedBelow_; }

    // 0 hidden, 1 shown; drawn as a fade with a scale from 0.92 about the body's edge nearest the
    // host (its bottom edge when above it).
    double presence() const { return presence_; }
    void setPresence(double presence);

    QColor textColor() const;
    QColor fillColor() const;
    QColor outlineColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    double presence_ = 0.0;
    QMarginsF shadowRoom_;
    ShapeShadow shadow_;
    bool placedBelow_ = false;
};

class HoverTooltipModifier final : public QObject {
    Q_OBJECT
public:
    static constexpr double showDuration = 0.12;
    static constexpr double hideDuration = 0.08;

    // `scheduler` must outlive the host.
    HoverTooltipModifier(QWidget* host, QString label, double delay, platform::Scheduler& scheduler);
    ~HoverTooltipModifier() override;

    QString label() const { return label_; }
    void setLabel(const QString& label);
    double delay() const { return delay_; }
    void setDelay(double delay) { delay_ = delay; }

    bool showTooltip() const { return showTooltip_; }
    bool hasWorkItem() const { return workItem_.has_value(); }
    // The bubble while one exists (it is made on first show and kept, hidden, afterwards).
    TooltipBubble* bubble() const { return bubble_; }

    static HoverTooltipModifier* of(QWidget* host);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pointerEntered();
    void pointerExited();
    void setShowTooltip(bool show);
    void cancelWorkItem();

    QWidget* host_;
    QString label_;
    double delay_;
    platform::Scheduler& scheduler_;
    bool showTooltip_ = false;
    std::optional<platform::Scheduler::TimerId> workItem_;
    QPointer<TooltipBubble> bubble_;
    ValueAnimator* presence_;
};

} // namespace ui
