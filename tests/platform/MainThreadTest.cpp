#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <memory>

TEST(MainThread, BlocksFromOtherThreadsRunOnTheMainThreadInOrderUnlessTheirOwnerIsGone)
{
    // runOnMain and postTo from a worker; blocks whose guard is destroyed first are skipped.
    QObject receiver;
    auto* gone = new QObject;
    std::vector<int> order;
    bool allOnMain = true;
    platform::SerialQueue("Corvale.Test").sync([&] {
        EXPECT_FALSE(platform::isMainThread());
        for (int i = 0; i < 3; ++i) {
            platform::runOnMain([&, i] {
                allOnMain = allOnMain && platform::isMainThread();
                order.push_back(i);
            });
            std::vector<int> payload(64, 10 + i); // written here, read on the main thread
            EXPECT_TRUE(platform::postTo(&receiver, [&, payload] {
                allOnMain = allOnMain && platform::isMainThread();
                order.push_back(payload.back());
            }));
        }
        platform::postTo(gone, [&] { order.push_back(-2); });
    });
    platform::runOnMain(gone, [&] { order.push_back(-1); });
    EXPECT_TRUE(order.empty());
    delete gone;
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<int> { 0, 10, 1, 11, 2, 12 }));
    EXPECT_TRUE(allOnMain);
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
