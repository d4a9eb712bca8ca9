#include "platform/SerialQueue.h"
#include "platform/ManualMediaClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

using platform::ManualMediaClock;
using platform::SerialQueue;

TEST(SerialQueue, RunsBlocksInSubmissionOrderOnOneThread)
{
    SerialQueue queue("Corvale.WriterQueue.0");
    std::vector<int> order;
    std::thread::id worker;
    bool sameThread = true;
    for (int i = 0; i < 1000; ++i) {
        queue.async([&, i] {
            if (i == 0)
                worker = std::this_thread::get_id();
            else if (worker != std::this_thread::get_id())
                sameThread = false;
            order.push_back(i);
        });
    }
    SerialQueue* seen = nullptr;
    queue.sync([&] { seen = SerialQueue::current(); });
    ASSERT_EQ(order.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(sameThread);
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_EQ(seen, &queue);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueue, SyncFromManyThreadsSeesEveryEarlierBlock)
{
    SerialQueue queue("Corvale.Test");
    int counter = 0; // touched only on the queue
    std::vector<std::thread> threads;
    std::atomic<int> mismatches { 0 };
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                int seen = -1;
                queue.async([&counter] { ++counter; });
                queue.sync([&] { seen = counter; });
                if (seen < 1)
                    ++mismatches;
            }
        });
    }
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

TEST(SerialQueue, DelayedBlocksWaitForTheManualClock)
{
    ManualMediaClock clock(50.0);
    SerialQueue queue("Corvale.Test", clock);
    std::vector<int> fired;
    queue.asyncAfter(0.5, [&] { fired.push_back(2); });
    queue.asyncAfter(0.1, [&] { fired.push_back(1); });
    const auto cancelled = queue.asyncAfter(0.2, [&] { fired.push_back(99); });
    queue.cancel(cancelled);

    queue.sync([] {});
    EXPECT_TRUE(fired.empty());

    clock.advance(0.1);
    queue.sync([] {});
    EXPECT_EQ(fired, (std::vector<int> { 1 }));

    clock.advance(1.0);
    queue.sync([] {});
    EXPECT_EQ(fired, (std::vector<int> { 1, 2 }));
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
    // Every tick fires on the first clock reading at or past its grid point.
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        const double gridPoint = 100.0 + static_cast<double>(k + 1) * interval;
        ASSERT_GE(ticks[k], gridPoint - 1e-9) << "tick " << k;
        ASSERT_LT(ticks[k] - gridPoint, interval * 0.41) << "tick " << k;
    }
}

TEST(SerialQueue, RepeatingTimerCoalescesMissedTicksAndCanCancelItself)
{
    ManualMediaClock clock(0.0);
    SerialQueue queue("Corvale.Test", clock);
    int count = 0;
    SerialQueue::TimerId id = 0;
    id = queue.scheduleRepeating(0.1, [&] {
        if (++count == 3)
            queue.cancel(id);
    });
    clock.advance(1.05); // ten ticks missed: one call
    queue.sync([] {});
    EXPECT_EQ(count, 1);
    clock.advance(0.1); // next grid point 1.1
    queue.sync([] {});
    EXPECT_EQ(count, 2);
    clock.advance(0.1);
    queue.sync([] {});
    clock.advance(5.0);
    queue.sync([] {});
    EXPECT_EQ(count, 3);
    EXPECT_EQ(queue.scheduleRepeating(0.0, [] {}), 0u);
}

TEST(SerialQueue, RealClockNeverRunsADelayedBlockEarly)
{
    auto& clock = platform::MediaClock::system();
    SerialQueue queue("Corvale.Test");
    std::promise<double> fired;
    const double start = clock.now();
    queue.asyncAfter(0.002, [&] { fired.set_value(clock.now()); });
    EXPECT_GE(fired.get_future().get() - start, 0.002);
}

TEST(SerialQueue, DestroyedFromInsideItsOwnBlockFinishesWhatWasQueued)
{
    auto* queue = new SerialQueue("Corvale.MovieRecorder");
    std::promise<void> lastRan;
    std::atomic<int> ran { 0 };
    SerialQueue* currentAfterDelete = queue;
    std::promise<void> bothQueued;
    queue->async([&, gate = bothQueued.get_future().share()] {
        gate.wait();
        delete queue; // the owner lets go from the queue itself
        currentAfterDelete = SerialQueue::current();
        ++ran;
    });
    queue->async([&] {
        ++ran;
        lastRan.set_value();
    });
    bothQueued.set_value();
    lastRan.get_future().wait();
    EXPECT_EQ(ran.load(), 2);
    EXPECT_EQ(currentAfterDelete, nullptr);
}
