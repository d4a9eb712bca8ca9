#include "media/writer/MovieFrameConverter.h"

#include <cmath>
#include <cstring>

// The loops below run for every recorded pixel; keep them fast in debug builds too.
#pragma GCC optimize("O3")

namespace media {

namespace {

// Output sample writers: 8-bit planes take bytes, 10-bit planes little-endian 16-bit words.
inline void put(std::uint8_t* plane, int index, std::int32_t value)
{
    plane[index] = static_cast<std::uint8_t>(value);
}
inline void put(std::uint16_t* plane, int index, std::int32_t value)
{
    plane[index] = static_cast<std::uint16_t>(value);
}

} // namespace

MovieFrameConverter::MovieFrameConverter(Layout layout, double kr, double kb)
    : layout_(layout)
{
    const double kg = 1.0 - kr - kb;
    // 8-bit limited range: luma 16-235, chroma 16-240 around 128; 10-bit is four times that.
    const double scale = layout == Layout::yuv420p ? 1.0 : 4.0;
    const double one = double(1 << kShift) * scale / 255.0;
    auto fixed = [](double v) { return static_cast<std::int32_t>(std::lround(v)); };
    yr_ = fixed(219.0 * kr * one);
    yg_ = fixed(219.0 * kg * one);
    yb_ = fixed(219.0 * kb * one);
    const double cb = 112.0 / (1.0 - kb) * one;
    const double cr = 112.0 / (1.0 - kr) * one;
    ur_ = fixed(-kr * cb);
    ug_ = fixed(-kg * cb);
    ub_ = fixed((1.0 - kb) * cb);
    vr_ = fixed((1.0 - kr) * cr);
    vg_ = fixed(-kg * cr);
    vb_ = fixed(-kb * cr);
    yOffset_ = static_cast<std::int32_t>(16 * scale);
    cOffset_ = static_cast<std::int32_t>(128 * scale);
}

bool MovieFrameConverter::supports(int width, int height) const
{
    if (width < 1 || height < 1)
        return false;
    switch (layout_) {
    case Layout::yuv420p:
        return width % 2 == 0 && height % 2 == 0;
    case Layout::yuv422p10:
        return width % 2 == 0;
    case Layout::yuv444p10:
        return true;
    }
    return false;
}

void MovieFrameConverter::convert(const std::uint8_t* bgra, std::size_t bgraStride, int width, int height,
    std::uint8_t* const planes[3], const int strides[3]) const
{
    // Copies of the weights in locals, so the compiler can keep them in registers.
    const std::int32_t yr = yr_, yg = yg_, yb = yb_, ur = ur_, ug = ug_, ub = ub_, vr = vr_, vg = vg_, vb = vb_;
    const std::int32_t yBase = (yOffset_ << kShift) + (1 << (kShift - 1));
    auto luma = [&](int r, int g, int b) { return (yBase + yr * r + yg * g + yb * b) >> kShift; };
    // Chroma from the sum of `1 << extra` pixels.
    auto cbOf = [&](int r, int g, int b, int extra) {
        return ((cOffset_ << (kShift + extra)) + (1 << (kShift + extra - 1)) + ur * r + ug * g + ub * b)
            >> (kShift + extra);
    };
    auto crOf = [&](int r, int g, int b, int extra) {
        return ((cOffset_ << (kShift + extra)) + (1 << (kShift + extra - 1)) + vr * r + vg * g + vb * b)
            >> (kShift + extra);
    };

    switch (layout_) {
    case Layout::yuv444p10:
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* s = bgra + bgraStride * static_cast<std::size_t>(y);
            auto* py = reinterpret_cast<std::uint16_t*>(planes[0] + static_cast<std::ptrdiff_t>(strides[0]) * y);
            auto* pu = reinterpret_cast<std::uint16_t*>(planes[1] + static_cast<std::ptrdiff_t>(strides[1]) * y);
            auto* pv = reinterpret_cast<std::uint16_t*>(planes[2] + static_cast<std::ptrdiff_t>(strides[2]) * y);
            for (int x = 0; x < width; ++x, s += 4) {
                const int b = s[0], g = s[1], r = s[2];
                put(py, x, luma(r, g, b));
                put(pu, x, cbOf(r, g, b, 0));
                put(pv, x, crOf(r, g, b, 0));
            }
        }
        break;
    case Layout::yuv422p10:
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* s = bgra + bgraStride * static_cast<std::size_t>(y);
            auto* py = reinterpret_cast<std::uint16_t*>(planes[0] + static_cast<std::ptrdiff_t>(strides[0]) * y);
            auto* pu = reinterpret_cast<std::uint16_t*>(planes[1] + static_cast<std::ptrdiff_t>(strides[1]) * y);
            auto* pv = reinterpret_cast<std::uint16_t*>(planes[2] + static_cast<std::ptrdiff_t>(strides[2]) * y);
            for (int x = 0; x < width; x += 2, s += 8) {
                const int b0 = s[0], g0 = s[1], r0 = s[2];
                const int b1 = s[4], g1 = s[5], r1 = s[6];
                put(py, x, luma(r0, g0, b0));
                put(py, x + 1, luma(r1, g1, b1));
                put(pu, x / 2, cbOf(r0 + r1, g0 + g1, b0 + b1, 1));
                put(pv, x / 2, crOf(r0 + r1, g0 + g1, b0 + b1, 1));
            }
        }
        break;
    case Layout::yuv420p:
        for (int y = 0; y < height; y += 2) {
            const std::uint8_t* s0 = bgra + bgraStride * static_cast<std::size_t>(y);
            const std::uint8_t* s1 = s0 + bgraStride;
            std::uint8_t* py0 = planes[0] + static_cast<std::ptrdiff_t>(strides[0]) * y;
            std::uint8_t* py1 = py0 + strides[0];
            std::uint8_t* pu = planes[1] + static_cast<std::ptrdiff_t>(strides[1]) * (y / 2);
            std::uint8_t* pv = planes[2] + static_cast<std::ptrdiff_t>(strides[2]) * (y / 2);
            for (int x = 0; x < width; x += 2, s0 += 8, s1 += 8) {
                const int b00 = s0[0], g00 = s0[1], r00 = s0[2];
                const int b01 = s0[4], g01 = s0[5], r01 = s0[6];
                const int b10 = s1[0], g10 = s1[1], r10 = s1[2];
                const int b11 = s1[4], g11 = s1[5], r11 = s1[6];
                put(py0, x, luma(r00, g00, b00));
                put(py0, x + 1, luma(r01, g01, b01));
                put(py1, x, luma(r10, g10, b10));
                put(py1, x + 1, luma(r11, g11, b11));
                const int r = r00 + r01 + r10 + r11, g = g00 + g01 + g10 + g11, b = b00 + b01 + b10 + b11;
                put(pu, x / 2, cbOf(r, g, b, 2));
                put(pv, x / 2, crOf(r, g, b, 2));
            }
        }
        break;
    }
}

} // namespace media
