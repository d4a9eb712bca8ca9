#include "remote/webrtc/PlaybackFrameTap.h"

#include "media/player/MediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/MainThread.h"
#include "remote/webrtc/WebRTCSessionManager.h"

#include <cmath>

namespace remote {

std::unique_ptr<PlaybackFrameTap> PlaybackFrameTap::create(
    std::weak_ptr<WebRTCSessionManager> session, platform::Scheduler& scheduler, platform::MediaClock& clock)
{
    return std::unique_ptr<PlaybackFrameTap>(new PlaybackFrameTap(std::move(session), scheduler, clock));
}

PlaybackFrameTap::PlaybackFrameTap(
    std::weak_ptr<WebRTCSessionManager> session, platform::Scheduler& scheduler, platform::MediaClock& clock)
    : output_(media::PlayerVideoOutput::create())
    , queue_(scheduler)
    , clock_(clock)
    , webrtc_(std::move(session))
{
}

PlaybackFrameTap::~PlaybackFrameTap()
{
    stop();
}

void PlaybackFrameTap::start(media::MediaPlayer& player, double fps)
{
    Q_ASSERT(platform::isMainThread());
    stop();
    player_ = &player;
    const double rate = std::isfinite(fps) && fps > 0 ? fps : 30.0;
    timer_ = queue_.repeating(1.0 / rate, [this] { tick(); });
}

void PlaybackFrameTap::stop()
{
    stopTimerOnly();
    detachFromLastItem();
    player_ = nullptr;
}

void PlaybackFrameTap::stopTimerOnly()
{
    if (timer_)
        queue_.cancel(*timer_);
    timer_.reset();
}

void PlaybackFrameTap::detachFromLastItem()
{
    if (auto item = lastItem_.lock())
        item->removeOutput(output_);
    lastItem_.reset();
}

void PlaybackFrameTap::tick()
{
    if (!player_) {
        stopTimerOnly();
        detachFromLastItem();
        return;
    }
    const std::shared_ptr<media::PlayerItem> item = player_->currentItem();
    if (item != lastItem_.lock()) {
        detachFromLastItem();
        if (item)
            item->addOutput(output_);
        lastItem_ = item;
    }
    if (!item)
        return;
    const media::MediaTime itemTime = output_->itemTimeForHostTime(clock_.now());
    if (!output_->hasNewFrameForItemTime(itemTime))
        return;
    media::MediaTime displayTime;
    const media::Frame frame = output_->copyFrameForItemTime(itemTime, &displayTime);
    auto manager = webrtc_.lock();
    if (frame.isNull() || !manager)
        return;
    const std::optional<double> time
        = displayTime.isNumeric() ? std::optional<double>(displayTime.seconds()) : std::nullopt;
    manager->push(frame, 0, WebRTCSessionManager::ActiveSource::playback, time);
}

} // namespace remote
