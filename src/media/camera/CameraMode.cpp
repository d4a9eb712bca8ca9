#include "media/camera/CameraMode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace media {

std::string_view ffmpegName(CameraPixelFormat format)
{
    switch (format) {
    case CameraPixelFormat::nv12:
        return "nv12";
    case CameraPixelFormat::yuyv:
        return "yuyv422";
    case CameraPixelFormat::uyvy:
        return "uyvy422";
    case CameraPixelFormat::yuv420:
        return "yuv420p";
    case CameraPixelFormat::mjpeg:
        return "mjpeg";
    case CameraPixelFormat::bgra:
        return "bgra";
    }
    return {};
}

namespace {

constexpr double kRateTolerance = 0.995;

bool reachesRate(const CameraMode& mode, double wanted)
{
    return wanted <= 0.0 || mode.frameRate() >= wanted * kRateTolerance;
}

std::int64_t area(const CameraMode& mode)
{
    return std::int64_t(mode.width) * mode.height;
}

template <class Keep> void keepOnly(std::vector<CameraMode>& modes, Keep keep)
{
    modes.erase(std::remove_if(modes.begin(), modes.end(), [&](const CameraMode& m) { return !keep(m); }), modes.end());
}

} // namespace

std::optional<CameraMode> chooseCameraMode(const std::vector<CameraMode>& offered, const CameraRequest& request)
{
    std::vector<CameraMode> modes;
    for (const auto& mode : offered)
        if (mode.width > 0 && mode.height > 0 && mode.frameRate() > 0.0)
            modes.push_back(mode);
    if (modes.empty())
        return std::nullopt;

    // 1. Rate.
    if (std::any_of(
            modes.begin(), modes.end(), [&](const CameraMode& m) { return reachesRate(m, request.frameRate); })) {
        keepOnly(modes, [&](const CameraMode& m) { return reachesRate(m, request.frameRate); });
    } else {
        double best = 0.0;
        for (const auto& m : modes)
            best = std::max(best, m.frameRate());
        keepOnly(modes, [&](const CameraMode& m) { return m.frameRate() >= best * kRateTolerance; });
    }

    // 2. Size.
    const bool anySize = request.width <= 0 || request.height <= 0;
    const CameraMode* chosenSize = nullptr;
    for (const auto& m : modes) {
        if (!anySize && m.width == request.width && m.height == request.height) {
            chosenSize = &m;
            break;
        }
    }
    if (!chosenSize && !anySize) {
        for (const auto& m : modes)
            if (m.width >= request.width && m.height >= request.height && (!chosenSize || area(m) < area(*chosenSize)))
                chosenSize = &m;
    }
    if (!chosenSize) {
        for (const auto& m : modes)
            if (!chosenSize || area(m) > area(*chosenSize))
                chosenSize = &m;
    }
    const int width = chosenSize->width;
    const int height = chosenSize->height;
    keepOnly(modes, [&](const CameraMode& m) { return m.width == width && m.height == height; });

    // 3. Rate within the size, then 4. format.
    std::sort(modes.begin(), modes.end(), [&](const CameraMode& a, const CameraMode& b) {
        const bool aReaches = reachesRate(a, request.frameRate) && request.frameRate > 0.0;
        const bool bReaches = reachesRate(b, request.frameRate) && request.frameRate > 0.0;
        if (aReaches != bReaches)
            return aReaches;
        if (aReaches) {
            const double da = std::abs(a.frameRate() - request.frameRate);
            const double db = std::abs(b.frameRate() - request.frameRate);
            if (da != db)
                return da < db;
        } else if (a.frameRate() != b.frameRate()) {
            return a.frameRate() > b.frameRate();
        }
        return a.format < b.format;
    });
    return modes.front();
}

} // namespace media
