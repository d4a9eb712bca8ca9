#include "media/player/DecodedFrameCache.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {
constexpr double kCacheSlack = 1e-6;
}

DecodedFrameCache::DecodedFrameCache(std::size_t maxBytes, DecodedFrameBudget* budget)
    : maxBytes_(maxBytes)
    , lease_(budget ? budget->take() : DecodedFrameBudget::Lease())
{
}

std::map<double, DecodedFrameCache::Entry>::const_iterator DecodedFrameCache::lookup(double itemSeconds) const
{
    auto it = frames_.upper_bound(itemSeconds + kCacheSlack);
    if (it == frames_.begin())
        return frames_.end();
    --it;
    return itemSeconds < it->first + it->second.duration - kCacheSlack ? it : frames_.end();
}

std::size_t DecodedFrameCache::limitBytes() const
{
    return std::min(maxBytes_, lease_.shareBytes());
}

std::optional<DecodedFrameCache::Entry> DecodedFrameCache::find(double itemSeconds)
{
    lastRequest_ = itemSeconds;
    const auto it = lookup(itemSeconds);
    if (it == frames_.end())
        return std::nullopt;
    return it->second;
}

void DecodedFrameCache::insert(const Frame& frame, double duration)
{
    if (frame.isNull() || duration <= 0.0)
        return;
    const double time = frame.presentationTime();
    const std::size_t size = frame.rowBytes() * static_cast<std::size_t>(frame.height());
    auto [it, inserted] = frames_.try_emplace(time, Entry { frame, duration });
    if (!inserted)
        return;
    bytes_ += size;
    evictAround(lastRequest_);
}

void DecodedFrameCache::clear()
{
    frames_.clear();
    bytes_ = 0;
}

void DecodedFrameCache::evictAround(double centre)
{
    const std::size_t limit = limitBytes();
    while (bytes_ > limit && frames_.size() > 1) {
        auto first = frames_.begin();
        auto last = std::prev(frames_.end());
        auto victim = std::fabs(first->first - centre) >= std::fabs(last->first - centre) ? first : last;
        bytes_ -= victim->second.frame.rowBytes() * static_cast<std::size_t>(victim->second.frame.height());
        frames_.erase(victim);
    }
}

} // namespace media
