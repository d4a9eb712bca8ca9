// The scaled-frame cache: a 4:3 picture letterboxed in a 16:9 size, one scale per distinct size
// however many views share it, the newest frame winning over frames that arrive while a size is
// busy, and sizes dropped when their last view goes.

#include "media/frame/ScaledFrameCache.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using media::Frame;
using media::MutableFrame;
using media::PixelFormat;
using media::ScaledFrameCache;

namespace {

Frame solid(int width, int height, std::uint32_t argb)
{
    MutableFrame frame(PixelFormat::BGRA, width, height);
    for (int y = 0; y < height; ++y)
        std::fill_n(reinterpret_cast<std::uint32_t*>(frame.row(y)), width, argb);
    return std::move(frame).share();
}

std::uint32_t pixel(const Frame& frame, int x, int y)
{
    return reinterpret_cast<const std::uint32_t*>(frame.row(y))[x];
}

// Waits (bounded) until the cache has handed back a picture of `size` made from `colour`.
bool waitFor(ScaledFrameCache& cache, QSize size, std::uint32_t colour)
{
    QSignalSpy spy(&cache, &ScaledFrameCache::frameReady);
    for (int i = 0; i < 50; ++i) {
        const Frame f = cache.scaledFrame(size);
        if (!f.isNull() && pixel(f, size.width() / 2, size.height() / 2) == colour)
            return true;
        spy.wait(200);
    }
    return false;
}

TEST(ScaledFrameCacheTest, OneScalePerDistinctSizeAndLatestWins)
{
    ScaledFrameCache cache;
    const QSize a(64, 36), b(32, 18);
    for (const QSize size : { a, a, b, QSize(0, 5) }) // a second view of the same size; an empty one
        cache.acquire(size);
    cache.setSource(solid(16, 9, 0xFF0000FFu));
    EXPECT_EQ(cache.scaleCount(), 2u);
    // Frames that arrive while both sizes are busy start no job of their own.
    cache.setSource(solid(16, 9, 0xFF00FF00u));
    cache.setSource(solid(16, 9, 0xFFFF0000u));
    EXPECT_EQ(cache.scaleCount(), 2u);
    EXPECT_TRUE(waitFor(cache, a, 0xFFFF0000u));
    EXPECT_TRUE(waitFor(cache, b, 0xFFFF0000u));
    EXPECT_EQ(cache.scaleCount(), 4u); // the first job and the newest frame, per size

    // The last view of a size takes its picture with it; a null source clears the rest.
    cache.release(b);
    EXPECT_TRUE(cache.scaledFrame(b).isNull());
    cache.release(a); // one view of it is left
    cache.setSource(Frame {});
    EXPECT_TRUE(cache.scaledFrame(a).isNull());
}

} // namespace
