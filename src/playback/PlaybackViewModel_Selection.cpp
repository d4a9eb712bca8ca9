// The selected clip and the players. So far a selection records the clip and shows its stored
// duration and marks, and puts an online clip into the main player (and into the program player
// while no output clip is set).

#include "playback/PlaybackViewModel.h"

#include "media/player/PlayerItem.h"
#include "platform/MainThread.h"

namespace playback {

void PlaybackViewModel::selectClip(const std::optional<QUuid>& id)
{
    Q_ASSERT(platform::isMainThread());
    setSelectedClipID(id);
    stopPlayback();
    refreshOfflineStatus();
    const qsizetype index = id ? indexOfClip(*id) : -1;
    clearBoundaryAndEndObservers();
    if (index < 0 || clips_[index].offline) {
        endAccessingPlaybackURL();
        player_->replaceCurrentItem(nullptr);
        if (!secondaryClipID_)
            programPlayer_->replaceCurrentItem(nullptr);
    } else {
        player_->replaceCurrentItem(media::PlayerItem::create(clips_[index].url));
        if (!secondaryClipID_)
            programPlayer_->replaceCurrentItem(media::PlayerItem::create(clips_[index].url));
        player_->pause();
    }
    setIsPlaying(false);
    setDuration(index < 0 ? 0.0 : clips_[index].duration);
    setCurrentTime(0.0);
    setMarkIn(index < 0 ? std::nullopt : clips_[index].markIn);
    setMarkOut(index < 0 ? std::nullopt : clips_[index].markOut);
}

void PlaybackViewModel::clearBoundaryAndEndObservers()
{
    if (boundaryObserverToken_ != 0) {
        player_->removeTimeObserver(boundaryObserverToken_);
        boundaryObserverToken_ = 0;
    }
    if (endObserverToken_) {
        disconnect(*endObserverToken_);
        endObserverToken_.reset();
    }
    if (failObserverToken_) {
        disconnect(*failObserverToken_);
        failObserverToken_.reset();
    }
}

// Files need no access grant on this platform; only the bookkeeping is kept.
void PlaybackViewModel::endAccessingPlaybackURL()
{
    playbackAccessingClipURL_.reset();
    playbackAccessingFolderURL_.reset();
}

} // namespace playback
