// The take multi-view of the playback screen.

#include "playback_screen/PlaybackView.h"

namespace playback_screen {

// An empty place until the take multi-view is built: a plain widget with a name tests can find.
QWidget* PlaybackView::makeTakeMultiView(bool isMini, bool wideRow, double cornerRadius)
{
    (void)isMini;
    (void)wideRow;
    (void)cornerRadius;
    auto* place = new QWidget;
    place->setObjectName(QStringLiteral("makeTakeMultiViewPlaceholder"));
    return place;
}

} // namespace playback_screen
