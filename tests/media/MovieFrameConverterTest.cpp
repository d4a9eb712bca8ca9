#include "media/writer/MovieFrameConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using media::MovieFrameConverter;

namespace {

struct Matrix {
    double kr, kb;
};

struct Expected {
    double y, cb, cr; // 8-bit units
};

// The limited-range formula, in floating point.
Expected reference(Matrix m, double r, double g, double b)
{
    const double kg = 1 - m.kr - m.kb;
    const double luma = m.kr * r + kg * g + m.kb * b;
    return { 16 + 219 * luma / 255, 128 + 112 * (b - luma) / (255 * (1 - m.kb)),
        128 + 112 * (r - luma) / (255 * (1 - m.kr)) };
}

struct Picture {
    int width, height;
    std::vector<std::uint8_t> bgra;
    std::uint8_t rgb(int x, int y, int c) const
    {
        return bgra[(static_cast<std::size_t>(y) * width + x) * 4 + (2 - c)];
    }
};

Picture randomPicture(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    Picture p { width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4) };
    for (auto& byte : p.bgra)
        byte = static_cast<std::uint8_t>(random());
    // The extremes must not overflow or wrap.
    std::memset(p.bgra.data(), 0xff, 8);
    std::memset(p.bgra.data() + 8, 0x00, 8);
    return p;
}

struct Planes {
    std::vector<std::uint8_t> data[3];
    int strides[3];
    double at(int plane, int x, int y, bool wide) const
    {
        const std::uint8_t* row = data[plane].data() + static_cast<std::size_t>(strides[plane]) * y;
        if (!wide)
            return row[x];
        std::uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        return v / 4.0;
    }
};

Planes convert(const MovieFrameConverter& converter, const Picture& p, int chromaWidth, int chromaHeight, int bytes)
{
    Planes planes;
    const int widths[3] = { p.width, chromaWidth, chromaWidth };
    const int heights[3] = { p.height, chromaHeight, chromaHeight };
    std::uint8_t* pointers[3];
    for (int i = 0; i < 3; ++i) {
        planes.strides[i] = widths[i] * bytes + 32; // padded rows
        planes.data[i].assign(static_cast<std::size_t>(planes.strides[i]) * heights[i], 0);
        pointers[i] = planes.data[i].data();
    }
    converter.convert(
        p.bgra.data(), static_cast<std::size_t>(p.width) * 4, p.width, p.height, pointers, planes.strides);
    return planes;
}

} // namespace

TEST(MovieFrameConverter, EveryLayoutFollowsTheLimitedRangeFormulaOfItsMatrix)
{
    const Matrix matrices[] = { { 0.2126, 0.0722 }, { 0.299, 0.114 }, { 0.2627, 0.0593 } };
    for (const Matrix m : matrices) {
        const Picture p = randomPicture(16, 6, 7);
        for (auto layout : { MovieFrameConverter::Layout::yuv420p, MovieFrameConverter::Layout::yuv422p10,
                 MovieFrameConverter::Layout::yuv444p10 }) {
            const MovieFrameConverter converter(layout, m.kr, m.kb);
            ASSERT_TRUE(converter.supports(p.width, p.height));
            const bool wide = layout != MovieFrameConverter::Layout::yuv420p;
            const int sx = layout == MovieFrameConverter::Layout::yuv444p10 ? 1 : 2;
            const int sy = layout == MovieFrameConverter::Layout::yuv420p ? 2 : 1;
            const Planes planes = convert(converter, p, p.width / sx, p.height / sy, wide ? 2 : 1);
            // 8-bit results may round either way; 10-bit ones are a quarter of that.
            const double tolerance = wide ? 0.26 : 0.51;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x)
                    EXPECT_NEAR(planes.at(0, x, y, wide),
                        reference(m, p.rgb(x, y, 0), p.rgb(x, y, 1), p.rgb(x, y, 2)).y, tolerance);
            // Chroma of the average of the pixels each sample covers.
            for (int cy = 0; cy < p.height / sy; ++cy) {
                for (int cx = 0; cx < p.width / sx; ++cx) {
                    double r = 0, g = 0, b = 0;
                    for (int dy = 0; dy < sy; ++dy)
                        for (int dx = 0; dx < sx; ++dx) {
                            r += p.rgb(cx * sx + dx, cy * sy + dy, 0);
                            g += p.rgb(cx * sx + dx, cy * sy + dy, 1);
                            b += p.rgb(cx * sx + dx, cy * sy + dy, 2);
                        }
                    const double n = sx * sy;
                    const Expected e = reference(m, r / n, g / n, b / n);
                    EXPECT_NEAR(planes.at(1, cx, cy, wide), e.cb, tolerance);
                    EXPECT_NEAR(planes.at(2, cx, cy, wide), e.cr, tolerance);
                }
            }
            // Nothing is written past the picture's samples in a padded row.
            EXPECT_EQ(planes.data[0][static_cast<std::size_t>(p.width) * (wide ? 2 : 1)], 0);
        }
    }
}

TEST(MovieFrameConverter, SubsampledLayoutsNeedEvenSizes)
{
    const MovieFrameConverter c420(MovieFrameConverter::Layout::yuv420p, 0.2126, 0.0722);
    const MovieFrameConverter c422(MovieFrameConverter::Layout::yuv422p10, 0.2126, 0.0722);
    const MovieFrameConverter c444(MovieFrameConverter::Layout::yuv444p10, 0.2126, 0.0722);
    EXPECT_TRUE(c420.supports(64, 36));
    EXPECT_FALSE(c420.supports(64, 37));
    EXPECT_FALSE(c420.supports(65, 36));
    EXPECT_TRUE(c422.supports(64, 37));
    EXPECT_FALSE(c422.supports(65, 36));
    EXPECT_TRUE(c444.supports(65, 37));
    EXPECT_FALSE(c444.supports(0, 36));
}
