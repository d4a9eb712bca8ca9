// Remote control over the station's real engines: the playback engine on fake players, the
// capture engine without cards or cameras, the control server on loopback.

#include "RemoteStationKit.h"
#include "RemoteTestClient.h"
#include "RemoteTestSupport.h"

#include "fakes/FakeMediaPlayer.h"
#include "platform/ManualScheduler.h"
#include "remote/PlaybackRemotePort.h"
#include "remote/RemoteStateBroadcaster.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTest>

#include <memory>

using namespace remote;

namespace {

class RemoteStationTest : public ::testing::Test {
protected:
    QUuid record(const QString& name, const QByteArray& content) { return kit.record(name, content); }
    media::FakeMediaPlayer& mainPlayer() { return kit.mainPlayer(); }

    void connectWithControl(RemoteTestClient& client)
    {
        kit.stack->setupControlServer();
        ASSERT_TRUE(QTest::qWaitFor([this] { return kit.stack->controlServer().isRunning(); }, 5000));
        prompter.autoAnswer = true;
        ASSERT_TRUE(client.connectTo(kit.stack->controlServer().port()));
        client.send({ { "type", "auth.request" }, { "clientKey", "A" }, { "scope", "control" } });
        ASSERT_TRUE(client.expect("auth.grant"));
    }

    // Sends a control command and returns the state broadcast before its ack.
    QJsonObject drive(RemoteTestClient& client, const QString& action, QJsonObject fields = {})
    {
        fields.insert("action", action);
        fields.insert("clientKey", "A");
        client.send(fields);
        const auto update = client.expect("state.update");
        EXPECT_TRUE(update) << action.toStdString();
        EXPECT_TRUE(client.expect("state.clock"));
        const auto ack = client.next();
        EXPECT_TRUE(ack && ack->value("ok").toBool()) << action.toStdString();
        return update ? update->value("payload").toObject() : QJsonObject();
    }

    platform::ManualScheduler scheduler;
    ScriptedPrompter prompter;
    FakeServicePublisher publisher;
    std::vector<int> trackCounts;
    RemoteStationKit kit { scheduler, prompter, publisher, [this](int count) { trackCounts.push_back(count); } };
};

TEST_F(RemoteStationTest, SnapshotsReadTheRealEngines)
{
    auto& snapshots = kit.control->snapshots();
    const QJsonObject empty { { "isPlaying", false }, { "currentTime", 0.0 }, { "duration", 0.0 },
        { "loopInOut", false }, { "clips", QJsonArray() }, { "isTakePreviewActive", false },
        { "previewTakeClipIDs", QJsonArray() }, { "captureInputCount", 1 }, { "outputColorMode", "Rec.709 (SDR)" },
        { "outputColorModeRaw", 1 }, { "outputIsHDR", false } };
    EXPECT_EQ(snapshots.buildRemoteStatePayload(), empty);

    const QUuid a = record("A001_S1_T2_C1.mov", "a");
    // A length the player cannot tell yet is sent as 0, and the state still goes out.
    mainPlayer().makeReady(-1.0);
    auto payload = snapshots.buildRemoteStatePayload();
    EXPECT_EQ(payload.value("duration").toDouble(), 0.0);
    EXPECT_EQ(payload.value("selectedClipID").toString(), PlaybackRemotePort::idText(a));

    record("A001_S1_T3_C1.mov", "b");
    mainPlayer().makeReady(8.0);
    mainPlayer().setCurrentTime(2.5);
    kit.capture->setOutputColorMode(capture::OutputColorMode::rec2020HLG);
    kit.capture->addSource();
    kit.capture->addSource();
    payload = snapshots.buildRemoteStatePayload();
    EXPECT_EQ(payload.value("currentTime").toDouble(), 2.5) << "the player's own time";
    EXPECT_EQ(payload.value("duration").toDouble(), 8.0);
    EXPECT_EQ(payload.value("captureInputCount").toInt(), 3);
    EXPECT_EQ(payload.value("outputColorMode").toString(), "Rec.2020 + HLG (HDR)");
    EXPECT_EQ(payload.value("outputColorModeRaw").toInt(), 4);
    EXPECT_TRUE(payload.value("outputIsHDR").toBool());
    const auto clips = payload.value("clips").toArray();
    ASSERT_EQ(clips.size(), 2);
    EXPECT_EQ(clips[0].toObject().value("name").toString(), kit.playback->clips().first().slateDisplayName());
    EXPECT_EQ(clips[0].toObject().value("id").toString(), PlaybackRemotePort::idText(a));
    EXPECT_EQ(clips[1].toObject().value("isOffline").toBool(), false);
}

TEST_F(RemoteStationTest, AControllingClientDrivesPlaybackAndFetchesARecordedClip)
{
    const QByteArray take = [] {
        QByteArray bytes(100000, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        return bytes;
    }();
    const QUuid first = record("A001_S1_T1_C1.mov", "first");
    const QUuid second = record("A001_S1_T2_C1.mov", take);
    mainPlayer().makeReady(10.0);
    kit.control->setupRealtimeSyncPipelines();
    RemoteTestClient client;
    connectWithControl(client);

    auto state = drive(client, "toggle_play");
    EXPECT_TRUE(kit.playback->isPlaying());
    EXPECT_TRUE(state.value("isPlaying").toBool());
    EXPECT_EQ(state.value("selectedClipID").toString(), PlaybackRemotePort::idText(second));
    drive(client, "seek", { { "seconds", 4.0 } });
    EXPECT_DOUBLE_EQ(mainPlayer().currentTime().seconds(), 4.0);
    state = drive(client, "next_clip");
    EXPECT_EQ(kit.playback->selectedClipID(), first) << "wraps to the top";
    EXPECT_EQ(state.value("selectedClipID").toString(), PlaybackRemotePort::idText(first));

    // The recorded take, byte for byte.
    client.send({ { "action", "request_cache_manifest" }, { "clientKey", "A" } });
    const auto manifest = client.expect("cache.manifest");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->value("payload").toObject().value("clips").toArray().size(), 2);
    client.send(
        { { "action", "cache_fetch_clip" }, { "clientKey", "A" }, { "clipID", PlaybackRemotePort::idText(second) } });
    QByteArray fetched;
    for (;;) {
        const auto message = client.expect("cache.transfer", {}, 30000);
        ASSERT_TRUE(message);
        const auto status = message->value("status").toString();
        if (status == "chunk")
            fetched += QByteArray::fromBase64(message->value("data").toString().toLatin1());
        if (status == "end" || status == "error") {
            EXPECT_EQ(status, "end");
            break;
        }
    }
    EXPECT_EQ(QCryptographicHash::hash(fetched, QCryptographicHash::Sha256),
        QCryptographicHash::hash(take, QCryptographicHash::Sha256));

    // Unasked: the engine's own changes reach the client through the pipelines, until teardown.
    kit.playback->setLoopInOut(false);
    scheduler.advance(0.080);
    const auto pushed = client.expect("state.update");
    ASSERT_TRUE(pushed);
    EXPECT_FALSE(pushed->value("payload").toObject().value("loopInOut").toBool());
    EXPECT_TRUE(client.expect("state.clock"));
    kit.control->endRealtimeSync();
    kit.playback->setLoopInOut(true);
    scheduler.advance(1.0);
    EXPECT_TRUE(client.expectNothing(100));
    EXPECT_EQ(trackCounts, std::vector<int> { 1 });
}

} // namespace
