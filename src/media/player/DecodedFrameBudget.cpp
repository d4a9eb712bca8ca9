#include "media/player/DecodedFrameBudget.h"

#include <algorithm>
#include <limits>

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
    Lease lease;
    lease.place_ = BudgetLease(active_);
    lease.budget_ = this;
    return lease;
}

std::size_t DecodedFrameBudget::Lease::shareBytes() const
{
    if (!budget_ || !place_.held())
        return std::numeric_limits<std::size_t>::max();
    return budget_->total_ / static_cast<std::size_t>(std::max(1, budget_->active_.load()));
}

} // namespace media
