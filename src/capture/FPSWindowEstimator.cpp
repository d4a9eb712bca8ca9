#include "capture/FPSWindowEstimator.h"

#include <cmath>

namespace capture {

std::optional<double> FPSWindowEstimator::push(double time)
{
    if (!std::isfinite(time))
        return std::nullopt;
    timestamps.push_back(time);
    while (timestamps.front() < time - windowSeconds)
        timestamps.pop_front();
    const double span = timestamps.back() - timestamps.front();
    if (static_cast<int>(timestamps.size()) < minFrames || span <= 0)
        return std::nullopt;
    return static_cast<double>(timestamps.size() - 1) / span;
}

} // namespace capture
