#include "media/player/DecodedFrameBudget.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace media {

DecodedFrameBudget::DecodedFrameBudget(std::size_t totalBytes)
    : total_(totalBytes)
{
}

DecodedFrameBudget& DecodedFrameBudget::shared()
{
    static DecodedFrameBudget budget(768u * 1024u * 1024u);
    return budget;
}

DecodedFrameBudget::Lease DecodedFrameBudget::take()
{
    active_.fetch_add(1);
    Lease lease;
    lease.budget_ = this;
    return lease;
}

std::size_t DecodedFrameBudget::Lease::shareBytes() const
{
    if (!budget_)
        return std::numeric_limits<std::size_t>::max();
    return budget_->total_ / static_cast<std::size_t>(std::max(1, budget_->active_.load()));
}

DecodedFrameBudget::Lease::~Lease()
{
    if (budget_)
        budget_->active_.fetch_sub(1);
}

DecodedFrameBudget::Lease::Lease(Lease&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
{
}

DecodedFrameBudget::Lease& DecodedFrameBudget::Lease::operator=(Lease&& other) noexcept
{
    if (this != &other) {
        if (budget_)
            budget_->active_.fetch_sub(1);
        budget_ = std::exchange(other.budget_, nullptr);
    }
    return *this;
}

} // namespace media
