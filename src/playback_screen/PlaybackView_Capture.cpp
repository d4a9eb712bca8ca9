// The capture live view of the playback screen.

#include "playback_screen/BadgePulseClock.h"
#include "playback_screen/CaptureLiveView.h"
#include "playback_screen/PlaybackView.h"

namespace playback_screen {

QWidget* PlaybackView::makeCaptureLiveView(bool isMini)
{
    // Every live view of the screen pulses on one clock, made with the first of them.
    auto* pulse = findChild<BadgePulseClock*>(QString(), Qt::FindDirectChildrenOnly);
    if (!pulse)
        pulse = new BadgePulseClock(models_.scheduler, this);
    auto* view = new CaptureLiveView(models_.recordVM, *pulse, isMini);
    view->setHideHUD(hideHUD_);
    connect(this, &PlaybackView::hideHUDChanged, view, &CaptureLiveView::setHideHUD);
    return view;
}

} // namespace playback_screen
