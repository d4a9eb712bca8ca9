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

#include <QJsonArray>
#include <QRandomGenerator>
#include <QTest>

#include <memory>

using namespace remote;

namespace {

class RemoteStationTest : public ::testing::Test {
protected:
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

    const QUuid a = kit.record("A001_S1_T2_C1.mov", "a");
    kit.record("A001_S1_T3_C1.mov", "b");
    kit.mainPlayer().makeReady(8.0);
    kit.mainPlayer().setCurrentTime(2.5);
    kit.capture->setOutputColorMode(capture::OutputColorMode::rec2020HLG);
    kit.capture->addSource();
    kit.capture->addSource();
    const auto payload = snapshots.buildRemoteStatePayload();
    EXPECT_EQ(payload.value("currentTime").toDouble(), 2.5) << "the player's own time";
    EXPECT_EQ(payload.value("duration").toDouble(), 8.0);
    EXPECT_EQ(payload.value("captureInputCount").toInt(), 3);
    EXPECT_EQ(payload.value("outputColorMode").toString(), "Rec.2020 + HLG (HDR)");
    EXPECT_TRUE(payload.value("outputIsHDR").toBool());
    const auto clips = payload.value("clips").toArray();
    ASSERT_EQ(clips.size(), 2);
    EXPECT_EQ(clips[0].toObject().value("name").toString(), kit.playback->clips().first().slateDisplayName());
    EXPECT_EQ(clips[0].toObject().value("id").toString(), PlaybackRemotePort::idText(a));
}

TEST_F(RemoteStationTest, AControllingClientDrivesPlaybackFetchesATakeAndHearsTheEnginesOwnChanges)
{
    QByteArray take(100000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(take.data()), take.size() / 4);
    const QUuid first = kit.record("A001_S1_T1_C1.mov", "first");
    const QUuid second = kit.record("A001_S1_T2_C1.mov", take);
    kit.mainPlayer().makeReady(10.0);
    kit.control->setupRealtimeSyncPipelines();
    RemoteTestClient client;
    connectWithControl(client);

    auto state = drive(client, "toggle_play");
    EXPECT_TRUE(state.value("isPlaying").toBool());
    EXPECT_EQ(state.value("selectedClipID").toString(), PlaybackRemotePort::idText(second));
    state = drive(client, "next_clip");
    EXPECT_EQ(state.value("selectedClipID").toString(), PlaybackRemotePort::idText(first)) << "wraps to the top";

    // The recorded take, byte for byte.
    client.send(
        { { "action", "cache_fetch_clip" }, { "clientKey", "A" }, { "clipID", PlaybackRemotePort::idText(second) } });
    QByteArray fetched;
    for (QString status; status != "end";) {
        const auto message = client.expect("cache.transfer", {}, 30000);
        ASSERT_TRUE(message);
        status = message->value("status").toString();
        ASSERT_NE(status, "error");
        if (status == "chunk")
            fetched += QByteArray::fromBase64(message->value("data").toString().toLatin1());
    }
    EXPECT_EQ(fetched, take);

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
