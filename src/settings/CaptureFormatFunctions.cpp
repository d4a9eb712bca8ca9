#include "settings/CaptureFormatFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace settings {

namespace {

// Rates are measured or typed as decimals ("50.6"), whose binary distance to a nominal rate can
// land a hair above a tolerance that the decimal distance meets exactly.
constexpr double kSlack = 1e-9;

struct RateCode {
    double rate;
    std::int32_t code;
};

// Nearest listed rate within the tolerance; the earlier entry wins a tie.
std::optional<std::int32_t> matchRate(double fps, std::initializer_list<RateCode> list, double tolerance = 0.6)
{
    std::optional<std::int32_t> best;
    double bestDistance = 0.0;
    for (const auto& entry : list) {
        const double distance = std::abs(fps - entry.rate);
        if (distance > tolerance + kSlack)
            continue;
        if (!best || distance < bestDistance) {
            best = entry.code;
            bestDistance = distance;
        }
    }
    return best;
}

constexpr std::array<double, 10> kNominalRates { 23.98, 24, 25, 29.97, 30, 47.95, 48, 50, 59.94, 60 };

// Scans in list order and moves only to a strictly nearer entry, so ties keep the lower rate.
double nearestNominalRate(double fps, double& distance)
{
    double best = kNominalRates[0];
    distance = std::abs(fps - best);
    for (double rate : kNominalRates) {
        const double d = std::abs(fps - rate);
        if (d < distance) {
            best = rate;
            distance = d;
        }
    }
    return best;
}

constexpr std::int64_t fourCC(char a, char b, char c, char d)
{
    return (static_cast<std::int64_t>(static_cast<unsigned char>(a)) << 24)
        | (static_cast<std::int64_t>(static_cast<unsigned char>(b)) << 16)
        | (static_cast<std::int64_t>(static_cast<unsigned char>(c)) << 8)
        | static_cast<std::int64_t>(static_cast<unsigned char>(d));
}

} // namespace

std::optional<std::int32_t> modeCodeFor(int width, int height, double fps, std::optional<ProjectScanMode> scanMode)
{
    if (width < 1 || height < 1)
        return std::nullopt;
    // NaN compares false everywhere, so it would match no rate at all; treat it as unmeasured.
    const bool unknownRate = !(fps > 0.1);

    if (width == 720 && (height == 486 || height == 480)) {
        if (unknownRate || matchRate(fps, { { 29.97, 0 }, { 30, 0 } }))
            return 0;
        return std::nullopt;
    }
    if (width == 720 && height == 576) {
        if (unknownRate || matchRate(fps, { { 25, 1 } }))
            return 1;
        return std::nullopt;
    }
    if (width == 1280 && height == 720) {
        if (unknownRate)
            return 3;
        return matchRate(fps, { { 50, 2 }, { 59.94, 3 }, { 60, 4 } });
    }
    if (width == 1920 && height == 1080) {
        if (unknownRate)
            return 13;
        if (scanMode == ProjectScanMode::interlaced) {
            if (auto code
                = matchRate(fps, { { 25, 18 }, { 50, 18 }, { 29.97, 19 }, { 59.94, 19 }, { 30, 20 }, { 60, 20 } }))
                return code;
        } else if (scanMode == ProjectScanMode::psf) {
            if (auto code = matchRate(fps, { { 25, 15 }, { 29.97, 16 }, { 30, 17 } }))
                return code;
        }
        return matchRate(fps,
            { { 23.98, 5 }, { 24, 6 }, { 25, 7 }, { 29.97, 8 }, { 30, 9 }, { 50, 12 }, { 59.94, 13 }, { 60, 14 } });
    }
    if (width == 3840 && height == 2160) {
        if (unknownRate)
            return 27;
        return matchRate(fps,
            { { 23.98, 21 }, { 24, 22 }, { 25, 23 }, { 29.97, 24 }, { 30, 25 }, { 50, 26 }, { 59.94, 27 },
                { 60, 28 } });
    }
    return std::nullopt;
}

std::optional<double> fpsForModeCode(std::int32_t modeCode)
{
    if (modeCode < 0 || modeCode > 28)
        return std::nullopt;
    return fpsValue(static_cast<CaptureFormat>(modeCode + 1));
}

std::optional<QSize> sizeForModeCode(std::int32_t modeCode)
{
    if (modeCode == 0)
        return QSize(720, 486);
    if (modeCode == 1)
        return QSize(720, 576);
    if (modeCode >= 2 && modeCode <= 4)
        return QSize(1280, 720);
    if (modeCode >= 5 && modeCode <= 20)
        return QSize(1920, 1080);
    if (modeCode >= 21 && modeCode <= 28)
        return QSize(3840, 2160);
    return std::nullopt;
}

double normalizedOutputFPS(double fps)
{
    // A cadence timer cannot run at an undefined rate; the slowest nominal one is the safe pick.
    if (std::isnan(fps))
        return 24.0;
    double distance = 0.0;
    const double nearest = nearestNominalRate(fps, distance);
    if (distance <= 2.5 + kSlack)
        return nearest;
    return std::clamp(fps, 24.0, 60.0);
}

double normalizedCadenceRate(double fps)
{
    double distance = 0.0;
    const double nearest = nearestNominalRate(fps, distance);
    if (distance <= 0.25 + kSlack)
        return nearest;
    return fps;
}

QString compactColorTag(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String("-"))
        return QStringLiteral("-");
    const QString lower = name.toLower();
    if (lower == QLatin1String("nil") || lower == QLatin1String("null") || lower == QLatin1String("unknown"))
        return QStringLiteral("-");
    if (lower.contains(QLatin1String("709")))
        return QStringLiteral("Rec.709");
    if (lower.contains(QLatin1String("2020")))
        return QStringLiteral("Rec.2020");
    if (lower.contains(QLatin1String("p3")))
        return QStringLiteral("P3");
    if (lower.contains(QLatin1String("2084")) || lower.contains(QLatin1String("pq")))
        return QStringLiteral("PQ");
    if (lower.contains(QLatin1String("hlg")))
        return QStringLiteral("HLG");
    if (lower.contains(QLatin1String("601")))
        return QStringLiteral("Rec.601");
    return QStringLiteral("-");
}

std::optional<ProjectScanMode> projectScanMode(std::int64_t deckLinkField)
{
    switch (deckLinkField) {
    case fourCC('p', 'r', 'o', 'g'):
        return ProjectScanMode::progressive;
    case fourCC('p', 's', 'f', ' '):
        return ProjectScanMode::psf;
    case fourCC('u', 'p', 'p', 'r'):
    case fourCC('l', 'o', 'w', 'r'):
        return ProjectScanMode::interlaced;
    default:
        return std::nullopt;
    }
}

} // namespace settings
