#include "ui/BorderOverlay.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace ui {

BorderOverlay::BorderOverlay(double cornerRadius, ThemeColor color, double lineWidth, QWidget* decorated)
    : QWidget(decorated)
    , cornerRadius_(cornerRadius)
    , color_(color)
    , lineWidth_(lineWidth)
{
    setObjectName(QStringLiteral("borderOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(decorated->rect());
    decorated->installEventFilter(this);
    raise();
}

void BorderOverlay::setStroke(ThemeColor color, double lineWidth)
{
    color_ = color;
    lineWidth_ = lineWidth;
    update();
}

bool BorderOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent()) {
        switch (event->type()) {
        case QEvent::Resize:
            setGeometry(parentWidget()->rect());
            break;
        case QEvent::ChildAdded:
            // A child added after the outline would cover it.
            raise();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BorderOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The stroke is pulled inside by half its width: the widget cannot draw past its own edge.
    const double inset = lineWidth_ / 2.0;
    const QRectF outline = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    painter.setPen(QPen(color_.color(), lineWidth_));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline, cornerRadius_ - inset, cornerRadius_ - inset);
}

} // namespace ui
