#include "media/player/DecodeThreadBudget.h"

#include <algorithm>
#include <thread>

namespace media {

DecodeThreadBudget::DecodeThreadBudget(int totalThreads)
    : total_(std::max(1, totalThreads))
{
}

DecodeThreadBudget& DecodeThreadBudget::shared()
{
    static DecodeThreadBudget budget(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    return budget;
}

DecodeThreadBudget::Lease DecodeThreadBudget::take()
{
    Lease lease;
    lease.place_ = BudgetLease(active_);
    const int holders = active_.load();
    // The first decoder gets every core; later ones share, at least two each so a frame-threaded
    // decoder still overlaps its work.
    lease.threads_ = std::clamp(total_ / std::max(1, holders), std::min(2, total_), total_);
    return lease;
}

} // namespace media
