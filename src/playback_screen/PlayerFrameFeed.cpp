#include "playback_screen/PlayerFrameFeed.h"

#include "media/player/MediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/MediaClock.h"

#include <map>

namespace playback_screen {

namespace {

std::map<const media::MediaPlayer*, std::weak_ptr<PlayerFrameFeed>>& feeds()
{
    static std::map<const media::MediaPlayer*, std::weak_ptr<PlayerFrameFeed>> map;
    return map;
}

} // namespace

std::shared_ptr<PlayerFrameFeed> PlayerFrameFeed::forPlayer(media::MediaPlayer* player, platform::Scheduler& scheduler)
{
    Q_ASSERT(platform::isMainThread());
    if (!player)
        return {};
    auto& map = feeds();
    if (auto existing = map[player].lock())
        return existing;
    std::shared_ptr<PlayerFrameFeed> feed(new PlayerFrameFeed(player, scheduler));
    map[player] = feed;
    return feed;
}

PlayerFrameFeed::PlayerFrameFeed(media::MediaPlayer* player, platform::Scheduler& scheduler)
    : player_(player)
    , scheduler_(scheduler)
    , output_(media::PlayerVideoOutput::create())
{
    output_->setFrameAvailableHandler([alive = alive_.token(), posted = pullPosted_, self = this] {
        if (posted->exchange(true))
            return;
        platform::runOnMain(alive, [self] {
            self->pullPosted_->store(false);
            self->pull();
        });
    });
    connect(player, &media::MediaPlayer::currentItemChanged, this, &PlayerFrameFeed::followItem);
    connect(player, &media::MediaPlayer::rateChanged, this, &PlayerFrameFeed::followRate);
    connect(player, &QObject::destroyed, this, [this] {
        feeds().erase(player_.data());
        item_.reset();
        followRate();
        cache_.setSource({});
    });
    followItem();
    followRate();
}

PlayerFrameFeed::~PlayerFrameFeed()
{
    Q_ASSERT(platform::isMainThread());
    output_->setFrameAvailableHandler(nullptr);
    if (tick_)
        scheduler_.cancel(tick_);
    if (auto item = item_.lock())
        item->removeOutput(output_);
    std::erase_if(feeds(), [](const auto& entry) { return entry.second.expired(); });
}

void PlayerFrameFeed::followItem()
{
    std::shared_ptr<media::PlayerItem> current = player_ ? player_->currentItem() : nullptr;
    if (current == item_.lock())
        return;
    if (auto old = item_.lock())
        old->removeOutput(output_);
    item_ = current;
    if (current)
        current->addOutput(output_);
    cache_.setSource({});
    pull();
}

void PlayerFrameFeed::followRate()
{
    const bool playing = player_ && player_->rate() != 0.0f;
    if (playing && !tick_) {
        tick_ = scheduler_.repeating(tickInterval, [this] { pull(); });
    } else if (!playing && tick_) {
        scheduler_.cancel(tick_);
        tick_ = 0;
    }
}

void PlayerFrameFeed::pull()
{
    if (!output_->item())
        return;
    const media::MediaTime now = output_->itemTimeForHostTime(platform::MediaClock::system().now());
    if (!output_->hasNewFrameForItemTime(now))
        return;
    media::Frame frame = output_->copyFrameForItemTime(now);
    if (!frame.isNull())
        cache_.setSource(frame);
}

} // namespace playback_screen
