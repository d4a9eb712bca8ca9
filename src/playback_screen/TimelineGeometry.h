#pragma once

// Where the timeline strip draws things for a strip width and the engine's times: the playhead,
// the time bubble kept 56 points from the edges, the marks and their badges (kept 20 and 24
// points from the edges, while the lines stay exact), the In–Out range and the slider's range.
// Fractions are clamped to 0...1; a quotient that is not a number counts as 0.

#include <optional>

namespace playback_screen {

struct TimelineGeometry {
    static constexpr double bubbleMargin = 56.0;
    static constexpr double inBadgeMargin = 20.0;
    static constexpr double outBadgeMargin = 24.0;

    double width = 1.0; // w: the strip width, at least 1
    double playheadX = 0.0; // x
    double bubbleX = 0.0; // bx
    std::optional<double> markInX; // fi * w, when Mark In is set and the duration is positive
    std::optional<double> markOutX; // fo * w
    double inBadgeX = 0.0; // ix
    double outBadgeX = 0.0; // ox
    bool showsRange = false; // both marks, a positive duration and In before Out
    double sliderMaximum = 1.0; // u

    static TimelineGeometry compute(double stripWidth, double currentTime, double duration,
        std::optional<double> markIn, std::optional<double> markOut);
    // A quotient clamped to 0...1, 0 for not a number.
    static double fraction(double value, double over);
};

} // namespace playback_screen
