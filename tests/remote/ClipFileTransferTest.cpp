#include "RemoteEngineFakes.h"
#include "RemoteTestClient.h"
#include "RemoteTestSupport.h"
#include "kit/Files.h"

#include "platform/ManualMediaClock.h"
#include "remote/ClipFileTransfer.h"
#include "remote/PlaybackCommandTable.h"
#include "remote/RemoteStack.h"
#include "remote/RemoteStateBroadcaster.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using namespace remote;

namespace {

struct Fetched {
    QByteArray bytes;
    std::vector<QJsonObject> messages; // every "cache.transfer" of the clip, in order
    QJsonObject last;
};

class ClipFileTransferTest : public ::testing::Test {
protected:
    ClipFileTransferTest()
    {
        const ControlServer::Options options { QHostAddress::LocalHost, 0, {} };
        stack = std::make_unique<RemoteStack>(RemoteStack::Dependencies {
            [] { return QStringLiteral("123456"); }, prompter, &publisher, options, clock });
        auto& server = stack->controlServer();
        snapshots = std::make_unique<RemoteStateBroadcaster>(server, playback, capture);
        transfer = std::make_unique<ClipFileTransfer>(
            ClipFileTransfer::Services { server, playback, [&server](ConnectionId c) { return server.unsentBytes(c); },
                [this](int fd, char* buffer, std::int64_t size) -> std::int64_t {
                    {
                        std::unique_lock lock(gateMutex);
                        gateChanged.wait(lock, [this] { return !gateClosed; });
                    }
                    if (failAfterReads.fetch_sub(1) == 0) {
                        errno = EIO;
                        return -1;
                    }
                    return ::read(fd, buffer, static_cast<std::size_t>(size));
                } });
        table = std::make_unique<PlaybackCommandTable>(
            PlaybackCommandTable::Services { server, playback, capture, *snapshots, *transfer });
        stack->setCommandTable(*table);
        stack->setupControlServer();
        EXPECT_TRUE(QTest::qWaitFor([&server] { return server.isRunning(); }, 5000));
        prompter.autoAnswer = true;
        EXPECT_TRUE(client.connectTo(server.port()));
        client.send({ { "type", "auth.request" }, { "clientKey", "A" }, { "scope", "view" } });
        EXPECT_TRUE(client.expect("auth.grant"));
    }

    ~ClipFileTransferTest() override
    {
        openGate();
        stack->stop();
        transfer.reset();
    }

    void openGate()
    {
        std::lock_guard lock(gateMutex);
        gateClosed = false;
        gateChanged.notify_all();
    }

    PlaybackRemotePort::Clip addClip(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        testkit::writeFile(path, content);
        auto clip = fakeClip(static_cast<int>(playback.clipList.size()) + 1);
        clip.url = QUrl::fromLocalFile(path);
        clip.name = name;
        playback.clipList.push_back(clip);
        return clip;
    }

    void requestFetch(const QString& clipID)
    {
        client.send({ { "action", "cache_fetch_clip" }, { "clientKey", "A" }, { "clipID", clipID } });
        const auto started = client.next().value_or(QJsonObject());
        EXPECT_EQ(started.value("message").toString(), "cache_fetch_clip started");
        EXPECT_EQ(started.value("clipID").toString(), clipID);
    }

    // Messages of the transfer of `clipID` up to its "end" or "error".
    Fetched collect(const QString& clipID, int timeoutMs = 30000)
    {
        Fetched result;
        qint64 seq = 0;
        for (;;) {
            const auto message = client.next(timeoutMs);
            if (!message) {
                ADD_FAILURE() << "no end for " << clipID.toStdString();
                return result;
            }
            EXPECT_EQ(message->value("type").toString(), "cache.transfer");
            EXPECT_EQ(message->value("clipID").toString(), clipID);
            result.last = *message;
            const auto status = message->value("status").toString();
            if (status == "chunk") {
                EXPECT_EQ(message->value("seq").toInteger(), seq++);
                result.bytes += QByteArray::fromBase64(message->value("data").toString().toLatin1());
            } else {
                result.messages.push_back(*message);
            }
            if (status == "end" || status == "error")
                return result;
        }
    }

    QTemporaryDir dir;
    platform::ManualMediaClock clock;
    ScriptedPrompter prompter;
    FakeServicePublisher publisher;
    FakePlaybackPort playback;
    FakeCapturePort capture;
    std::unique_ptr<RemoteStack> stack;
    std::unique_ptr<RemoteStateBroadcaster> snapshots;
    std::unique_ptr<ClipFileTransfer> transfer;
    std::unique_ptr<PlaybackCommandTable> table;
    RemoteTestClient client;
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool gateClosed = false;
    std::atomic<int> failAfterReads { 1 << 30 };
};

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(static_cast<quint32>(size));
    for (auto& byte : bytes)
        byte = static_cast<char>(generator.generate());
    return bytes;
}

TEST_F(ClipFileTransferTest, FilesArriveWholeInNumberedChunks)
{
    for (const qsizetype size : { qsizetype(1), qsizetype(24576), qsizetype(24577) }) {
        const auto content = randomBytes(size);
        const auto clip = addClip(QStringLiteral("file%1.MOV").arg(size), content);
        const auto id = clip.id.toString(QUuid::WithoutBraces).toUpper();
        requestFetch(id);
        const auto fetched = collect(id);
        ASSERT_EQ(fetched.messages.size(), 2u) << size;
        const auto& start = fetched.messages[0];
        EXPECT_EQ(start.value("status").toString(), "start");
        EXPECT_EQ(start.value("fileName").toString(), clip.name);
        EXPECT_EQ(start.value("extension").toString(), "mov");
        EXPECT_EQ(start.value("sizeBytes").toInteger(), size);
        EXPECT_TRUE(fetched.bytes == content) << size;
        EXPECT_EQ(fetched.last,
            QJsonObject({ { "type", "cache.transfer" }, { "status", "end" }, { "clipID", id }, { "sizeBytes", size },
                { "expectedBytes", size } }));
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return transfer->activeTransfers() == 0; }, 5000));
}

TEST_F(ClipFileTransferTest, ManifestListsOnlyFilesThatExist)
{
    const auto bare = addClip(QStringLiteral("NOEXT"), "abc");
    {
        QFile file(dir.filePath("NOEXT"));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(0, Qt::UTC), QFileDevice::FileModificationTime));
    }
    addClip(QStringLiteral("empty.mov"), {});
    playback.clipList.push_back(fakeClip(9));
    client.send({ { "action", "request_cache_manifest" }, { "clientKey", "A" } });
    const auto manifest = client.next();
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->value("payload").toObject().value("clips").toArray(),
        QJsonArray({ QJsonObject { { "id", bare.id.toString(QUuid::WithoutBraces).toUpper() }, { "name", "NOEXT" },
            { "fileName", "NOEXT" }, { "extension", "" }, { "sizeBytes", 3 }, { "modifiedAt", 0 } } }));
    EXPECT_EQ(client.next()->value("count").toInt(), 1);
}

TEST_F(ClipFileTransferTest, EachFailureIsReportedOnce)
{
    const auto empty = addClip(QStringLiteral("empty.mov"), {});
    const auto good = addClip(QStringLiteral("good.mov"), randomBytes(3 * 24576));
    const auto lower = good.id.toString(QUuid::WithoutBraces);
    for (const auto& [clipID, message] :
        { std::pair { QUuid::createUuid().toString(QUuid::WithoutBraces), "clip not found" },
            std::pair { empty.id.toString(QUuid::WithoutBraces).toUpper(), "file missing" } }) {
        requestFetch(clipID);
        const auto fetched = collect(clipID, 5000);
        EXPECT_EQ(fetched.last,
            QJsonObject(
                { { "type", "cache.transfer" }, { "status", "error" }, { "clipID", clipID }, { "message", message } }));
        EXPECT_EQ(fetched.messages.size(), 1u);
    }

    failAfterReads = 1;
    requestFetch(lower);
    const auto failed = collect(lower, 5000);
    EXPECT_EQ(failed.messages.front().value("status").toString(), "start");
    EXPECT_EQ(failed.bytes.size(), 24576) << "one chunk before the failing read, echoed in lower case";
    EXPECT_EQ(failed.last.value("message").toString(), "read failed");
}

TEST_F(ClipFileTransferTest, AFifoNeverHoldsAReader)
{
    const auto first = addClip(QStringLiteral("first.mov"), randomBytes(100));
    const auto second = addClip(QStringLiteral("second.mov"), randomBytes(100));
    const auto firstId = first.id.toString(QUuid::WithoutBraces).toUpper();
    const auto secondId = second.id.toString(QUuid::WithoutBraces).toUpper();
    {
        std::lock_guard lock(gateMutex);
        gateClosed = true;
    }
    for (const auto& id : { firstId, secondId })
        client.send({ { "action", "cache_fetch_clip" }, { "clientKey", "A" }, { "clipID", id } });
    // The second waits behind the first on the same connection; its file becomes a FIFO meanwhile.
    ASSERT_TRUE(client.expect("cache.transfer",
        [&](const QJsonObject& m) { return m.value("status") == "start" && m.value("clipID") == secondId; }));
    const QByteArray path = QFile::encodeName(dir.filePath("second.mov"));
    ASSERT_EQ(::unlink(path.constData()), 0);
    ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
    openGate();
    EXPECT_EQ(collect(firstId, 5000).last.value("status").toString(), "end");
    const auto fifo = collect(secondId, 1000);
    EXPECT_EQ(fifo.last.value("message").toString(), "open failed");
}

TEST_F(ClipFileTransferTest, AGoneClientStopsItsReaderAndASlowOneBoundsTheBacklog)
{
    const auto big = addClip(QStringLiteral("big.mov"), randomBytes(qsizetype(24) << 20));
    const auto id = big.id.toString(QUuid::WithoutBraces).toUpper();
    requestFetch(id);
    client.stopReading();
    auto& server = stack->controlServer();
    const auto connection = server.snapshot().connections.at(0);
    // Once the system's buffers are full the backlog climbs to the threshold, where the reader waits.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return server.unsentBytes(connection).value_or(0) >= ClipFileTransfer::drainThresholdBytes; }, 10000));
    EXPECT_LT(server.unsentBytes(connection).value_or(0), 2 << 20);
    EXPECT_EQ(transfer->activeTransfers(), 1);
    client.socket().abort();
    EXPECT_TRUE(QTest::qWaitFor([this] { return transfer->activeTransfers() == 0; }, 1000));
}

} // namespace
