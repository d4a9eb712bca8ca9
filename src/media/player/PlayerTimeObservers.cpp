#include "media/player/PlayerTimeObservers.h"

#include <cmath>

namespace media {

namespace {
long long intervalIndex(double seconds, double interval)
{
    return static_cast<long long>(std::floor(seconds / interval + 1e-9));
}
} // namespace

PlayerTimeObservers::Token PlayerTimeObservers::addPeriodic(
    const MediaTime& interval, std::function<void(const MediaTime&)> block)
{
    if (!interval.isNumeric() || !(interval.seconds() > 0.0) || !block)
        return 0;
    const Token token = nextToken_++;
    periodic_[token] = Periodic { interval.seconds(), std::move(block) };
    return token;
}

PlayerTimeObservers::Token PlayerTimeObservers::addBoundary(
    const std::vector<MediaTime>& times, std::function<void()> block)
{
    Boundary boundary;
    for (const auto& t : times)
        if (t.isNumeric())
            boundary.times.push_back(t.seconds());
    if (boundary.times.empty() || !block)
        return 0;
    boundary.block = std::move(block);
    const Token token = nextToken_++;
    boundary_[token] = std::move(boundary);
    return token;
}

void PlayerTimeObservers::remove(Token token)
{
    periodic_.erase(token);
    boundary_.erase(token);
}

bool PlayerTimeObservers::crossBoundaries(double from, double to, const std::function<bool()>& carryOn)
{
    std::vector<Token> crossed;
    for (const auto& [token, boundary] : boundary_)
        for (double t : boundary.times)
            if (t > from && t <= to) {
                crossed.push_back(token);
                break;
            }
    for (Token token : crossed) {
        auto it = boundary_.find(token);
        if (it != boundary_.end()) {
            auto block = it->second.block; // the observer may remove itself
            block();
        }
        if (!carryOn())
            return false;
    }
    return true;
}

void PlayerTimeObservers::crossPeriodic(double from, double to)
{
    std::vector<Token> due;
    for (const auto& [token, periodic] : periodic_)
        if (intervalIndex(to, periodic.interval) != intervalIndex(from, periodic.interval))
            due.push_back(token);
    callPeriodic(due, to);
}

void PlayerTimeObservers::reportAll(double seconds)
{
    std::vector<Token> tokens;
    for (const auto& [token, periodic] : periodic_)
        tokens.push_back(token);
    callPeriodic(tokens, seconds);
}

void PlayerTimeObservers::callPeriodic(const std::vector<Token>& tokens, double seconds)
{
    for (Token token : tokens) {
        auto it = periodic_.find(token);
        if (it != periodic_.end()) {
            auto block = it->second.block;
            block(MediaTime::fromSeconds(seconds));
        }
    }
}

} // namespace media
