// Play, pause and stop, and the playhead published from the main player's periodic observer.

#include "playback/PlaybackViewModel.h"

#include "media/player/MediaTime.h"
#include "platform/MainThread.h"

#include <QPointer>

namespace playback {

void PlaybackViewModel::addTimeObserver()
{
    timeObserverToken_ = player_->addPeriodicTimeObserver(
        media::MediaTime::fromSeconds(0.05, 600), [this](const media::MediaTime& time) {
            const double seconds = time.seconds();
            platform::runOnMain(this, [this, seconds] { handlePeriodicTime(seconds); });
        });
}

void PlaybackViewModel::handlePeriodicTime(double seconds)
{
    setCurrentTime(seconds);
}

void PlaybackViewModel::stopPlayback()
{
    stopTransportInternal();
    shuttleIndex_ = 0;
    shuttleDirection_ = 0;
    player_->pause();
    player_->setRate(0.0f);
    if (shouldControlProgramPlayer()) {
        programPlayer_->pause();
        programPlayer_->setRate(0.0f);
    }
    if (isTakePreviewActive()) {
        for (auto& [id, takePlayer] : takePlayers_) {
            if (id != selectedClipID_) {
                takePlayer->pause();
                takePlayer->setRate(0.0f);
            }
        }
    }
    setIsPlaying(false);
}

} // namespace playback
