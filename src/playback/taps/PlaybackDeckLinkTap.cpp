#include "playback/taps/PlaybackDeckLinkTap.h"

#include "media/player/MediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/MainThread.h"
#include "platform/MediaClock.h"
#include "playback/taps/PlaybackTapSink.h"

#include <algorithm>
#include <cmath>

namespace playback {

PlaybackDeckLinkTap::PlaybackDeckLinkTap(media::MediaPlayer& player, PlaybackTapSink* recordVM,
    capture::PlaybackOutputSource source, platform::Scheduler& scheduler, const platform::MediaClock& clock)
    : player_(&player)
    , recordVM_(recordVM)
    , source_(source)
    , scheduler_(scheduler)
    , clock_(clock)
    , output_(media::PlayerVideoOutput::create())
{
}

PlaybackDeckLinkTap::~PlaybackDeckLinkTap()
{
    stop();
}

void PlaybackDeckLinkTap::start()
{
    Q_ASSERT(platform::isMainThread());
    stop();
    scheduleTimer();
}

void PlaybackDeckLinkTap::stop()
{
    Q_ASSERT(platform::isMainThread());
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
    currentTimerFPS_ = 0.0;
    lastPixelBuffer_ = {};
    lastFrameTime_ = media::MediaTime::invalid();
    if (auto item = currentItem_.lock())
        item->removeOutput(output_);
    currentItem_.reset();
}

double PlaybackDeckLinkTap::targetFPS() const
{
    if (!recordVM_)
        return 60.0;
    const double hint = recordVM_->playbackDeckLinkTapFPSHint();
    // NaN is below every rate the output runs at.
    return std::isnan(hint) ? 30.0 : std::clamp(hint, 30.0, 60.0);
}

void PlaybackDeckLinkTap::scheduleTimer()
{
    currentTimerFPS_ = targetFPS();
    timer_ = scheduler_.repeating(1.0 / currentTimerFPS_, [this] { tick(); });
}

void PlaybackDeckLinkTap::refreshTimerIfNeeded()
{
    if (std::abs(targetFPS() - currentTimerFPS_) <= 0.5)
        return;
    if (timer_)
        scheduler_.cancel(*timer_);
    scheduleTimer();
}

void PlaybackDeckLinkTap::tick()
{
    refreshTimerIfNeeded();
    if (!player_)
        return;
    const std::shared_ptr<media::PlayerItem> item = player_->currentItem();
    if (!item)
        return;
    if (currentItem_.lock() != item) {
        if (auto old = currentItem_.lock())
            old->removeOutput(output_);
        item->addOutput(output_);
        currentItem_ = item;
        lastPixelBuffer_ = {};
        lastFrameTime_ = media::MediaTime::invalid();
    }

    media::MediaTime t = output_->itemTimeForHostTime(clock_.now());
    if (!t.isNumeric())
        t = player_->currentTime();
    if (output_->hasNewFrameForItemTime(t)) {
        media::MediaTime displayTime;
        if (media::Frame frame = output_->copyFrameForItemTime(t, &displayTime); !frame.isNull()) {
            lastPixelBuffer_ = std::move(frame);
            lastFrameTime_ = displayTime.isNumeric() ? displayTime : t;
        }
    }
    if (lastPixelBuffer_.isNull() || !recordVM_)
        return;
    const media::MediaTime time = lastFrameTime_.isNumeric() ? lastFrameTime_ : t;
    recordVM_->handlePlaybackOutput(lastPixelBuffer_, source_, time.seconds());
}

} // namespace playback
