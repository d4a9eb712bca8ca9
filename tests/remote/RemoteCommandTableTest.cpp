#include "RemoteEngineFakes.h"
#include "RemoteTestClient.h"
#include "RemoteTestSupport.h"

#include "platform/ManualMediaClock.h"
#include "remote/PlaybackCommandTable.h"
#include "remote/RemoteStack.h"
#include "remote/RemoteStateBroadcaster.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace remote;

namespace {

QString idText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QJsonObject ack(bool ok, const QString& message)
{
    return { { "type", "ack" }, { "ok", ok }, { "message", message } };
}

QJsonObject command(const QString& action, QJsonObject fields = {})
{
    fields.insert("action", action);
    fields.insert("clientKey", "A");
    return fields;
}

// The engines, the table and the snapshots over a recording transport.
struct TableKit {
    FakePlaybackPort playback;
    FakeCapturePort capture;
    FakeClipCache cache;
    RecordingTransport transport;
    RemoteStateBroadcaster snapshots { transport, playback, capture };
    PlaybackCommandTable table { { transport, playback, capture, snapshots, cache } };

    QJsonObject statePayload() { return snapshots.buildRemoteStatePayload(); }
};

// The empty state and the real engines' values are the station test's; here what the ports can be
// made to hold.
TEST(RemoteSnapshotTest, StatePayloadFromTheEngines)
{
    TableKit kit;
    auto a = fakeClip(1);
    a.markIn = 1.5;
    a.take = 3;
    a.inputNumber = 2;
    auto b = fakeClip(2, true);
    kit.playback.clipList = { a, b };
    kit.playback.selected = a.id;
    kit.playback.secondary = QUuid::createUuid(); // no longer listed
    kit.playback.playing = true;
    kit.playback.timeOfPlayer = 2.25;
    kit.playback.playhead = 99.0; // the published playhead is not what clients see
    kit.playback.itemDuration = 11.0;
    kit.playback.loop = true;
    kit.playback.out = 4.0;
    kit.playback.take = 3;
    kit.playback.takeIds = { b.id };
    const auto full = kit.statePayload();
    EXPECT_EQ(full.value("currentTime").toDouble(), 2.25);
    EXPECT_EQ(full.value("duration").toDouble(), 11.0);
    EXPECT_EQ(full.value("selectedClipID").toString(), idText(a.id));
    EXPECT_FALSE(full.contains("outputClipID"));
    EXPECT_FALSE(full.contains("markIn"));
    EXPECT_EQ(full.value("markOut").toDouble(), 4.0);
    EXPECT_FALSE(full.value("isTakePreviewActive").toBool()) << "a one-clip take preview is inactive";
    EXPECT_EQ(full.value("previewTakeClipIDs").toArray(), QJsonArray({ idText(b.id) }));
    const QJsonArray clips = full.value("clips").toArray();
    ASSERT_EQ(clips.size(), 2);
    EXPECT_EQ(clips[0].toObject(),
        QJsonObject({ { "id", idText(a.id) }, { "name", "Clip 1" }, { "duration", 11.0 }, { "markIn", 1.5 },
            { "isOffline", false }, { "takeGroup", 3 }, { "inputNumber", 2 } }));
    EXPECT_EQ(clips[1].toObject(),
        QJsonObject({ { "id", idText(b.id) }, { "name", "Clip 2" }, { "duration", 12.0 }, { "isOffline", true } }));

    kit.playback.takeIds = { a.id, b.id };
    EXPECT_TRUE(kit.statePayload().value("isTakePreviewActive").toBool());
}

TEST(RemoteSnapshotTest, InputCountIsClampedAndHDRStartsAtPQ)
{
    TableKit kit;
    const std::pair<int, int> counts[] = { { 0, 1 }, { 1, 1 }, { 4, 4 }, { 9, 4 }, { -3, 1 } };
    for (const auto& [count, reported] : counts) {
        kit.capture.inputs = count;
        EXPECT_EQ(kit.statePayload().value("captureInputCount").toInt(), reported) << count;
    }
    // Rec.2020 + HLG is the station test's; PQ is the first HDR mode, Rec.2020 SDR the last that is not.
    for (const int raw : { 2, 3 }) {
        kit.capture.colorMode = raw;
        EXPECT_EQ(kit.statePayload().value("outputIsHDR").toBool(), raw == 3);
    }
}

TEST(RemoteSnapshotTest, NumbersJsonCannotCarryNeverSilenceTheState)
{
    TableKit kit;
    LogCapture log;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto clip = fakeClip(1);
    clip.duration = nan;
    clip.markIn = std::numeric_limits<double>::infinity();
    clip.markOut = 2.0;
    kit.playback.clipList = { clip };
    kit.playback.in = nan;
    kit.playback.timeOfPlayer = nan;
    kit.playback.itemDuration = nan;
    kit.snapshots.syncPlaybackToClients();
    ASSERT_EQ(kit.transport.sent.size(), 2u);
    const auto payload = kit.transport.sent[0].message.value("payload").toObject();
    EXPECT_EQ(kit.transport.sent[0].message.value("type").toString(), "state.update");
    const auto summary = payload.value("clips").toArray()[0].toObject();
    EXPECT_EQ(summary.value("duration").toDouble(), 0.0);
    EXPECT_FALSE(summary.contains("markIn"));
    EXPECT_EQ(summary.value("markOut").toDouble(), 2.0);
    EXPECT_FALSE(payload.contains("markIn"));
    EXPECT_EQ(payload.value("currentTime").toDouble(), 0.0);
    EXPECT_EQ(payload.value("duration").toDouble(), 0.0);
}

TEST(RemoteSnapshotTest, ClocksCarryTheirSequenceOnlyWhenAsked)
{
    TableKit kit;
    kit.playback.clipList = { fakeClip(1) };
    kit.playback.selected = QUuid::createUuid();
    kit.table.execute(
        { command("request_playback_clock", { { "clockSeq", 42.9 } }), "request_playback_clock", 7, "A" });
    kit.table.execute(
        { command("request_playback_clock", { { "clockSeq", "17" } }), "request_playback_clock", 7, "A" });
    ASSERT_EQ(kit.transport.sent.size(), 2u) << "one clock each and no ack";
    const auto first = kit.transport.sent[0].message.value("payload").toObject();
    EXPECT_EQ(kit.transport.sent[0].connection, 7u);
    EXPECT_EQ(first.value("clockSeq").toInteger(), 42);
    EXPECT_FALSE(first.contains("selectedClipID"));
    EXPECT_FALSE(kit.transport.sent[1].message.value("payload").toObject().contains("clockSeq"));
    const double before = first.value("sentAtUnix").toDouble();
    EXPECT_GE(kit.transport.sent[1].message.value("payload").toObject().value("sentAtUnix").toDouble(), before);
    EXPECT_GT(before, 1.7e9);
}

TEST(RemoteCommandTableTest, MoveSelectionSkipsOfflineClipsAndWraps)
{
    const struct {
        std::vector<bool> offline;
        std::optional<int> selected; // index, or none; -1: an identifier not listed
        int step;
        std::optional<int> expected; // none: nothing selected at all
    } rows[] = {
        { { false, true, false }, 0, 1, 2 },
        { { false, true, false }, 0, -1, 2 },
        { { false, true, true }, 0, 1, 0 },
        { { true, true, true }, 0, 1, 1 },
        { { true, false, false }, std::nullopt, -1, 1 },
        { { true, false, false }, -1, 1, 1 },
        { { true, true }, std::nullopt, 1, 0 },
        { {}, std::nullopt, 1, std::nullopt },
    };
    for (const auto& row : rows) {
        FakePlaybackPort port;
        for (std::size_t i = 0; i < row.offline.size(); ++i)
            port.clipList.push_back(fakeClip(static_cast<int>(i), row.offline[i]));
        if (row.selected)
            port.selected = *row.selected < 0 ? QUuid::createUuid() : port.clipList[*row.selected].id;
        port.moveSelection(row.step);
        if (!row.expected) {
            EXPECT_TRUE(port.calls.isEmpty());
            continue;
        }
        ASSERT_EQ(port.calls.size(), 1);
        EXPECT_EQ(port.selected, port.clipList[*row.expected].id) << row.offline.size() << " step " << row.step;
    }
}

// Through the real server: client A holds control, client B no permission at all.
class RemoteCommandTableServerTest : public ::testing::Test {
protected:
    RemoteCommandTableServerTest()
    {
        ControlServer::Options options;
        options.address = QHostAddress::LocalHost;
        options.port = 0;
        stack = std::make_unique<RemoteStack>(RemoteStack::Dependencies {
            [] { return QStringLiteral("123456"); }, prompter, &publisher, options, clock });
        snapshots = std::make_unique<RemoteStateBroadcaster>(stack->controlServer(), playback, capture);
        table = std::make_unique<PlaybackCommandTable>(
            PlaybackCommandTable::Services { stack->controlServer(), playback, capture, *snapshots, cache });
        stack->setCommandTable(*table);
        stack->setupControlServer();
        EXPECT_TRUE(QTest::qWaitFor([this] { return stack->controlServer().isRunning(); }, 5000));
        prompter.autoAnswer = true;
        EXPECT_TRUE(a.connectTo(stack->controlServer().port()));
        EXPECT_TRUE(b.connectTo(stack->controlServer().port()));
        a.send({ { "type", "auth.request" }, { "clientKey", "A" }, { "scope", "control" } });
        EXPECT_TRUE(a.expect("auth.grant"));
        EXPECT_TRUE(QTest::qWaitFor([this] { return stack->controlServer().connectedClients() == 2; }, 5000));
    }

    ~RemoteCommandTableServerTest() override { stack->stop(); }

    platform::ManualMediaClock clock;
    ScriptedPrompter prompter;
    FakeServicePublisher publisher;
    FakePlaybackPort playback;
    FakeCapturePort capture;
    FakeClipCache cache;
    std::unique_ptr<RemoteStack> stack;
    std::unique_ptr<RemoteStateBroadcaster> snapshots;
    std::unique_ptr<PlaybackCommandTable> table;
    RemoteTestClient a;
    RemoteTestClient b;
};

TEST_F(RemoteCommandTableServerTest, ControlCommandsBroadcastThenAck)
{
    const QUuid clip = fakeClip(1).id;
    const QString lower = clip.toString(QUuid::WithoutBraces);
    const struct {
        QJsonObject message;
        QString call; // the engine operation it leads to; empty: none recorded
        QString ackText;
    } rows[] = {
        { command("toggle_play"), "togglePlayPause", "toggle_play" },
        { command("prev_clip"), "", "prev_clip" },
        { command("jog_frame", { { "direction", -1.7 } }), "jogFrame -1", "jog_frame" },
        { command("jog_frame", { { "payload", QJsonObject { { "direction", 1e12 } } } }), "jogFrame 2147483647",
            "jog_frame" },
        { command("shuttle_forward_tap"), "shuttleTap 1", "shuttle_forward" },
        { command("shuttle_forward"), "shuttleTap 1", "shuttle_forward" },
        { command("shuttle_reverse_tap"), "shuttleTap -1", "shuttle_reverse" },
        { command("shuttle_reverse"), "shuttleTap -1", "shuttle_reverse" },
        { command("mark_out"), "setMarkOut", "mark_out" },
        { command("clear_marks"), "clearMarks", "clear_marks" },
        { command("play_in_out"), "playInToOut", "play_in_out" },
        { command("toggle_loop_in_out"), "setLoopInOut 1", "toggle_loop" },
        { command("toggle_loop"), "setLoopInOut 0", "toggle_loop" },
        { command("seek", { { "seconds", 12.5 } }), "seek 12.5 1", "seek" },
        { command("nudge", { { "command", QJsonObject { { "seconds", -0.5 } } } }), "seek 2.5 1", "nudge" },
        { command("select_clip", { { "clipID", lower } }), "selectClip " + lower, "select_clip" },
        { command("select_clip", { { "clipID", "not a uuid" } }), "selectClip none", "select_clip" },
        { command("set_output_clip", { { "clipID", idText(clip) } }), "setSecondaryClip " + lower, "set_output_clip" },
        { command("clear_output_clip"), "setSecondaryClip none", "clear_output_clip" },
        { command("delete_selected_clip"), "deleteSelectedClip", "delete_selected_clip" },
        { command("delete_all_clips"), "deleteAllClips", "delete_all_clips" },
    };
    playback.playhead = 3.0;
    for (const auto& row : rows) {
        const auto label = QJsonDocument(row.message).toJson(QJsonDocument::Compact);
        playback.calls.clear();
        a.send(row.message);
        for (auto* client : { &a, &b }) {
            const auto update = client->next();
            ASSERT_TRUE(update) << label.constData();
            EXPECT_EQ(update->value("type").toString(), "state.update") << label.constData();
            EXPECT_EQ(client->next()->value("type").toString(), "state.clock") << label.constData();
        }
        EXPECT_EQ(a.next(), ack(true, row.ackText)) << label.constData();
        if (!row.call.isEmpty()) {
            EXPECT_EQ(playback.calls, QStringList { row.call }) << label.constData();
        }
    }
    EXPECT_TRUE(b.expectNothing(50));
}

TEST_F(RemoteCommandTableServerTest, RefusalsAndViewActionsBroadcastNothing)
{
    const struct {
        QJsonObject message;
        QJsonObject reply;
    } rows[] = {
        { command("hdmi_out"), ack(false, "hdmi_out not implemented on macOS yet") },
        { command("open_file"), ack(false, "open_file not implemented on macOS yet") },
        { command("seek_mark_in"), ack(false, "unknown action: seek_mark_in") },
        { command("Toggle_Play"), ack(false, "unknown action: Toggle_Play") },
        { command("cache_fetch_clip", { { "clipID", "" } }), ack(false, "cache_fetch_clip missing clipID") },
    };
    for (const auto& row : rows) {
        a.send(row.message);
        EXPECT_EQ(a.next(), row.reply);
    }
    EXPECT_TRUE(playback.calls.isEmpty());
    EXPECT_TRUE(cache.fetched.isEmpty());
    EXPECT_TRUE(b.expectNothing(50));
}

TEST_F(RemoteCommandTableServerTest, ViewActionsAnswerTheSenderOnly)
{
    a.send(command("request_state"));
    EXPECT_EQ(a.next()->value("type").toString(), "state.update");
    const auto clock = a.next();
    EXPECT_EQ(clock->value("type").toString(), "state.clock");
    EXPECT_FALSE(clock->value("payload").toObject().contains("clockSeq"));
    EXPECT_EQ(a.next(), ack(true, "request_state ok"));

    a.send(command("request_playback_clock", { { "payload", QJsonObject { { "clockSeq", 42 } } } }));
    EXPECT_EQ(a.next()->value("payload").toObject().value("clockSeq").toInteger(), 42);

    cache.manifest = QJsonArray { QJsonObject { { "id", "X" } } };
    a.send(command("request_cache_manifest"));
    EXPECT_EQ(a.next(),
        QJsonObject({ { "type", "cache.manifest" }, { "payload", QJsonObject { { "clips", cache.manifest } } } }));
    auto counted = ack(true, "request_cache_manifest ok");
    counted.insert("count", 1);
    EXPECT_EQ(a.next(), counted);

    a.send(command("cache_fetch_clip", { { "clipID", "abc" } }));
    auto started = ack(true, "cache_fetch_clip started");
    started.insert("clipID", "abc");
    EXPECT_EQ(a.next(), started);
    EXPECT_EQ(cache.fetched, QStringList { "abc" });
    EXPECT_TRUE(a.expectNothing(50)) << "the clock request has no ack";
    EXPECT_TRUE(b.expectNothing(50));
}

TEST_F(RemoteCommandTableServerTest, PreviewModeResolvesItsName)
{
    const std::pair<QJsonObject, const char*> rows[] = {
        { command("set_preview_mode", { { "mode", "LIVE" } }), "capture" },
        { command("set_preview_mode", { { "mode", "camera" } }), "playback" },
        { command("set_preview_mode"), "playback" },
    };
    for (const auto& [message, mode] : rows) {
        capture.calls.clear();
        a.send(message);
        EXPECT_TRUE(b.expect("state.clock"));
        EXPECT_EQ(a.expect("ack"), ack(true, QStringLiteral("set_preview_mode ") + mode));
        EXPECT_EQ(capture.calls, QStringList({ QStringLiteral("mode ") + mode, "applyWebRTCSourceRouting" }));
    }
}

} // namespace
