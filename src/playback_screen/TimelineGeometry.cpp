#include "playback_screen/TimelineGeometry.h"

#include <algorithm>
#include <cmath>

namespace playback_screen {

double TimelineGeometry::fraction(double value, double over)
{
    const double q = value / over;
    if (std::isnan(q) || q <= 0.0)
        return 0.0;
    return std::min(q, 1.0);
}

TimelineGeometry TimelineGeometry::compute(
    double stripWidth, double currentTime, double duration, std::optional<double> markIn, std::optional<double> markOut)
{
    const auto keepIn = [](double centre, double width, double margin) {
        return std::min(std::max(centre, margin), std::max(width - margin, margin));
    };
    TimelineGeometry g;
    g.width = std::max(stripWidth, 1.0);
    g.playheadX = g.width * fraction(currentTime, std::max(duration, 0.0001));
    g.bubbleX = keepIn(g.playheadX, g.width, bubbleMargin);
    if (duration > 0.0) {
        if (markIn)
            g.markInX = g.width * fraction(*markIn, duration);
        if (markOut)
            g.markOutX = g.width * fraction(*markOut, duration);
        g.showsRange = markIn && markOut && *markIn < *markOut;
        g.sliderMaximum = duration;
    }
    g.inBadgeX = keepIn(g.markInX.value_or(0.0), g.width, inBadgeMargin);
    g.outBadgeX = keepIn(g.markOutX.value_or(0.0), g.width, outBadgeMargin);
    return g;
}

} // namespace playback_screen
