// The playlist pane of the playback screen.

#include "playback_screen/PlaybackView.h"
#include "playback_screen/PlaylistPane.h"

namespace playback_screen {

QWidget* PlaybackView::makePlaybackPlaylistPane()
{
    return new PlaylistPane(*this);
}

} // namespace playback_screen
