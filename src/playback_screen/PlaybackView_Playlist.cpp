// The playlist pane of the playback screen.

#include "playback_screen/PlaybackView.h"

namespace playback_screen {

// An empty place until the playlist pane is built: a plain widget with a name tests can find.
QWidget* PlaybackView::makePlaybackPlaylistPane()
{

    auto* place = new QWidget;
    place->setObjectName(QStringLiteral("makePlaybackPlaylistPanePlaceholder"));
    return place;
}

} // namespace playback_screen
