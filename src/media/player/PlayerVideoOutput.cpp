#include "media/player/PlayerVideoOutput.h"

#include "media/player/PlayerFrameQueue.h"
#include "media/player/PlayerTimebase.h"
#include "platform/MainThread.h"

namespace media {

std::shared_ptr<PlayerVideoOutput> PlayerVideoOutput::create()
{
    return std::shared_ptr<PlayerVideoOutput>(new PlayerVideoOutput);
}

PlayerVideoOutput::~PlayerVideoOutput()
{
    if (queue_ && listenerToken_)
        queue_->removeListener(listenerToken_);
}

void PlayerVideoOutput::attach(
    PlayerItem* item, std::shared_ptr<PlayerFrameQueue> queue, std::shared_ptr<PlayerTimebase> timebase)
{
    Q_ASSERT(platform::isMainThread());
    item_ = item;
    queue_ = std::move(queue);
    timebase_ = std::move(timebase);
    lastSequence_ = 0;
    listenerToken_ = queue_->addListener([mutex = handlerMutex_, handler = handler_] {
        std::lock_guard lock(*mutex);
        if (*handler)
            (*handler)();
    });
}

void PlayerVideoOutput::detach(PlayerItem* item)
{
    Q_ASSERT(platform::isMainThread());
    if (item_ != item)
        return;
    if (queue_ && listenerToken_)
        queue_->removeListener(listenerToken_);
    listenerToken_ = 0;
    item_ = nullptr;
    queue_.reset();
    timebase_.reset();
    lastSequence_ = 0;
}

MediaTime PlayerVideoOutput::itemTimeForHostTime(double hostSeconds) const
{
    Q_ASSERT(platform::isMainThread());
    if (!timebase_)
        return MediaTime::invalid();
    return MediaTime::fromSeconds(timebase_->itemTime(hostSeconds));
}

bool PlayerVideoOutput::hasNewFrameForItemTime(const MediaTime& itemTime)
{
    Q_ASSERT(platform::isMainThread());
    if (!queue_ || !itemTime.isNumeric())
        return false;
    const auto entry = queue_->frameForTime(itemTime.seconds());
    return entry.sequence != 0 && entry.sequence != lastSequence_;
}

Frame PlayerVideoOutput::copyFrameForItemTime(const MediaTime& itemTime, MediaTime* displayTime)
{
    Q_ASSERT(platform::isMainThread());
    if (displayTime)
        *displayTime = MediaTime::invalid();
    if (!queue_ || !itemTime.isNumeric())
        return {};
    const auto entry = queue_->frameForTime(itemTime.seconds());
    if (entry.sequence == 0)
        return {};
    lastSequence_ = entry.sequence;
    if (displayTime)
        *displayTime = MediaTime::fromSeconds(entry.frame.presentationTime(), kDisplayTimescale);
    return entry.frame;
}

void PlayerVideoOutput::setFrameAvailableHandler(std::function<void()> handler)
{
    std::lock_guard lock(*handlerMutex_);
    *handler_ = std::move(handler);
}

} // namespace media
