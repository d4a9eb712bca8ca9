// The cadence pump on a manual clock: exactly one frame per tick at the output's rate, repeats of
// the last prepared frame when starved (prepared once), the newest six waiting, and frames of an
// earlier output run never shown.

#include "capture/OutputCadencePump.h"
#include "media/frame/FrameCompositor.h"
#include "platform/ManualMediaClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

using capture::OutputCadencePump;

namespace {

class OutputCadencePumpTest : public ::testing::Test {
protected:
    // A frame whose height tells it apart.
    static media::Frame frame(int id) { return std::move(media::FrameCompositor::blackCanvas(QSize(2, id))).share(); }

    void tick(double fps, int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.advance(1.0 / fps + 1e-9);
            output.sync([] {});
        }
    }
    void start(double fps)
    {
        output.sync([&] { pump.start(fps); });
    }
    std::vector<int> sentIds()
    {
        std::lock_guard lock(mutex);
        std::vector<int> ids;
        for (const auto& sent : sentFrames)
            ids.push_back(sent.height());
        return ids;
    }

    platform::ManualMediaClock clock;
    platform::SerialQueue output { "Corvale.DeckLinkOutQueue", clock };
    platform::SerialQueue frameState { "Corvale.OutputFrameState", clock };
    std::atomic<bool> on { true };
    std::atomic<int> prepared { 0 };
    std::mutex mutex;
    std::vector<media::Frame> sentFrames;
    OutputCadencePump pump { output, frameState,
        { [this] { return on.load(); }, [] {},
            [this](const media::Frame& f) {
                ++prepared;
                return f;
            },
            [this](const media::Frame& f) {
                std::lock_guard lock(mutex);
                sentFrames.push_back(f);
            } } };
};

TEST_F(OutputCadencePumpTest, SendsOneFramePerTickAndRepeatsWhenStarved)
{
    for (double fps : { 25.0, 50.0, 60.0 }) {
        SCOPED_TRACE(fps);
        start(fps);
        pump.clear();
        {
            std::lock_guard lock(mutex);
            sentFrames.clear();
        }
        prepared = 0;
        tick(fps); // nothing enqueued yet: nothing sent
        EXPECT_TRUE(sentIds().empty());
        for (int id = 1; id <= 3; ++id)
            pump.enqueue(frame(id), pump.generation());
        tick(fps, 5);
        EXPECT_EQ(sentIds(), (std::vector<int> { 1, 2, 3, 3, 3 }));
        EXPECT_EQ(prepared.load(), 3); // repeats are not prepared again
        output.sync([&] { EXPECT_DOUBLE_EQ(pump.fps(), fps); });
    }
}

TEST_F(OutputCadencePumpTest, KeepsTheNewestSixInArrivalOrder)
{
    for (int id = 1; id <= 9; ++id)
        pump.enqueue(frame(id), pump.generation());
    EXPECT_EQ(pump.pendingCount(), 6u);
    start(25);
    tick(25, 6);
    EXPECT_EQ(sentIds(), (std::vector<int> { 4, 5, 6, 7, 8, 9 }));
}

TEST_F(OutputCadencePumpTest, SendsNothingWhileTheOutputIsOffOrAfterAClear)
{
    start(25);
    on = false;
    pump.enqueue(frame(1), pump.generation());
    tick(25, 2);
    EXPECT_TRUE(sentIds().empty());
    on = true;
    tick(25);
    EXPECT_EQ(sentIds(), (std::vector<int> { 1 }));

    // A frame handed in before the clear (a composition finishing late) is not shown afterwards,
    // and the prepared frame is not repeated.
    const auto before = pump.generation();
    pump.clear();
    pump.enqueue(frame(2), before);
    tick(25, 2);
    EXPECT_EQ(sentIds(), (std::vector<int> { 1 }));
}

} // namespace
