#pragma once

// Turns a stream of measured frame rates into a published one that does not flicker: each rate is
// snapped to a nominal rate, and a snapped rate is adopted only after it has been seen without
// interruption for a hold time (longer when it replaces one already published).
//
// A value type; its owner guards it.

#include <QString>

#include <optional>

namespace capture {

// A snapped frame rate: the whole rate used for timecode and the label shown.
struct FPSReading {
    int fpsInt = 0;
    QString label;
    bool operator==(const FPSReading&) const = default;
};

struct FPSStabilizer {
    std::optional<FPSReading> stable;
    std::optional<FPSReading> candidate;
    double candidateSince = 0;
    double initialHoldSeconds = 1.0;
    double changeHoldSeconds = 2.5;
    double minFPS = 10;
    double maxFPS = 120;

    // The newly adopted reading, or none (also for rates outside minFPS...maxFPS or no nominal rate).
    std::optional<FPSReading> push(double instantFPS, double now);
    // Forgets both readings; hold times and limits stay.
    void reset();

    // The nominal rate nearest to `fps` within its tolerance; on equal distance the lower row.
    static std::optional<FPSReading> quantize(double fps);
};

} // namespace capture
