// The take preview: every camera of one take side by side, the selected clip as master and one
// player per other tile.

#include "playback/PlaybackViewModel.h"

namespace playback {

void PlaybackViewModel::clearTakePreview()
{
    setPreviewTake(std::nullopt);
    setPreviewTakeClipIDs({});
    takePlayers_.clear();
}

} // namespace playback
