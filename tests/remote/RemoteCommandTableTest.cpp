#include "RemoteEngineFakes.h"
#include "RemoteTestSupport.h"

#include "remote/PlaybackCommandTable.h"
#include "remote/RemoteStateBroadcaster.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <limits>

using namespace remote;

namespace {

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

TEST(RemoteSnapshotTest, InputCountIsClamped)
{
    TableKit kit;
    const std::pair<int, int> counts[] = { { 0, 1 }, { 1, 1 }, { 4, 4 }, { 9, 4 }, { -3, 1 } };
    for (const auto& [count, reported] : counts) {
        kit.capture.inputs = count;
        EXPECT_EQ(kit.statePayload().value("captureInputCount").toInt(), reported) << count;
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

TEST(RemoteCommandTableTest, MoveSelectionSkipsOfflineClipsAndWraps)
{
    const struct {
        std::vector<bool> offline;
        std::optional<int> selected; // index, or none; -1: an identifier not listed
        int step;
        std::optional<int> expected; // none: nothing selected at all
    } rows[] = {
        { { false, true, false }, 0, 1, 2 },
        { { false, true, true }, 0, 1, 0 },
        { { true, true, true }, 0, 1, 1 },
        { { true, false, false }, std::nullopt, -1, 1 },
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

// Types of what the table sent, "@" marking what went to the sender alone; then forgotten.
QStringList takeSent(TableKit& kit)
{
    QStringList types;
    for (const auto& sent : kit.transport.sent)
        types.append((sent.connection ? "@" : "") + sent.message.value("type").toString());
    kit.transport.sent.clear();
    return types;
}

void execute(TableKit& kit, const QJsonObject& message)
{
    kit.table.execute({ message, message.value("action").toString(), 7, "A" });
}

TEST(RemoteCommandTableTest, ControlCommandsBroadcastThenAck)
{
    const QUuid clip = fakeClip(1).id;
    const QString lower = clip.toString(QUuid::WithoutBraces);
    const struct {
        QJsonObject message;
        QString call; // the engine operation it leads to
        QString ackText;
    } rows[] = {
        { command("toggle_play"), "togglePlayPause", "toggle_play" },
        { command("jog_frame", { { "direction", -1.7 } }), "jogFrame -1", "jog_frame" },
        { command("jog_frame", { { "payload", QJsonObject { { "direction", 1e12 } } } }), "jogFrame 2147483647",
            "jog_frame" },
        { command("shuttle_forward_tap"), "shuttleTap 1", "shuttle_forward" },
        { command("shuttle_reverse"), "shuttleTap -1", "shuttle_reverse" },
        { command("mark_out"), "setMarkOut", "mark_out" },
        { command("play_in_out"), "playInToOut", "play_in_out" },
        { command("toggle_loop_in_out"), "setLoopInOut 1", "toggle_loop" },
        { command("toggle_loop"), "setLoopInOut 0", "toggle_loop" },
        { command("seek", { { "seconds", 12.5 } }), "seek 12.5 1", "seek" },
        { command("nudge", { { "command", QJsonObject { { "seconds", -0.5 } } } }), "seek 2.5 1", "nudge" },
        { command("select_clip", { { "clipID", lower } }), "selectClip " + lower, "select_clip" },
        { command("select_clip", { { "clipID", "not a uuid" } }), "selectClip none", "select_clip" },
        { command("set_output_clip", { { "clipID", lower.toUpper() } }), "setSecondaryClip " + lower,
            "set_output_clip" },
        { command("delete_selected_clip"), "deleteSelectedClip", "delete_selected_clip" },
    };
    TableKit kit;
    kit.playback.playhead = 3.0;
    for (const auto& row : rows) {
        const auto label = QJsonDocument(row.message).toJson(QJsonDocument::Compact);
        kit.playback.calls.clear();
        execute(kit, row.message);
        const auto sent = kit.transport.sent;
        EXPECT_EQ(takeSent(kit), QStringList({ "state.update", "state.clock", "@ack" })) << label.constData();
        EXPECT_EQ(sent.back().message, ack(true, row.ackText)) << label.constData();
        EXPECT_EQ(kit.playback.calls, QStringList { row.call }) << label.constData();
    }
}

TEST(RemoteCommandTableTest, RefusalsAndViewActionsAnswerTheSenderOnly)
{
    TableKit kit;
    for (const auto& [action, reply] : { std::pair { "hdmi_out", "hdmi_out not implemented on macOS yet" },
             std::pair { "open_file", "open_file not implemented on macOS yet" },
             std::pair { "Toggle_Play", "unknown action: Toggle_Play" } }) {
        execute(kit, command(action));
        EXPECT_EQ(kit.transport.sent.back().message, ack(false, reply));
        EXPECT_EQ(takeSent(kit), QStringList { "@ack" });
    }
    execute(kit, command("cache_fetch_clip", { { "clipID", "" } }));
    EXPECT_EQ(kit.transport.sent.back().message, ack(false, "cache_fetch_clip missing clipID"));
    EXPECT_TRUE(kit.playback.calls.isEmpty());

    takeSent(kit);
    execute(kit, command("request_state"));
    EXPECT_EQ(takeSent(kit), QStringList({ "@state.update", "@state.clock", "@ack" }));
    execute(kit, command("request_playback_clock", { { "payload", QJsonObject { { "clockSeq", 42.9 } } } }));
    ASSERT_EQ(kit.transport.sent.size(), 1u) << "a clock and no ack";
    EXPECT_EQ(kit.transport.sent[0].message.value("payload").toObject().value("clockSeq").toInteger(), 42);

    takeSent(kit);
    kit.cache.manifest = QJsonArray { QJsonObject { { "id", "X" } } };
    execute(kit, command("request_cache_manifest"));
    auto counted = ack(true, "request_cache_manifest ok");
    counted.insert("count", 1);
    EXPECT_EQ(kit.transport.sent.back().message, counted);
    EXPECT_EQ(kit.transport.sent.front().message,
        QJsonObject({ { "type", "cache.manifest" }, { "payload", QJsonObject { { "clips", kit.cache.manifest } } } }));
    execute(kit, command("cache_fetch_clip", { { "clipID", "abc" } }));
    EXPECT_EQ(kit.cache.fetched, QStringList { "abc" });
}

} // namespace
