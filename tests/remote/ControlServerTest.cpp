#include "RemoteTestClient.h"
#include "RemoteTestSupport.h"

#include "remote/ControlServer.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QThread>

#include <limits>
#include <memory>
#include <thread>

using remote::ConnectionId;
using remote::ControlServer;

namespace {

QJsonObject numbered(int n)
{
    return { { QStringLiteral("n"), n } };
}

QByteArray line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

class ControlServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<ControlServer>(publisher, ControlServer::Options { QHostAddress::LocalHost, 0, {} });
        server->setCommandHandler([this](ConnectionId connection, const QJsonObject& message) {
            received.push_back({ connection, message });
        });
        server->startOnce();
        ASSERT_TRUE(QTest::qWaitFor([this] { return server->isRunning(); }, 5000));
    }

    std::unique_ptr<RemoteTestClient> connectClient()
    {
        auto client = std::make_unique<RemoteTestClient>();
        EXPECT_TRUE(client->connectTo(server->port()));
        return client;
    }

    bool waitForReceived(std::size_t count)
    {
        return QTest::qWaitFor([&] { return received.size() >= count; }, 5000);
    }

    // Runs the event loop until the server has accepted `count` connections.
    bool waitForConnections(std::size_t count)
    {
        return QTest::qWaitFor([&] { return server->snapshot().connections.size() == count; }, 5000);
    }

    // Waits on the network thread alone: the main thread's queue is left untouched.
    bool waitOffMainThread(const std::function<bool()>& condition)
    {
        QDeadlineTimer deadline(5000);
        while (!condition()) {
            if (deadline.hasExpired())
                return false;
            QThread::yieldCurrentThread();
        }
        return true;
    }

    FakeServicePublisher publisher;
    std::unique_ptr<ControlServer> server;
    std::vector<std::pair<ConnectionId, QJsonObject>> received;
};

TEST_F(ControlServerTest, EveryOutgoingMessageIsOneCompactLine)
{
    auto client = connectClient();
    ASSERT_TRUE(waitForConnections(1));
    const ConnectionId id = server->snapshot().connections.front();
    const QJsonObject message { { QStringLiteral("type"), QStringLiteral("ack") },
        { QStringLiteral("message"), QStringLiteral("two\nlines\r\n") },
        { QStringLiteral("nested"), QJsonObject { { QStringLiteral("list"), QJsonArray { 1, 2.5, true } } } } };
    server->send(id, message);
    server->broadcastState(message);
    // What JSON cannot carry is not sent at all.
    server->send(id, { { QStringLiteral("x"), std::numeric_limits<double>::quiet_NaN() } });
    server->broadcastState({ { QStringLiteral("x"), std::numeric_limits<double>::infinity() } });
    ASSERT_EQ(client->next(), message);
    ASSERT_EQ(client->next(), message);
    EXPECT_TRUE(client->expectNothing());
    EXPECT_EQ(client->lineCount(), 2);
    EXPECT_EQ(client->malformedLines(), 0);
}

TEST_F(ControlServerTest, LineLimitClosesOnlyTheOffendingConnection)
{
    auto good = connectClient();
    auto bad = connectClient();
    ASSERT_TRUE(waitForConnections(2));
    // Exactly at the limit before its line feed: handled.
    const QByteArray prefix = "{\"pad\":\"";
    const QByteArray suffix = "\"}";
    const QByteArray atLimit
        = prefix + QByteArray(ControlServer::Limits().maxLineBytes - prefix.size() - suffix.size(), 'x') + suffix;
    ASSERT_EQ(atLimit.size(), ControlServer::Limits().maxLineBytes);
    good->sendRaw(atLimit);
    good->sendRaw("\n");
    ASSERT_TRUE(waitForReceived(1));
    // One byte more with no line feed: closed.
    bad->sendRaw(atLimit + "x");
    ASSERT_TRUE(bad->waitForClose());
    good->send(numbered(7));
    ASSERT_TRUE(waitForReceived(2));
    EXPECT_EQ(received.back().second, numbered(7));
    EXPECT_FALSE(good->isClosed());
}

TEST_F(ControlServerTest, ConnectionsBeyondTheLimitAreClosed)
{
    const int limit = ControlServer::Limits().maxConnections;
    std::vector<std::unique_ptr<RemoteTestClient>> clients;
    for (int i = 0; i < limit; ++i)
        clients.push_back(connectClient());
    ASSERT_TRUE(waitForConnections(std::size_t(limit)));
    auto extra = connectClient();
    ASSERT_TRUE(extra->waitForClose());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->connectedClients() == limit; }, 5000));
    clients.back()->send(numbered(64));
    ASSERT_TRUE(waitForReceived(1));
}

TEST_F(ControlServerTest, ReaderThatStopsReadingIsClosedOverTheUnsentLimit)
{
    auto reader = connectClient();
    auto stalled = connectClient();
    stalled->stopReading();
    ASSERT_TRUE(waitForConnections(2));
    const auto ids = server->snapshot().connections;
    const QJsonObject big { { QStringLiteral("blob"), QString(1 << 20, QLatin1Char('b')) } };
    const int messages = int((ControlServer::Limits().maxUnsentBytes >> 20) * 3);
    for (int i = 0; i < messages && server->unsentBytes(ids[1]); ++i) {
        server->send(ids[1], big);
        QTest::qWait(0);
    }
    // A tablet that does not read does not see the close either: the server's side is checked.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server->unsentBytes(ids[1]); }, 20000));
    server->broadcastState(numbered(1));
    EXPECT_EQ(reader->next(), numbered(1));
    EXPECT_FALSE(server->unsentBytes(ids[1]).has_value());
}

TEST_F(ControlServerTest, ReadingPausesWhileTheMainThreadIsBehind)
{
    auto client = connectClient();
    ASSERT_TRUE(waitForConnections(1));
    const ConnectionId id = server->snapshot().connections.front();
    const int total = 1000;
    QByteArray burst;
    for (int i = 0; i < total; ++i)
        burst += line(numbered(i));
    // Written straight to the system: the main thread's queue is not run until the pause is seen.
    client->socket().write(burst);
    client->socket().flush();
    const int allowance = ControlServer::Limits().maxPendingMessages;
    ASSERT_TRUE(waitOffMainThread([&] { return server->snapshot().paused[id]; }));
    EXPECT_EQ(server->snapshot().pending[id], allowance);
    ASSERT_TRUE(waitForReceived(total)) << received.size() << " pending " << server->snapshot().pending[id]
                                        << " paused " << server->snapshot().paused[id];
    for (int i = 0; i < total; ++i)
        ASSERT_EQ(received[std::size_t(i)].second, numbered(i));
    EXPECT_FALSE(server->snapshot().paused[id]);
}

TEST_F(ControlServerTest, ClientKeysFollowTheirLatestConnectionUpToSixteenEach)
{
    auto a = connectClient();
    auto b = connectClient();
    ASSERT_TRUE(waitForConnections(2));
    const auto ids = server->snapshot().connections;
    server->bind(QStringLiteral("K"), ids[0]);
    server->bind(QStringLiteral("K"), ids[1]);
    server->bind(QString(257, QLatin1Char('k')), ids[0]);
    server->bind(QStringLiteral("ghost"), 999999);
    EXPECT_EQ(server->snapshot().connByClientKey.size(), 1u);

    server->sendToClientKey(QStringLiteral("K"), numbered(5));
    EXPECT_EQ(b->next(), numbered(5));

    // The oldest of more than sixteen keys of one connection lets go.
    for (int i = 0; i < 17; ++i)
        server->bind(QStringLiteral("key%1").arg(i), ids[1]);
    const auto many = server->snapshot().connByClientKey;
    EXPECT_EQ(many.count(QStringLiteral("K")) + many.count(QStringLiteral("key0")), 0u);
    EXPECT_EQ(many.size(), 16u);
}

TEST_F(ControlServerTest, SendsFromAnyThreadKeepEachThreadsOrder)
{
    auto client = connectClient();
    ASSERT_TRUE(waitForConnections(1));
    const ConnectionId id = server->snapshot().connections.front();
    const int perThread = 300;
    std::thread worker([&] {
        for (int i = 0; i < perThread; ++i)
            server->send(id, { { QStringLiteral("w"), i } });
    });
    for (int i = 0; i < perThread; ++i)
        server->broadcastState({ { QStringLiteral("m"), i } });
    worker.join();
    int nextWorker = 0;
    int nextMain = 0;
    for (int i = 0; i < 2 * perThread; ++i) {
        const auto message = client->next();
        ASSERT_TRUE(message);
        if (message->contains(QStringLiteral("w")))
            ASSERT_EQ(message->value(QStringLiteral("w")).toInt(), nextWorker++);
        else
            ASSERT_EQ(message->value(QStringLiteral("m")).toInt(), nextMain++);
    }
}

TEST_F(ControlServerTest, StopLeavesNothingAndCannotBeUndone)
{
    auto client = connectClient();
    ASSERT_TRUE(waitForConnections(1));
    server->bind(QStringLiteral("K"), server->snapshot().connections.front());
    const quint16 port = server->port();

    server->stop();
    EXPECT_TRUE(server->snapshot().connections.empty());
    EXPECT_TRUE(server->snapshot().connByClientKey.empty());
    EXPECT_TRUE(client->waitForClose());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !server->isRunning() && server->connectedClients() == 0; }, 5000));
    EXPECT_EQ(publisher.stops, 1);

    server->startOnce();
    RemoteTestClient late;
    EXPECT_FALSE(late.connectTo(port, 500));
}

TEST_F(ControlServerTest, AnnouncesTheServiceWithBothTextKeys)
{
    ASSERT_EQ(publisher.published.size(), 1u);
    const auto& service = publisher.published.front();
    EXPECT_EQ(service.type, QStringLiteral("_corvale._tcp."));
    EXPECT_EQ(service.domain, QStringLiteral("local."));
    EXPECT_EQ(service.port, server->port());
    EXPECT_EQ(service.txt,
        (QList<QPair<QByteArray, QByteArray>> {
            { "app", "Corvale" }, { "port", QByteArray::number(server->port()) } }));
}

} // namespace
