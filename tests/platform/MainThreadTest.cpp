#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <memory>

TEST(MainThread, BlocksFromOtherThreadsRunOnTheMainThreadInOrder)
{
    std::vector<int> order;
    bool allOnMain = true;
    {
        platform::SerialQueue queue("Corvale.Test");
        queue.sync([&] {
            EXPECT_FALSE(platform::isMainThread());
            for (int i = 0; i < 10; ++i)
                platform::runOnMain([&, i] {
                    allOnMain = allOnMain && platform::isMainThread();
                    order.push_back(i);
                });
        });
    }
    EXPECT_TRUE(order.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<int> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
    EXPECT_TRUE(allOnMain);
}

TEST(MainThread, GuardedBlockIsSkippedWhenItsOwnerIsGone)
{
    auto* owner = new QObject;
    auto* survivor = new QObject;
    int ran = 0;
    platform::runOnMain(owner, [&] { ran += 1; });
    platform::runOnMain(survivor, [&] { ran += 10; });
    delete owner;
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 10);
    delete survivor;
}

TEST(MainThread, BlocksPostedByAWorkerAreSkippedOnceTheirFlagIsGone)
{
    // The worker posts while the main thread destroys the guarded object; the worker never
    // touches the object or its flag, only the token taken before it started.
    struct Guarded {
        platform::LivenessFlag liveness;
        int ran = 0;
    };
    auto guarded = std::make_unique<Guarded>();
    int ranAfterDestruction = 0;
    Guarded* raw = guarded.get();
    const auto token = guarded->liveness.token();
    std::atomic<bool> destroyed { false };
    {
        platform::SerialQueue queue("Corvale.Test");
        for (int i = 0; i < 200; ++i)
            queue.async([&, token, raw] {
                platform::runOnMain(token, [&, raw] {
                    if (destroyed)
                        ++ranAfterDestruction;
                    else
                        ++raw->ran;
                });
            });
        queue.async([] {});
        QCoreApplication::processEvents();
        guarded.reset();
        destroyed = true;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ranAfterDestruction, 0);
}

TEST(MainThread, BlocksPostedToAnObjectRunOnItsThreadInOrderUnlessItIsGone)
{
    auto* receiver = new QObject;
    auto* gone = new QObject;
    std::vector<int> order;
    bool onMain = true;
    {
        platform::SerialQueue queue("Corvale.Test");
        queue.sync([&] {
            for (int i = 0; i < 5; ++i) {
                std::vector<int> payload(64, i); // written here, read on the main thread
                EXPECT_TRUE(platform::postTo(receiver, [&, payload] {
                    onMain = onMain && platform::isMainThread();
                    order.push_back(payload.back());
                }));
            }
            platform::postTo(gone, [&] { order.push_back(-1); });
        });
    }
    delete gone;
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<int> { 0, 1, 2, 3, 4 }));
    EXPECT_TRUE(onMain);
    delete receiver;
}
