#include "media/player/PlayerTimebase.h"

#include <algorithm>

namespace media {

void PlayerTimebase::setAnchor(double itemSeconds, double hostSeconds, double rate)
{
    std::lock_guard lock(mutex_);
    anchorItem_ = itemSeconds;
    anchorHost_ = hostSeconds;
    rate_ = rate;
}

void PlayerTimebase::setEnd(double itemSeconds)
{
    std::lock_guard lock(mutex_);
    end_ = itemSeconds;
}

double PlayerTimebase::itemTime(double hostSeconds) const
{
    std::lock_guard lock(mutex_);
    const double t = anchorItem_ + (hostSeconds - anchorHost_) * rate_;
    if (rate_ > 0.0)
        return std::min(t, std::max(end_, anchorItem_));
    return t;
}

double PlayerTimebase::rate() const
{
    std::lock_guard lock(mutex_);
    return rate_;
}

double PlayerTimebase::end() const
{
    std::lock_guard lock(mutex_);
    return end_;
}

} // namespace media
