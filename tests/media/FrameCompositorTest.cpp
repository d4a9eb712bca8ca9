// The BGRA compositor: fills, exact 1:1 and 2:1 draws read back pixel by pixel, bilinear scaling
// that blends between neighbours and stretches, clipping at the canvas edge, aspect fitting, and
// 4:2:2 pictures converted on the way.

#include "media/frame/FrameCompositor.h"

#include <gtest/gtest.h>

using media::Frame;
using media::FrameCompositor;
using media::MutableFrame;
using media::PixelFormat;

namespace {

std::uint32_t argbAt(const Frame& frame, int x, int y)
{
    return reinterpret_cast<const std::uint32_t*>(frame.row(y))[x];
}

// A picture whose pixel (x, y) is 0xFF, then y, x, and (x + y) in the low byte (blue).
Frame pattern(int width, int height)
{
    MutableFrame frame(PixelFormat::BGRA, width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(frame.row(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xFF000000u | std::uint32_t(y & 0xFF) << 16 | std::uint32_t(x & 0xFF) << 8 | ((x + y) & 0xFF);
    }
    return std::move(frame).share();
}

TEST(FrameCompositorTest, CanvasIsOpaqueBlackAndFillsClip)
{
    EXPECT_TRUE(FrameCompositor::blackCanvas({ 0, 10 }).isNull());
    MutableFrame canvas = FrameCompositor::blackCanvas({ 8, 4 });
    FrameCompositor::fill(canvas, QRect(6, 2, 10, 10), 0xFF112233u); // runs past the edge
    const Frame frame = std::move(canvas).share();
    EXPECT_EQ(argbAt(frame, 5, 3), 0xFF000000u);
    EXPECT_EQ(frame.row(2)[4 * 6], 0x33); // B, G, R, A in memory

    // Covered rectangles are left to the caller; everything around them is black.
    const QRect covered[] = { QRect(1, 1, 2, 2), QRect(2, 2, 3, 1) };
    MutableFrame grid = FrameCompositor::blackCanvas({ 6, 4 }, covered);
    for (const QRect& r : covered)
        FrameCompositor::fill(grid, r, 0xFFFFFFFFu);
    const Frame filled = std::move(grid).share();
    int black = 0;
    for (int i = 0; i < 24; ++i)
        black += argbAt(filled, i % 6, i / 6) == 0xFF000000u;
    EXPECT_EQ(black, 24 - 6); // the six covered pixels white, every other one black
}

TEST(FrameCompositorTest, OneToOneCopiesAndTwoToOneAveragesExactly)
{
    const Frame source = pattern(16, 8);
    MutableFrame canvas = FrameCompositor::blackCanvas({ 20, 12 });
    ASSERT_TRUE(FrameCompositor::draw(canvas, source, QRect(2, 3, 16, 8)));
    ASSERT_TRUE(FrameCompositor::draw(canvas, source, QRect(0, 0, 8, 4))); // halves: the SIMD path
    const Frame frame = std::move(canvas).share();
    for (int y = 4; y < 11; ++y)
        for (int x = 8; x < 18; ++x)
            ASSERT_EQ(argbAt(frame, x, y), argbAt(source, x - 2, y - 3)) << x << "," << y;
    // A 2x2 block of (x, y) ... (x+1, y+1): the mean of each channel.
    // (2y + 2y+1) / 2 rounded up, likewise for x; opaque.
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(
            argbAt(frame, i % 8, i / 8) >> 8, 0xFF0000u | std::uint32_t(2 * (i / 8) + 1) << 8 | (2 * (i % 8) + 1));
}

TEST(FrameCompositorTest, BilinearBlendsStretchesAndClips)
{
    // Two columns, black and white, stretched to 8 x 3: a ramp from black to white, every row alike.
    MutableFrame two = FrameCompositor::blackCanvas({ 2, 1 });
    FrameCompositor::fill(two, QRect(1, 0, 1, 1), 0xFFFFFFFFu);
    const Frame source = std::move(two).share();
    MutableFrame canvas = FrameCompositor::blackCanvas({ 8, 3 });
    ASSERT_TRUE(FrameCompositor::draw(canvas, source, QRect(0, 0, 8, 3)));
    const Frame ramp = std::move(canvas).share();
    EXPECT_EQ(argbAt(ramp, 0, 0), 0xFF000000u);
    EXPECT_EQ(argbAt(ramp, 7, 2), 0xFFFFFFFFu);
    for (int x = 1; x < 8; ++x)
        EXPECT_GE(argbAt(ramp, x, 1) & 0xFF, argbAt(ramp, x - 1, 1) & 0xFF);

    // A target hanging over every edge draws only inside, scaled as a whole.
    const Frame big = pattern(40, 40);
    MutableFrame clipped = FrameCompositor::blackCanvas({ 10, 10 });
    ASSERT_TRUE(FrameCompositor::draw(clipped, big, QRect(-15, -15, 40, 40)));
    ASSERT_TRUE(FrameCompositor::draw(clipped, big, QRect(-30, -30, 30, 30))); // wholly outside
    const Frame inside = std::move(clipped).share();
    EXPECT_EQ(argbAt(inside, 0, 0), argbAt(big, 15, 15));
    EXPECT_EQ(argbAt(inside, 9, 9), argbAt(big, 24, 24));

    MutableFrame other = FrameCompositor::blackCanvas({ 4, 4 });
    EXPECT_FALSE(
        FrameCompositor::draw(other, std::move(MutableFrame(PixelFormat::UYVY422, 4, 4)).share(), QRect(0, 0, 4, 4)));
}

TEST(FrameCompositorTest, AspectFitCentresOnWholePixels)
{
    EXPECT_EQ(FrameCompositor::aspectFit({ 720, 576 }, QRect(0, 0, 1920, 1080)), QRect(285, 0, 1350, 1080));
    EXPECT_EQ(FrameCompositor::aspectFit({ 1920, 1080 }, QRect(960, 0, 960, 1080)), QRect(960, 270, 960, 540));
    EXPECT_EQ(FrameCompositor::aspectFit({ 0, 1080 }, QRect(1, 2, 3, 4)), QRect(1, 2, 3, 4));
}

TEST(FrameCompositorTest, ScaledKeepsTagsAndConvertsFourTwoTwo)
{
    const Frame source = pattern(64, 36).withColorTags({ media::ColorPrimaries::ITU_R_2020,
        media::TransferFunction::SMPTE_ST_2084_PQ, media::YCbCrMatrix::ITU_R_2020 });
    EXPECT_EQ(FrameCompositor::scaled(source, { 96, 54 }).colorTags(), source.colorTags());

    // Mid grey in 4:2:2 (Y 126, neutral chroma) is grey in BGRA.
    MutableFrame uyvy(PixelFormat::UYVY422, 16, 4);
    for (int y = 0; y < 4; ++y)
        for (int i = 0; i < 32; ++i)
            uyvy.row(y)[i] = i % 2 ? 126 : 128;
    const Frame grey = FrameCompositor::scaled(std::move(uyvy).share(), { 16, 4 });
    ASSERT_EQ(grey.format(), PixelFormat::BGRA);
    const std::uint32_t value = argbAt(grey, 5, 2);
    EXPECT_NEAR(int(value & 0xFF), 128, 4);
    EXPECT_EQ(value & 0xFF, (value >> 8) & 0xFF);
}

} // namespace
