// Remote control over the station's real engines: the playback engine on fake players, the
// capture engine without cards or cameras, the control server on loopback.

#include "RemoteTestClient.h"
#include "RemoteTestSupport.h"

#include "app/StationRemoteControl.h"
#include "capture/RecordViewModel.h"
#include "fakes/FakeMediaPlayer.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "playback/ClipMediaLoader.h"
#include "playback/PlaybackViewModel.h"
#include "remote/PlaybackRemotePort.h"
#include "remote/RemoteStack.h"
#include "remote/RemoteStateBroadcaster.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace remote;

namespace {

// Thumbnails and formats never arrive: the players are fakes and the files are not movies.
class SilentMediaLoader final : public playback::ClipMediaLoader {
public:
    void loadThumbnail(const QUrl&, QObject*, std::function<void(platform::Result<QImage, QString>)>) override { }
    void loadInfo(const QUrl&, QObject*, std::function<void(platform::Result<media::MediaInfo, QString>)>) override { }
};

class RemoteStationTest : public ::testing::Test {
protected:
    RemoteStationTest()
        : defaults(dir.filePath("defaults.json"))
        , settings(defaults)
    {
        playback = std::make_unique<playback::PlaybackViewModel>(
            settings, media::FakeMediaPlayer::factory(&players), scheduler, notifications);
        playback->setMediaLoader(std::make_unique<SilentMediaLoader>());
        media::CameraDiscovery::Options cameras;
        cameras.deviceFolder = dir.filePath("dev").toStdString(); // no camera nodes
        capture = std::make_unique<capture::RecordViewModel>(capture::RecordViewModel::Services {
            settings, scheduler, clock, notifications, capture::RecordViewModel::CardSystem {}, cameras });
        ControlServer::Options options;
        options.address = QHostAddress::LocalHost;
        options.port = 0;
        stack = std::make_unique<RemoteStack>(RemoteStack::Dependencies {
            [] { return QStringLiteral("123456"); }, prompter, &publisher, options, clock });
        control = std::make_unique<app::StationRemoteControl>(app::StationRemoteControl::Services {
            *stack, *playback, *capture, [this](int count) { trackCounts.push_back(count); }, scheduler });
        project = dir.filePath("project");
        QDir().mkpath(project);
        settings.setRecordingFolderPath(project);
        playback->exitProjectSelectionMode();
        QCoreApplication::processEvents();
    }

    ~RemoteStationTest() override
    {
        stack->stop();
        control.reset();
    }

    // A finished take arriving as the capture engine announces it; the engine selects it.
    QUuid record(const QString& name, const QByteArray& content)
    {
        QFile file(QDir(project).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        notifications.post(QString::fromLatin1(playback::PlaybackViewModel::kRecordingFinishedNotification),
            { { QString::fromLatin1(playback::PlaybackViewModel::kRecordingURLKey),
                QUrl::fromLocalFile(file.fileName()) } });
        QCoreApplication::processEvents();
        return playback->clips().last().id;
    }

    media::FakeMediaPlayer& mainPlayer() { return *players.at(0); }

    void connectWithControl(RemoteTestClient& client)
    {
        stack->setupControlServer();
        ASSERT_TRUE(QTest::qWaitFor([this] { return stack->controlServer().isRunning(); }, 5000));
        prompter.autoAnswer = true;
        ASSERT_TRUE(client.connectTo(stack->controlServer().port()));
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

    QTemporaryDir dir;
    platform::UserDefaults defaults;
    settings::AppSettings settings;
    platform::ManualScheduler scheduler;
    platform::ManualMediaClock clock;
    platform::NotificationCenter notifications;
    std::vector<media::FakeMediaPlayer*> players;
    std::unique_ptr<playback::PlaybackViewModel> playback;
    std::unique_ptr<capture::RecordViewModel> capture;
    ScriptedPrompter prompter;
    FakeServicePublisher publisher;
    std::unique_ptr<RemoteStack> stack;
    std::unique_ptr<app::StationRemoteControl> control;
    std::vector<int> trackCounts;
    QString project;
};

TEST_F(RemoteStationTest, SnapshotsReadTheRealEngines)
{
    auto& snapshots = control->snapshots();
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
    capture->setOutputColorMode(capture::OutputColorMode::rec2020HLG);
    capture->addSource();
    capture->addSource();
    payload = snapshots.buildRemoteStatePayload();
    EXPECT_EQ(payload.value("currentTime").toDouble(), 2.5) << "the player's own time";
    EXPECT_EQ(payload.value("duration").toDouble(), 8.0);
    EXPECT_EQ(payload.value("captureInputCount").toInt(), 3);
    EXPECT_EQ(payload.value("outputColorMode").toString(), "Rec.2020 + HLG (HDR)");
    EXPECT_EQ(payload.value("outputColorModeRaw").toInt(), 4);
    EXPECT_TRUE(payload.value("outputIsHDR").toBool());
    const auto clips = payload.value("clips").toArray();
    ASSERT_EQ(clips.size(), 2);
    EXPECT_EQ(clips[0].toObject().value("name").toString(), playback->clips().first().slateDisplayName());
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
    control->setupRealtimeSyncPipelines();
    RemoteTestClient client;
    connectWithControl(client);

    auto state = drive(client, "toggle_play");
    EXPECT_TRUE(playback->isPlaying());
    EXPECT_TRUE(state.value("isPlaying").toBool());
    EXPECT_EQ(state.value("selectedClipID").toString(), PlaybackRemotePort::idText(second));
    drive(client, "stop");
    EXPECT_FALSE(playback->isPlaying());
    drive(client, "seek", { { "seconds", 4.0 } });
    EXPECT_DOUBLE_EQ(mainPlayer().currentTime().seconds(), 4.0);
    state = drive(client, "mark_in");
    EXPECT_EQ(playback->markIn(), std::optional<double>(4.0));
    EXPECT_EQ(state.value("markIn").toDouble(), 4.0);
    state = drive(client, "toggle_loop");
    EXPECT_TRUE(playback->loopInOut());
    state = drive(client, "next_clip");
    EXPECT_EQ(playback->selectedClipID(), first) << "wraps to the top";
    EXPECT_EQ(state.value("selectedClipID").toString(), PlaybackRemotePort::idText(first));
    drive(client, "set_output_clip", { { "clipID", PlaybackRemotePort::idText(second) } });
    EXPECT_EQ(playback->secondaryClipID(), second);

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
    playback->setLoopInOut(false);
    scheduler.advance(0.080);
    const auto pushed = client.expect("state.update");
    ASSERT_TRUE(pushed);
    EXPECT_FALSE(pushed->value("payload").toObject().value("loopInOut").toBool());
    EXPECT_TRUE(client.expect("state.clock"));
    control->endRealtimeSync();
    playback->setLoopInOut(true);
    scheduler.advance(1.0);
    EXPECT_TRUE(client.expectNothing(100));
    EXPECT_EQ(trackCounts, std::vector<int> { 1 });
}

} // namespace
