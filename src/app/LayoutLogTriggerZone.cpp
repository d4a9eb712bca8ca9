#include "app/LayoutLogTriggerZone.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>

#include <X11/XKBlib.h>

namespace app {

namespace {

bool capsLockOn()
{
    const auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    XkbStateRec state {};
    return XkbGetState(display, XkbUseCoreKbd, &state) == Success && (state.locked_mods & LockMask) != 0;
}

} // namespace

LayoutLogTriggerZone::LayoutLogTriggerZone(QWidget* parent, std::function<bool()> gestureHeld)
    : QWidget(parent)
    , gestureHeld_(gestureHeld ? std::move(gestureHeld) : std::function<bool()>(&LayoutLogTriggerZone::gestureHeldNow))
{
    setObjectName(QStringLiteral("layoutLogTriggerZone"));
    // Clicks are looked at on their way to the widgets underneath, never taken by the zone itself.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(zoneRect);
    qApp->installEventFilter(this);
}

LayoutLogTriggerZone::~LayoutLogTriggerZone()
{
    qApp->removeEventFilter(this);
}

bool LayoutLogTriggerZone::gestureHeldNow()
{
    const auto modifiers = QGuiApplication::queryKeyboardModifiers();
    return capsLockOn() || (modifiers & Qt::ControlModifier && modifiers & Qt::ShiftModifier);
}

bool LayoutLogTriggerZone::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    auto* target = static_cast<QWidget*>(watched);
    if (mouse->button() != Qt::LeftButton || !isVisible() || target->window() != window())
        return false;
    const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
    if (!rect().contains(local) || !gestureHeld_())
        return false;
    emit toggled();
    return true;
}

} // namespace app
