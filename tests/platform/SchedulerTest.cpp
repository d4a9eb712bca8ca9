#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"
#include "platform/QtScheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <vector>

using platform::ManualMediaClock;
using platform::ManualScheduler;

TEST(ManualScheduler, FiresInDeadlineOrderWithTheClockAtEachDeadline)
{
    ManualMediaClock clock(10.0);
    ManualScheduler scheduler(&clock);
    std::vector<std::pair<int, double>> fired;
    scheduler.once(0.3, [&] { fired.emplace_back(3, clock.now()); });
    scheduler.once(0.1, [&] { fired.emplace_back(1, clock.now()); });
    scheduler.once(0.2, [&] { fired.emplace_back(2, clock.now()); });
    scheduler.advance(0.25);
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[1].first, 2);
    EXPECT_DOUBLE_EQ(fired[0].second, 10.1);
    EXPECT_DOUBLE_EQ(clock.now(), 10.25);
    scheduler.advance(1.0);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(ManualScheduler, CancelFromInsideABlockAndFromAnotherBlock)
{
    ManualScheduler scheduler;
    int a = 0;
    int b = 0;
    platform::Scheduler::TimerId idA = 0;
    platform::Scheduler::TimerId idB = 0;
    idA = scheduler.repeating(1.0, [&] {
        ++a;
        scheduler.cancel(idA);
        scheduler.cancel(idB); // due in the same advance, must not run
    });
    idB = scheduler.once(1.5, [&] { ++b; });
    scheduler.advance(10.0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    scheduler.cancel(12345); // unknown: nothing happens
    EXPECT_EQ(scheduler.repeating(0.0, [] {}), 0u);
}

TEST(QtScheduler, RunsLaterOnTheMainThreadAndCancelsEvenFromItsOwnBlock)
{
    platform::QtScheduler scheduler;
    QEventLoop loop;
    bool cancelledRan = false;
    int ticks = 0;
    const auto cancelled = scheduler.once(0.0, [&] { cancelledRan = true; });
    scheduler.cancel(cancelled);
    platform::Scheduler::TimerId id = 0;
    id = scheduler.repeating(0.001, [&] {
        if (++ticks == 3) {
            scheduler.cancel(id);
            loop.quit();
        }
    });
    EXPECT_EQ(ticks, 0); // never runs inside the call
    loop.exec();
    QCoreApplication::processEvents();
    EXPECT_FALSE(cancelledRan);
    EXPECT_EQ(ticks, 3);
}
