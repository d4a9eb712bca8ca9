#pragma once

// Capture modes a camera offers, what the engine asks for, and how one is chosen.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace media {

// The pixel formats cameras deliver that we can turn into BGRA, best first when a camera offers
// several for the same size and rate: uncompressed formats cost no decoding and carry no
// compression artefacts.
enum class CameraPixelFormat : std::uint8_t { nv12, yuyv, uyvy, yuv420, mjpeg, bgra };

// The name libavdevice and libavcodec know the format by ("yuyv422", "mjpeg" ...).
std::string_view ffmpegName(CameraPixelFormat format);

struct CameraMode {
    CameraPixelFormat format = CameraPixelFormat::yuyv;
    int width = 0;
    int height = 0;
    // Frames per second as an exact fraction (30000/1001 for 29.97).
    int rateNumerator = 0;
    int rateDenominator = 1;

    double frameRate() const { return rateDenominator > 0 ? double(rateNumerator) / rateDenominator : 0.0; }
    bool operator==(const CameraMode&) const = default;
};

// What the engine would like: 0 for a side or the rate means "as large as offered".
struct CameraRequest {
    int width = 1920;
    int height = 1080;
    double frameRate = 30.0;
};

// Chooses the offered mode closest to the request, or none when nothing is offered:
// 1. Rate first, because a slow camera breaks timing and recording while a smaller picture only
//    looks softer: keep the modes whose rate reaches the request (0.5 % tolerance, so 29.97
//    serves 30); when none does, keep those with the highest rate.
// 2. Size: the exact size if kept; else the smallest size covering the request in both
//    directions (we scale down, never up); else the largest size kept.
// 3. Rate again, within that size: the rate nearest the request among those reaching it (30 over
//    29.97 or 60 for a request of 30: no bandwidth spent on frames nobody asked for), else the
//    highest.
// 4. Pixel format in the order of CameraPixelFormat.
std::optional<CameraMode> chooseCameraMode(const std::vector<CameraMode>& offered, const CameraRequest& request);

} // namespace media
