#pragma once

// The time observers of a player: periodic ones, called each time item time passes a multiple
// of their interval, and boundary ones, called when forward playback crosses one of their
// times. The real player and the test fake both keep theirs here, so they fire alike.
//
// Observers may add or remove observers (themselves too) and steer the player while they run:
// every call looks its observer up again, and the caller may stop a round after any call.

#include "media/player/MediaTime.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace media {

class PlayerTimeObservers {
public:
    using Token = std::uint64_t; // 0 is never a token

    // 0 for a non-numeric or non-positive interval, or no block.
    Token addPeriodic(const MediaTime& interval, std::function<void(const MediaTime&)> block);
    // 0 when no time is numeric, or no block.
    Token addBoundary(const std::vector<MediaTime>& times, std::function<void()> block);
    void remove(Token token);

    std::size_t periodicCount() const { return periodic_.size(); }
    std::size_t boundaryCount() const { return boundary_.size(); }

    // Calls once each boundary observer with a time in (from, to]. After each call `carryOn`
    // is asked; false stops the round and is returned.
    bool crossBoundaries(double from, double to, const std::function<bool()>& carryOn);
    // Calls with `to` each periodic observer whose interval count differs at `from` and `to`.
    void crossPeriodic(double from, double to);
    // Calls every periodic observer with `seconds`: time jumped, started or stopped.
    void reportAll(double seconds);

private:
    struct Periodic {
        double interval = 0.0;
        std::function<void(const MediaTime&)> block;
    };
    struct Boundary {
        std::vector<double> times;
        std::function<void()> block;
    };

    void callPeriodic(const std::vector<Token>& tokens, double seconds);

    Token nextToken_ = 1;
    std::map<Token, Periodic> periodic_;
    std::map<Token, Boundary> boundary_;
};

} // namespace media
