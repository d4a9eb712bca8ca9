#pragma once

// Estimates a frame rate from the arrival or presentation times of the last 1.2 seconds of frames.
// A value type; its owner guards it.

#include <deque>
#include <optional>

namespace capture {

struct FPSWindowEstimator {
    std::deque<double> timestamps; // seconds, oldest first
    double windowSeconds = 1.2;
    int minFrames = 12;

    // The rate over the window once it holds at least minFrames stamps spread over some time;
    // a time that is not finite changes nothing.
    std::optional<double> push(double time);
};

} // namespace capture
