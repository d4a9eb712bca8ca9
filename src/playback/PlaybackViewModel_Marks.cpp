// Mark In and Mark Out of the selected clip, and the in-to-out run: the driven players go to Mark
// In and play, and a boundary observer at Mark Out loops back or stops them. The observer keeps
// the in and out times it was armed with until the next run or the next selection, so moving the
// marks takes effect with the next Play In-Out.

#include "playback/PlaybackViewModel.h"

#include "media/player/MediaTime.h"
#include "platform/MainThread.h"

namespace playback {

void PlaybackViewModel::setMarkIn()
{
    Q_ASSERT(platform::isMainThread());
    if (!(duration_ > 0.0))
        return;
    const double t = currentTime_;
    publishMarkIn(t);
    if (markOut_ && *markOut_ <= t)
        publishMarkOut(std::nullopt);
    updateCurrentClipMarks();
}

void PlaybackViewModel::setMarkOut()
{
    Q_ASSERT(platform::isMainThread());
    if (!(duration_ > 0.0))
        return;
    if (markIn_ && currentTime_ <= *markIn_)
        return;
    publishMarkOut(currentTime_);
    updateCurrentClipMarks();
}

void PlaybackViewModel::clearMarks()
{
    Q_ASSERT(platform::isMainThread());
    publishMarkIn(std::nullopt);
    publishMarkOut(std::nullopt);
    updateCurrentClipMarks();
}

// The marks reach the file with the next save; the record changes once, with all three values.
void PlaybackViewModel::updateCurrentClipMarks()
{
    const qsizetype index = selectedClipID_ ? indexOfClip(*selectedClipID_) : -1;
    if (index < 0)
        return;
    ClipItem clip = clips_[index];
    clip.markIn = markIn_;
    clip.markOut = markOut_;
    clip.duration = duration_;
    replaceClip(index, clip);
    setHasUnsavedChanges(true);
}

void PlaybackViewModel::playInToOut()
{
    Q_ASSERT(platform::isMainThread());
    stopPlayback();
    refreshOfflineStatus();
    if (!markIn_ || !markOut_ || *markIn_ >= *markOut_)
        return;
    if (const auto clip = currentClip(); clip && clip->offline)
        return;
    if (boundaryObserverToken_ != 0) {
        player_->removeTimeObserver(boundaryObserverToken_);
        boundaryObserverToken_ = 0;
    }
    const media::MediaTime in = media::MediaTime::fromSeconds(*markIn_, 600);
    const media::MediaTime out = media::MediaTime::fromSeconds(*markOut_, 600);
    for (media::MediaPlayer* p : drivenPlayers())
        p->seek(in);
    // The player calls boundary observers on the main thread between its own steps, and lets
    // them seek, pause and remove themselves.
    const double startTime = in.seconds();
    boundaryObserverToken_
        = player_->addBoundaryTimeObserver({ out }, [this, startTime] { handleInOutStop(startTime); });
    for (media::MediaPlayer* p : drivenPlayers())
        p->play();
    setIsPlaying(true);
}

void PlaybackViewModel::handleInOutStop(double startTime)
{
    if (loopInOut_) {
        const media::MediaTime in = media::MediaTime::fromSeconds(startTime, 600);
        for (media::MediaPlayer* p : drivenPlayers()) {
            p->seek(in);
            p->play();
        }
        return;
    }
    for (media::MediaPlayer* p : drivenPlayers())
        p->pause();
    setIsPlaying(false);
    if (boundaryObserverToken_ != 0) {
        player_->removeTimeObserver(boundaryObserverToken_);
        boundaryObserverToken_ = 0;
    }
}

} // namespace playback
