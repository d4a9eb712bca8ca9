// Cloud sync on the station's real project library and playback engine (fake players), against
// the fake Drive: two stations sharing one account, and the duplicate-name prompt re-pointing the
// engine's clip; a large clip streamed from disk.

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

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

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

// The live heap under AddressSanitizer (whose quarantine keeps freed memory resident), else the
// resident set.
qint64 cloudStationMemoryInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    QFile statm(QStringLiteral("/proc/self/statm"));
    statm.open(QIODevice::ReadOnly);
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
#endif
}

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

TEST(CloudStation, ALargeSparseClipIsStreamedFromDisk)
{
    CloudTestKit kit;
    RealStation station(kit, QStringLiteral("station"));
    const auto created = station.store.createProject(QStringLiteral("Big"), kit.dir.filePath("local"),
        settings::CaptureFormat::hd1080p25, projects::ProjectStorageType::cloud,
        settings::ProjectOutputColorMode::rec709, nullptr);
    ASSERT_TRUE(created);
    station.engine.exitProjectSelectionMode();
    station.record(QStringLiteral("A.mov"), "a");
    // Sparse: no disk used, all zeros.
    ASSERT_TRUE(QFile(station.record(QStringLiteral("B.mov"), {})).resize(256LL * 1024 * 1024));
    QList<double> progress;
    qint64 peak = 0;
    QObject::connect(kit.manager.get(), &cloud::CloudSync::currentUploadProgressChanged, [&](double value) {
        progress << value;
        peak = std::max(peak, cloudStationMemoryInUse());
    });
    const qint64 before = cloudStationMemoryInUse();
    kit.fullSync();
    EXPECT_EQ(kit.manager->statusText(), QStringLiteral("Sync complete"));
    const CloudSyncState state = CloudSyncStateStore::read(created->folderPath);
    ASSERT_TRUE(state.uploaded.contains("B.mov"));
    EXPECT_EQ(kit.server.file(state.uploaded.value("B.mov"))->size, 256LL * 1024 * 1024);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_TRUE(progress.contains(1.0)) << "before the end-of-run reset";
    EXPECT_LT(peak - before, 32LL * 1024 * 1024) << "streamed from disk";
}
