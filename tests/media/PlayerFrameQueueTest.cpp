#include "media/player/PlayerFrameQueue.h"
#include "media/player/DecodeThreadBudget.h"
#include "media/player/DecodedFrameBudget.h"
#include "media/player/DecodedFrameCache.h"

#include <gtest/gtest.h>

#include <thread>

using namespace media;

namespace {
Frame picture(double time, int size = 8)
{
    MutableFrame f(PixelFormat::BGRA, size, size);
    f.setPresentationTime(time);
    return std::move(f).share();
}
} // namespace

TEST(PlayerFrameQueue, ShowsFramesAsTheirTimeComesAndRefusesOldEpochs)
{
    PlayerFrameQueue queue(3);
    ASSERT_TRUE(queue.push(picture(0.5), 0.04, 0));
    // The first picture of an epoch is shown whatever the time asked.
    EXPECT_DOUBLE_EQ(queue.frameForTime(0.0).frame.presentationTime(), 0.5);
    for (double t : { 0.54, 0.58, 0.62 })
        queue.push(picture(t), 0.04, 0);
    EXPECT_FALSE(queue.hasRoom());
    EXPECT_DOUBLE_EQ(queue.frameForTime(0.5399).frame.presentationTime(), 0.5);
    EXPECT_DOUBLE_EQ(queue.frameForTime(0.60).frame.presentationTime(), 0.58);
    EXPECT_EQ(queue.queuedCount(), 1u);

    // A seek: queued pictures go, the shown one stays until the new epoch has one.
    queue.beginEpoch(1);
    EXPECT_EQ(queue.queuedCount(), 0u);
    EXPECT_FALSE(queue.push(picture(0.66), 0.04, 0));
    EXPECT_DOUBLE_EQ(queue.frameForTime(0.1).frame.presentationTime(), 0.58);
    queue.push(picture(0.1), 0.04, 1);
    EXPECT_EQ(queue.frameForTime(0.1).epoch, 1u);
}

TEST(PlayerFrameQueue, ProducerWaitsForRoomOrAWake)
{
    PlayerFrameQueue queue(1);
    queue.push(picture(0.0), 0.04, 0);
    queue.push(picture(0.04), 0.04, 0);
    std::thread consumer([&] { queue.frameForTime(1.0); });
    queue.waitForWake(true); // returns once the consumer made room
    consumer.join();
    EXPECT_TRUE(queue.hasRoom());

    // A wake that came before the wait is not lost.
    queue.wake();
    queue.waitForWake(false);
    std::thread waker([&] { queue.wake(); });
    queue.waitForWake(false);
    waker.join();
}

TEST(DecodedFrameCache, FindsByIntervalAndEvictsFarthestFromTheRequest)
{
    const std::size_t oneFrame = alignedRowBytes(PixelFormat::BGRA, 8) * 8;
    DecodedFrameCache cache(oneFrame * 4);
    for (int i = 0; i < 4; ++i)
        cache.insert(picture(i * 0.04), 0.04);
    EXPECT_FALSE(cache.find(-0.01).has_value());
    EXPECT_DOUBLE_EQ(cache.find(0.0799).value().frame.presentationTime(), 0.04);
    EXPECT_DOUBLE_EQ(cache.find(0.08)->frame.presentationTime(), 0.08);
    EXPECT_FALSE(cache.find(0.16).has_value()); // past the last picture's interval

    // Stepping backwards from the end: the picture farthest from the request goes first.
    cache.find(0.12);
    cache.insert(picture(0.16), 0.04);
    EXPECT_EQ(cache.count(), 4u);
    EXPECT_FALSE(cache.find(0.0).has_value());
}

TEST(DecodeThreadBudget, SharesTheCoresAmongDecoders)
{
    DecodeThreadBudget budget(8);
    std::vector<DecodeThreadBudget::Lease> leases;
    for (int expected : { 8, 4, 2, 2, 2 }) { // never fewer than two
        leases.push_back(budget.take());
        EXPECT_EQ(leases.back().threads(), expected);
    }
    leases.resize(2);
    EXPECT_EQ(budget.activeLeases(), 2);
}

TEST(DecodedFrameBudget, CachesOpenTogetherShareOneByteBudget)
{
    const std::size_t oneFrame = alignedRowBytes(PixelFormat::BGRA, 8) * 8;
    DecodedFrameBudget budget(oneFrame * 6);
    DecodedFrameCache first(oneFrame * 100, &budget);
    EXPECT_EQ(first.limitBytes(), oneFrame * 6); // alone: the whole budget
    for (int i = 0; i < 6; ++i)
        first.insert(picture(i * 0.04), 0.04);
    {
        DecodedFrameCache second(oneFrame * 100, &budget);
        DecodedFrameCache third(oneFrame, &budget); // its own cap is lower than its share
        EXPECT_EQ(second.limitBytes(), oneFrame * 2);
        EXPECT_EQ(third.limitBytes(), oneFrame);
        first.insert(picture(0.24), 0.04); // the next insert gives back what is over the share
        EXPECT_EQ(first.bytes(), oneFrame * 2);
        for (int i = 0; i < 4; ++i)
            second.insert(picture(i * 0.04), 0.04);
        EXPECT_EQ(second.count(), 2u);
    }
    EXPECT_EQ(first.limitBytes(), oneFrame * 6);
}
