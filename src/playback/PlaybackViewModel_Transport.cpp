// The transport: play and pause, stop, exact seeks, jogging by a frame, the shuttle's power-of-two
// speeds, reverse play made of timed seeks, the half-speed hold, and the playhead and duration
// published from the main player's periodic observer. Every step moves the driven players
// together so that the program output and the take preview keep in step with the main player.

#include "playback/PlaybackViewModel.h"

#include "media/player/MediaTime.h"
#include "media/player/PlayerItem.h"
#include "platform/MainThread.h"
#include "platform/Scheduler.h"

#include <algorithm>
#include <cmath>

namespace playback {

namespace {
// Reverse play seeks at most this often, however short the frame.
constexpr double kReverseIntervalFloor = 0.02;

media::MediaTime timeAt(double seconds)
{
    return media::MediaTime::fromSeconds(seconds, 600);
}
} // namespace

std::vector<media::MediaPlayer*> PlaybackViewModel::drivenPlayers() const
{
    std::vector<media::MediaPlayer*> players { player_.get() };
    if (shouldControlProgramPlayer())
        players.push_back(programPlayer_.get());
    if (isTakePreviewActive()) {
        for (const auto& [id, takePlayer] : takePlayers_) {
            if (id != selectedClipID_)
                players.push_back(takePlayer.get());
        }
    }
    return players;
}

void PlaybackViewModel::resetShuttleState()
{
    shuttleIndex_ = 0;
    shuttleDirection_ = 0;
}

void PlaybackViewModel::togglePlayPause()
{
    Q_ASSERT(platform::isMainThread());
    stopTransportInternal();
    resetShuttleState();
    refreshOfflineStatus();
    if (const auto clip = currentClip(); clip && clip->offline) {
        stopPlayback();
        player_->replaceCurrentItem(nullptr);
        return;
    }
    if (isPlaying_) {
        for (media::MediaPlayer* p : drivenPlayers())
            p->pause();
        setIsPlaying(false);
        return;
    }
    double t = currentTime_;
    if (duration_ > 0.0 && t >= duration_ - 0.05) {
        t = 0.0;
        setCurrentTime(0.0);
    }
    for (media::MediaPlayer* p : drivenPlayers()) {
        p->seek(timeAt(t));
        p->play();
    }
    setIsPlaying(true);
}

void PlaybackViewModel::stopPlayback()
{
    Q_ASSERT(platform::isMainThread());
    stopTransportInternal();
    resetShuttleState();
    for (media::MediaPlayer* p : drivenPlayers()) {
        p->pause();
        p->setRate(0.0f);
    }
    setIsPlaying(false);
}

void PlaybackViewModel::seek(double seconds, bool stopTransport)
{
    Q_ASSERT(platform::isMainThread());
    // Ending reverse play also ends "playing": the players stand paused after it.
    const bool wasReversing = reverseTimer_ != 0;
    if (stopTransport)
        stopTransportInternal();
    double t = seconds;
    if (duration_ > 0.0)
        t = std::min(std::max(t, 0.0), duration_);
    else if (t <= 0.0)
        t = 0.0;
    setCurrentTime(t);
    for (media::MediaPlayer* p : drivenPlayers())
        p->seek(timeAt(t));
    if (stopTransport && wasReversing)
        setIsPlaying(false);
}

void PlaybackViewModel::jogFrame(int direction)
{
    Q_ASSERT(platform::isMainThread());
    stopTransportInternal();
    for (media::MediaPlayer* p : drivenPlayers())
        p->pause();
    setIsPlaying(false);
    seek(currentTime_ + direction * frameDurationSeconds(), true);
}

void PlaybackViewModel::shuttleForwardTap()
{
    shuttleTap(1);
}

void PlaybackViewModel::shuttleReverseTap()
{
    shuttleTap(-1);
}

void PlaybackViewModel::shuttleTap(int direction)
{
    Q_ASSERT(platform::isMainThread());
    if (!player_->currentItem())
        return;
    const int last = static_cast<int>(shuttleSteps_.size()) - 1;
    if (direction == shuttleDirection_) {
        shuttleIndex_ = std::min(shuttleIndex_ + 1, last);
    } else {
        shuttleDirection_ = direction;
        shuttleIndex_ = 0;
    }
    const float rate = shuttleSteps_[static_cast<std::size_t>(shuttleIndex_)];
    if (direction >= 0)
        shuttleForward(rate);
    else
        shuttleReverse(rate);
}

void PlaybackViewModel::shuttleForward(float rate)
{
    stopTransportInternal();
    if (!player_->currentItem())
        return;
    if (duration_ > 0.0 && currentTime_ >= duration_ - 0.02)
        seek(0.0, true);
    const float r = rate <= 0.1f ? 0.1f : rate;
    for (media::MediaPlayer* p : drivenPlayers()) {
        p->play();
        p->setRate(r);
    }
    setIsPlaying(true);
}

void PlaybackViewModel::shuttleReverse(float rate)
{
    if (!player_->currentItem())
        return;
    startReverseTimer(rate <= 0.1f ? 0.1 : static_cast<double>(rate));
}

void PlaybackViewModel::startReverseTimer(double rate)
{
    stopTransportInternal();
    reverseRate_ = rate <= 0.1 ? 0.1 : rate;
    for (media::MediaPlayer* p : drivenPlayers()) {
        p->pause();
        p->setRate(0.0f);
    }
    setIsPlaying(true);
    const double interval = std::max(frameDurationSeconds(), kReverseIntervalFloor);
    // The scheduler's timers run on the main thread and die with the engine (cancelled in its
    // stop paths; the scheduler outlives it), so the tick may act at once.
    reverseTimer_ = scheduler_.repeating(interval, [this, interval] { reverseTick(interval); });
}

void PlaybackViewModel::reverseTick(double interval)
{
    const double t = currentTime_ - interval * reverseRate_;
    if (t > 0.0) {
        seek(t, false);
        return;
    }
    seek(0.0, false);
    stopPlayback();
}

void PlaybackViewModel::startHalfSpeedHold(TransportDirection direction)
{
    Q_ASSERT(platform::isMainThread());
    stopTransportInternal();
    if (!player_->currentItem())
        return;
    if (direction == TransportDirection::reverse) {
        startReverseTimer(0.5);
        return;
    }
    for (media::MediaPlayer* p : drivenPlayers()) {
        p->play();
        p->setRate(0.5f);
    }
    setIsPlaying(true);
}

void PlaybackViewModel::stopHalfSpeedHold()
{
    stopPlayback();
}

void PlaybackViewModel::nudge(double seconds)
{
    seek(currentTime_ + seconds, true);
}

void PlaybackViewModel::seekToMarkIn()
{
    if (markIn_)
        seek(*markIn_, true);
}

void PlaybackViewModel::seekToMarkOut()
{
    if (markOut_)
        seek(*markOut_, true);
}

void PlaybackViewModel::addTimeObserver()
{
    timeObserverToken_ = player_->addPeriodicTimeObserver(timeAt(0.05), [this](const media::MediaTime& time) {
        const double seconds = time.seconds();
        platform::runOnMain(this, [this, seconds] { handlePeriodicTime(seconds); });
    });
}

void PlaybackViewModel::handlePeriodicTime(double seconds)
{
    if (std::isfinite(seconds))
        setCurrentTime(seconds);
    const auto item = player_->currentItem();
    if (!item || !item->duration().isNumeric())
        return;
    const double known = item->duration().seconds();
    if (!std::isfinite(known))
        return;
    // Published and stored only when it changes: the observer runs twenty times a second.
    if (known != duration_)
        setDuration(known);
    updateCurrentClipDuration(known);
}

void PlaybackViewModel::updateCurrentClipDuration(double seconds)
{
    const qsizetype index = selectedClipID_ ? indexOfClip(*selectedClipID_) : -1;
    if (index < 0 || clips_[index].duration == seconds)
        return;
    ClipItem clip = clips_[index];
    clip.duration = seconds;
    replaceClip(index, clip);
    setHasUnsavedChanges(true);
}

} // namespace playback
