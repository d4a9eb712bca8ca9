// The centre pane of the playback screen: header bar, picture area, timeline block and transport.

#include "playback_screen/PlaybackView.h"

namespace playback_screen {

QWidget* PlaybackView::makePlaybackMainPane()
{
    auto* place = new QWidget;
    place->setObjectName(QStringLiteral("playbackMainPane"));
    return place;
}

} // namespace playback_screen
