// The capture live view of the playback screen.

#include "playback_screen/PlaybackView.h"

namespace playback_screen {

// An empty place until the capture live view is built: a plain widget with a name tests can find.
QWidget* PlaybackView::makeCaptureLiveView(bool isMini)
{
    (void)isMini;
    auto* place = new QWidget;
    place->setObjectName(QStringLiteral("makeCaptureLiveViewPlaceholder"));
    return place;
}

} // namespace playback_screen
