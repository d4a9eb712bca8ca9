#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

using platform::NotificationCenter;

TEST(NotificationCenter, PostFromAnotherThreadIsDeliveredOnTheMainThread)
{
    NotificationCenter center;
    std::vector<std::pair<QThread*, QString>> received;
    center.addObserver(QStringLiteral("corvaleRecordingFinished"), nullptr, [&](const QVariantMap& info) {
        received.emplace_back(QThread::currentThread(), info.value(QStringLiteral("url")).toString());
    });
    platform::SerialQueue("Corvale.WriterQueue.1").sync([&] {
        center.post(QStringLiteral("corvaleRecordingFinished"),
            { { QStringLiteral("url"), QStringLiteral("file:///tmp/a.mov") } });
    });
    EXPECT_TRUE(received.empty()); // not yet: it waits for the main thread
    QCoreApplication::processEvents();
    const decltype(received) expected { { QCoreApplication::instance()->thread(),
        QStringLiteral("file:///tmp/a.mov") } };
    EXPECT_EQ(received, expected);
}

TEST(NotificationCenter, RemovedObserversAndDeadContextsAreNotCalled)
{
    NotificationCenter center;
    int a = 0;
    int b = 0;
    int c = 0;
    int tokenB = 0;
    center.addObserver(QStringLiteral("n"), nullptr, [&](const QVariantMap&) {
        ++a;
        center.removeObserver(tokenB); // removed during delivery: b is skipped
    });
    tokenB = center.addObserver(QStringLiteral("n"), nullptr, [&](const QVariantMap&) { ++b; });
    auto* context = new QObject;
    center.addObserver(QStringLiteral("n"), context, [&](const QVariantMap&) { ++c; });
    center.addObserver(QStringLiteral("other"), nullptr, [&](const QVariantMap&) { ++c; });
    center.post(QStringLiteral("n")); // on the main thread: delivered at once, to that name only
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 1);
    delete context;
    center.post(QStringLiteral("n"));
    EXPECT_EQ(a, 2);
    EXPECT_EQ(c, 1);
}
