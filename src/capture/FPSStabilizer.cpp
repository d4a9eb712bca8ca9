#include "capture/FPSStabilizer.h"

#include <cmath>

namespace capture {

namespace {

struct NominalRate {
    double fps;
    double tolerance;
    const char* label;
    int fpsInt;
};

constexpr NominalRate kNominalRates[] = {
    { 23.976, 0.8, "23.98", 24 },
    { 24, 0.6, "24", 24 },
    { 25, 0.6, "25", 25 },
    { 29.97, 0.8, "29.97", 30 },
    { 30, 0.8, "30", 30 },
    { 47.95, 0.8, "47.95", 48 },
    { 48, 0.6, "48", 48 },
    { 50, 0.8, "50", 50 },
    { 59.94, 1.0, "59.94", 60 },
    { 60, 1.0, "60", 60 },
};

} // namespace

std::optional<FPSReading> FPSStabilizer::quantize(double fps)
{
    const NominalRate* best = nullptr;
    double bestDistance = 0;
    for (const auto& row : kNominalRates) {
        const double distance = std::abs(fps - row.fps);
        if (distance <= row.tolerance && (!best || distance < bestDistance)) {
            best = &row;
            bestDistance = distance;
        }
    }
    if (!best)
        return std::nullopt;
    return FPSReading { best->fpsInt, QString::fromLatin1(best->label) };
}

std::optional<FPSReading> FPSStabilizer::push(double instantFPS, double now)
{
    if (!std::isfinite(instantFPS) || instantFPS < minFPS || instantFPS > maxFPS)
        return std::nullopt;
    auto reading = quantize(instantFPS);
    if (!reading)
        return std::nullopt;
    if (candidate == reading) {
        const double hold = stable ? changeHoldSeconds : initialHoldSeconds;
        if (now - candidateSince >= hold && stable != reading) {
            stable = reading;
            return reading;
        }
        return std::nullopt;
    }
    candidate = std::move(reading);
    candidateSince = now;
    return std::nullopt;
}

void FPSStabilizer::reset()
{
    stable.reset();
    candidate.reset();
    candidateSince = 0;
}

} // namespace capture
