#include "platform/SerialQueue.h"
#include "platform/ManualMediaClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <numeric>
#include <thread>
#include <tuple>
#include <vector>

using platform::ManualMediaClock;
using platform::SerialQueue;

TEST(SerialQueue, RunsBlocksInSubmissionOrderOnOneThread)
{
    SerialQueue queue("Corvale.WriterQueue.0");
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    for (int i = 0; i < 1000; ++i)
        queue.async([&, i] { order.push_back(i), threads.push_back(std::this_thread::get_id()); });
    SerialQueue* seen = nullptr;
    queue.sync([&] { seen = SerialQueue::current(); });
    std::vector<int> expected(1000);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(std::count(threads.begin(), threads.end(), threads.front()), 1000);
    EXPECT_NE(threads.front(), std::this_thread::get_id());
    EXPECT_EQ(seen, &queue);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueue, SyncFromManyThreadsSeesEveryEarlierBlock)
{
    SerialQueue queue("Corvale.Test");
    int counter = 0; // touched only on the queue
    std::vector<std::thread> threads;
    std::atomic<int> mismatches { 0 };
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 1; i <= 200; ++i) {
                int seen = 0;
                queue.async([&counter] { ++counter; });
                queue.sync([&] { seen = counter; });
                mismatches += seen < i ? 1 : 0; // this thread's own blocks all ran before its sync
            }
        });
    for (auto& thread : threads)
        thread.join();
    int total = 0;
    queue.sync([&] { total = counter; });
    EXPECT_EQ(total, 8 * 200);
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(SerialQueue, SyncInsideABlockRunsInlineInsteadOfDeadlocking)
{
    SerialQueue queue("Corvale.Test");
    std::vector<int> order;
    queue.sync([&] {
        order.push_back(1);
        queue.sync([&] { order.push_back(2); });
        order.push_back(3);
    });
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
}

TEST(SerialQueue, ShutdownRunsPendingBlocksThenRefusesNewOnes)
{
    std::atomic<int> ran { 0 };
    auto queue = std::make_unique<SerialQueue>("Corvale.Test");
    // The first block holds the queue until another thread opens the gate, so shutdown meets
    // a full queue.
    std::promise<void> gate;
    queue->async([opened = gate.get_future().share()] { opened.wait(); });
    for (int i = 0; i < 50; ++i)
        queue->async([&] { ++ran; });
    std::thread releaser([&] { gate.set_value(); });
    queue->shutdown();
    releaser.join();
    EXPECT_EQ(ran.load(), 50);
    EXPECT_FALSE(queue->async([&] { ++ran; }));
    EXPECT_FALSE(queue->sync([&] { ++ran; }));
    EXPECT_EQ(queue->asyncAfter(0.0, [&] { ++ran; }), 0u);
    queue.reset();
    EXPECT_EQ(ran.load(), 50);
}

TEST(SerialQueue, DelayedAndRepeatingBlocksFollowTheManualClock)
{
    ManualMediaClock clock(0.0);
    SerialQueue queue("Corvale.Test", clock);
    std::vector<int> fired;
    queue.asyncAfter(0.5, [&] { fired.push_back(2); });
    queue.asyncAfter(0.1, [&] { fired.push_back(1); });
    queue.cancel(queue.asyncAfter(0.2, [&] { fired.push_back(99); }));
    int count = 0;
    SerialQueue::TimerId id = 0;
    id = queue.scheduleRepeating(0.1, [&] {
        if (++count == 3)
            queue.cancel(id);
    });
    // Missed ticks coalesce into one call; the next stays on the grid (1.1, not 1.05 + 0.1).
    for (const auto& [step, calls, expected] : std::vector<std::tuple<double, int, std::vector<int>>> {
             { 0.0, 0, {} }, { 0.1, 1, { 1 } }, { 0.95, 2, { 1, 2 } }, { 0.07, 3, { 1, 2 } }, { 5.0, 3, { 1, 2 } } }) {
        clock.advance(step);
        queue.sync([] {});
        EXPECT_EQ(fired, expected) << step;
        EXPECT_EQ(count, calls) << step;
    }
    EXPECT_EQ(queue.scheduleRepeating(0.0, [] {}), 0u);
}

TEST(SerialQueue, RepeatingTimerStaysOnItsGridOverManyTicks)
{
    ManualMediaClock clock(100.0);
    SerialQueue queue("Corvale.Cadence", clock);
    const double interval = 1.0 / 59.94;
    std::vector<double> ticks;
    queue.scheduleRepeating(interval, [&] { ticks.push_back(clock.now()); });

    // The clock moves in uneven steps shorter than the interval; the grid must not drift.
    const double steps[] = { 0.25, 0.4, 0.35 };
    for (int i = 0; i < 30000; ++i) {
        clock.advance(interval * steps[i % 3]);
        queue.sync([] {});
    }
    ASSERT_GE(ticks.size(), 9999u);
    ASSERT_LE(ticks.size(), 10000u);
    // The last tick still fires on the first clock reading at or past its grid point.
    const double gridPoint = 100.0 + static_cast<double>(ticks.size()) * interval;
    EXPECT_GE(ticks.back(), gridPoint - 1e-9);
    EXPECT_LT(ticks.back() - gridPoint, interval * 0.41);
}

TEST(SerialQueue, DestroyedFromInsideItsOwnBlockFinishesWhatWasQueued)
{
    auto* queue = new SerialQueue("Corvale.MovieRecorder");
    std::promise<void> lastRan;
    SerialQueue* currentAfterDelete = queue;
    std::promise<void> bothQueued;
    queue->async([&, gate = bothQueued.get_future().share()] {
        gate.wait();
        delete queue; // the owner lets go from the queue itself
        currentAfterDelete = SerialQueue::current();
    });
    queue->async([&] { lastRan.set_value(); });
    bothQueued.set_value();
    lastRan.get_future().wait(); // the block queued after the delete still runs
    EXPECT_EQ(currentAfterDelete, nullptr);
}
