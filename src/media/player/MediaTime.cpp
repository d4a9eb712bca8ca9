#include "media/player/MediaTime.h"

#include <cmath>
#include <limits>

namespace media {

MediaTime MediaTime::fromSeconds(double seconds, std::int32_t timescale)
{
    if (!std::isfinite(seconds) || timescale <= 0)
        return invalid();
    const double units = std::round(seconds * timescale);
    if (std::fabs(units) > 9.0e18)
        return invalid();
    return MediaTime(static_cast<std::int64_t>(units), timescale);
}

double MediaTime::seconds() const
{
    if (!isNumeric())
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(value_) / timescale_;
}

bool MediaTime::operator==(const MediaTime& other) const
{
    if (!isNumeric() || !other.isNumeric())
        return flags_ == other.flags_;
    // Cross-multiplied in 128 bits so no timescale pair overflows.
    return static_cast<__int128>(value_) * other.timescale_ == static_cast<__int128>(other.value_) * timescale_;
}

} // namespace media
