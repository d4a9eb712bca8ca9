#include "media/player/DecodeThreadBudget.h"

#include <algorithm>
#include <thread>
#include <utility>

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
    const int others = active_.fetch_add(1);
    Lease lease;
    lease.budget_ = this;
    // The first decoder gets every core; later ones share, at least two each so a frame-threaded
    // decoder still overlaps its work.
    lease.threads_ = std::clamp(total_ / (others + 1), std::min(2, total_), total_);
    return lease;
}

DecodeThreadBudget::Lease::~Lease()
{
    if (budget_)
        budget_->active_.fetch_sub(1);
}

DecodeThreadBudget::Lease::Lease(Lease&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , threads_(other.threads_)
{
}

DecodeThreadBudget::Lease& DecodeThreadBudget::Lease::operator=(Lease&& other) noexcept
{
    if (this != &other) {
        if (budget_)
            budget_->active_.fetch_sub(1);
        budget_ = std::exchange(other.budget_, nullptr);
        threads_ = other.threads_;
    }
    return *this;
}

} // namespace media
