// The inspector pane of the playback screen.

#include "playback_screen/PlaybackView.h"

namespace playback_screen {

// An empty place until the inspector pane is built: a plain widget with a name tests can find.
QWidget* PlaybackView::makePlaybackInspectorPane()
{

    auto* place = new QWidget;
    place->setObjectName(QStringLiteral("makePlaybackInspectorPanePlaceholder"));
    return place;
}

} // namespace playback_screen
