// Cloud sync on the station's real project library and playback engine (fake players), against
// the fake Drive: two stations sharing one account, the duplicate-name prompt re-pointing the
// engine's clip, and a worker stopped mid-run.

#include "CloudTestKit.h"

#include "cloud/CloudSyncStateStore.h"
#include "cloud/ProjectLibraryStoreAdapter.h"
#include "fakes/FakeMediaPlayer.h"
#include "playback/PlaybackViewModel.h"
#include "projects/ProjectLibraryStore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace cloud_test;
using cloud::CloudSyncState;
using cloud::CloudSyncStateStore;

namespace {

// One station's library, engine and sync manager, on its own settings and keychain file.
struct RealStation {
    RealStation(CloudTestKit& kit, const QString& name)
        : defaults(kit.dir.filePath(name + "/defaults.json"))
        , settings(defaults)
        , keychain(kit.dir.filePath(name + "/secrets.json"), false)
        , store(settings, defaults, { {}, {}, kit.dir.filePath(name + "/Cloud Projects") })
        , library(store)
        , engine(settings, media::FakeMediaPlayer::factory(&players), kit.scheduler, notifications)
    {
        keychain.setData(kit.server.issueRefreshToken().toUtf8(), QStringLiteral("refresh_token"));
        kit.manager = std::make_unique<TestManager>(cloud::GoogleDriveSyncManager::Dependencies { settings, defaults,
            keychain, library, kit.scheduler, kit.clock, notifications, kit.endpoints(), {}, &kit.prompter });
        kit.manager->realPasses = true;
        auto* manager = kit.manager.get();
        // As the station connects them.
        QObject::connect(manager, &cloud::GoogleDriveSyncManager::projectSyncStarting, &engine, [this] {
            if (!engine.isProjectSelectionMode())
                engine.saveBeforeCloudSync();
        });
        QObject::connect(manager, &cloud::GoogleDriveSyncManager::projectFileReplaced, &engine,
            &playback::PlaybackViewModel::reloadPlaylistFromDisk);
        QObject::connect(manager, &cloud::GoogleDriveSyncManager::localFileRenamed, &engine,
            &playback::PlaybackViewModel::repointClips);
        kit.drain();
    }

    // A finished take: the file, then the notification the capture engine posts.
    QString record(const QString& name, const QByteArray& content)
    {
        const QString path = QDir(settings.recordingFolderPath().value_or(QString())).filePath(name);
        writeFile(path, content);
        notifications.post(
            QStringLiteral("corvaleRecordingFinished"), { { QStringLiteral("url"), QUrl::fromLocalFile(path) } });
        QCoreApplication::processEvents();
        engine.flushPendingSaves();
        return path;
    }

    platform::UserDefaults defaults;
    settings::AppSettings settings;
    cloud::KeychainStore keychain;
    platform::NotificationCenter notifications;
    projects::ProjectLibraryStore store;
    cloud::ProjectLibraryStoreAdapter library;
    std::vector<media::FakeMediaPlayer*> players;
    playback::PlaybackViewModel engine;
};

} // namespace

TEST(CloudStation, TwoStationsShareAProjectThroughTheRealLibraryAndEngine)
{
    CloudTestKit kit;
    QString projectID;
    {
        RealStation first(kit, QStringLiteral("first"));
        const auto created = first.store.createProject(QStringLiteral("Feature"), kit.dir.filePath("local"),
            settings::CaptureFormat::hd1080p25, projects::ProjectStorageType::cloud,
            settings::ProjectOutputColorMode::rec709, nullptr);
        ASSERT_TRUE(created);
        projectID = created->id.toString();
        first.engine.exitProjectSelectionMode();
        first.record(QStringLiteral("A001_S1_T1_C1.mov"), "take one");
        ASSERT_EQ(first.engine.clips().size(), 1);
        kit.fullSync();
        EXPECT_EQ(kit.manager->statusText(), QStringLiteral("Sync complete"));
        const CloudSyncState state = CloudSyncStateStore::read(created->folderPath);
        EXPECT_EQ(state.uploaded.size(), 3);

        // Keep Both: Drive already holds a file of a new take's name; the engine follows the rename.
        kit.server.addFile("A001_S1_T2_C1.mov", *state.driveProjectFolderID, "drive", "video/quicktime");
        first.record(QStringLiteral("A001_S1_T2_C1.mov"), "take two");
        kit.prompter.answers = { cloud::DuplicateConflictAction::keepBoth };
        kit.fullSync();
        EXPECT_EQ(kit.manager->statusText(), QStringLiteral("Sync complete"));
        EXPECT_EQ(kit.prompter.asked, QStringList { "A001_S1_T2_C1.mov" });
        EXPECT_EQ(first.engine.clips().last().url,
            QUrl::fromLocalFile(QDir(created->folderPath).filePath("A001_S1_T2_C1_Local.mov")));
        first.engine.flushPendingSaves();
        kit.fullSync(); // the re-pointed playlist goes up
        kit.manager.reset();
    }

    // The second station: its own library, no root id, no state; the same account.
    const int foldersMade = int(kit.server.requests("POST", "/drive/v3/files").size());
    RealStation second(kit, QStringLiteral("second"));
    kit.fullSync();
    EXPECT_EQ(kit.manager->statusText(), QStringLiteral("Cloud list refreshed"));
    EXPECT_EQ(kit.server.requests("POST", "/drive/v3/files").size(), foldersMade) << "the root is found, not made";
    const auto listed = second.store.projects();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].id.toString(), projectID);
    second.store.openProject(listed[0], nullptr);
    second.engine.exitProjectSelectionMode();
    kit.fullSync();
    EXPECT_EQ(kit.manager->statusText(), QStringLiteral("Sync complete"));
    // The downloaded playlist is what the engine now shows.
    ASSERT_EQ(second.engine.clips().size(), 2);
    EXPECT_EQ(playback::lastPathComponent(second.engine.clips().last().url), QStringLiteral("A001_S1_T2_C1_Local.mov"));

    // A local edit of the downloaded playlist is not replaced by Drive's copy: it goes up.
    second.record(QStringLiteral("A002_S1_T1_C1.mov"), "take three");
    kit.fullSync();
    EXPECT_EQ(second.engine.clips().size(), 3);
    const QString playlistID = CloudSyncStateStore::read(listed[0].folderPath).uploaded.value("playlist.json");
    EXPECT_EQ(kit.server.file(playlistID)->content, testkit::readFile(listed[0].folderPath + "/playlist.json"));
}

TEST(CloudStation, AWorkerStoppedAfterOneUploadKeepsItRecorded)
{
    CloudTestKit kit;
    kit.keychain.setData(kit.server.issueRefreshToken().toUtf8(), QStringLiteral("refresh_token"));
    auto& manager = kit.start(std::nullopt, true);
    auto project = kit.cloudProject();
    for (const char* name : { "A.mov", "B.mov" })
        writeFile(project.folderPath + "/" + name, name);
    // A Drive name that is a path: nothing is written for it, in or out of the folder.
    project.cloudFolderID = kit.server.addFolder("Feature");
    kit.server.addFile("../x", *project.cloudFolderID, "outside", "application/json");
    kit.library.setCurrent(project);
    // The metadata file and A.mov go up; B.mov hangs until the worker is stopped.
    kit.server.addFault({ .kind = FakeGoogleServer::Fault::Kind::delay,
        .method = "PUT",
        .pathPrefix = "/upload",
        .delayMs = 600000,
        .skip = 2 });
    manager.syncNow();
    ASSERT_TRUE(CloudTestKit::waitFor(
        [&] { return CloudSyncStateStore::read(project.folderPath).uploaded.contains(QStringLiteral("A.mov")); }));
    manager.worker().stop();
    const CloudSyncState state = CloudSyncStateStore::read(project.folderPath);
    EXPECT_TRUE(state.uploaded.contains("A.mov"));
    EXPECT_FALSE(state.uploaded.contains("B.mov"));
    EXPECT_TRUE(state.pending.contains("B.mov"));
    EXPECT_FALSE(QFile::exists(kit.dir.filePath("x")));
    EXPECT_FALSE(QFile::exists(project.folderPath + "/../x"));
}
