// The cloud project list, the full sync and the project synchronisation, against the fake Drive,
// down to a worker stopped mid-run.

#include "CloudTestKit.h"

#include "cloud/CloudSyncStateStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace cloud_test;
using cloud::CloudSyncPhase;
using cloud::CloudSyncState;
using cloud::CloudSyncStateStore;
using Action = cloud::DuplicateConflictAction;

namespace {

// A signed-in station whose passes run for real.
struct Station {
    explicit Station(CloudTestKit& kit)
        : kit(kit)
    {
        kit.keychain.setData(kit.server.issueRefreshToken().toUtf8(), QStringLiteral("refresh_token"));
        manager = &kit.start(std::nullopt, true);
    }
    QList<FakeGoogleServer::File> driveFiles(const QString& parent)
    {
        QList<FakeGoogleServer::File> files;
        for (int i = 0; i < 1000; ++i) {
            // The fake numbers its files; walk them all.
            const auto file = kit.server.file(QStringLiteral("f") + QString::number(i));
            if (file && file->parents.contains(parent))
                files.append(*file);
        }
        return files;
    }

    CloudTestKit& kit;
    TestManager* manager = nullptr;
};

} // namespace

TEST(CloudList, RefreshReportsFoundSkippedAndFailedFolders)
{
    CloudTestKit kit;
    Station station(kit);
    auto& manager = *station.manager;

    manager.refreshCloudProjects();
    kit.drain();
    EXPECT_EQ(manager.statusText(), QStringLiteral("No cloud projects found"));
    const QString root = kit.keychain.getText(QStringLiteral("drive_root_folder_id")).value_or(QString());
    ASSERT_FALSE(root.isEmpty());

    const auto metadataJson = [&](const QString& id, std::optional<QString> driveFolderID = std::nullopt) {
        projects::ProjectMetadata metadata = kit.cloudProject(id.left(4)).metadata;
        metadata.id = id;
        metadata.driveFolderID = driveFolderID;
        return metadata.encoded();
    };
    const QString lower = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    QStringList folders;
    for (int i = 0; i < 4; ++i)
        folders << kit.server.addFolder(QStringLiteral("P%1").arg(i), root);
    kit.server.addFile(".corvale_project.json", folders[0], metadataJson(lower));
    kit.server.addFile(
        ".corvale_project.json", folders[1], metadataJson(QUuid::createUuid().toString(QUuid::WithoutBraces), "X1"));
    kit.server.addFile(".corvale_project.json", folders[2], metadataJson(QUuid::createUuid().toString()));
    manager.refreshCloudProjects();
    kit.drain();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Cloud projects updated (3, skipped 1)"));
    EXPECT_EQ(manager.cloudProjectIDs().size(), 3);
    ASSERT_EQ(kit.library.upserted.size(), 3);
    EXPECT_EQ(kit.library.upserted[0].id, lower.toUpper());
    EXPECT_EQ(kit.library.upserted[0].driveFolderID, folders[0]); // filled from the folder
    EXPECT_EQ(kit.library.upserted[1].driveFolderID, QStringLiteral("X1")); // its own kept

    // Bad metadata ends the pass; inside a full sync with no cloud project open that stays silent.
    kit.server.addFile(".corvale_project.json", folders[3], "{not json");
    manager.refreshCloudProjects();
    kit.drain();
    EXPECT_TRUE(manager.statusText().startsWith(QStringLiteral("Cloud refresh failed: ")))
        << manager.statusText().toStdString();
    EXPECT_TRUE(manager.canRetry());
    EXPECT_EQ(manager.failedItems(), QStringList { manager.statusText() });
    kit.fullSync();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Cloud list refreshed"));
    EXPECT_TRUE(manager.failedItems().isEmpty());
}

TEST(CloudList, WithoutATokenTheSyncIsNotConnected)
{
    CloudTestKit signedOut;
    auto& idle = signedOut.start(std::nullopt, true);
    signedOut.fullSync();
    EXPECT_EQ(idle.statusText(), QStringLiteral("Not connected"));
    EXPECT_EQ(idle.phase(), CloudSyncPhase::failed);
}

TEST(ProjectSync, ASecondStationDownloadsThePlaylistAndALocalEditWins)
{
    CloudTestKit kit;
    auto project = kit.cloudProject(QStringLiteral("Feature"));
    writeFile(project.folderPath + "/playlist.json", R"({"clips":["first"]})");
    writeFile(project.folderPath + "/A001.mov", QByteArray(3000, 'a'));
    writeFile(project.folderPath + "/notes.txt", "not media");
    {
        Station station(kit);
        kit.library.setCurrent(project);
        kit.fullSync();
        EXPECT_EQ(station.manager->statusText(), QStringLiteral("Sync complete"));
        EXPECT_EQ(QStringList(CloudSyncStateStore::read(project.folderPath).uploaded.keys()),
            QStringList({ ".corvale_project.json", "A001.mov", "playlist.json" }));
        kit.manager.reset();
    }
    auto opened = project;
    opened.folderPath = kit.dir.filePath(QStringLiteral("second/Feature"));
    opened.cloudFolderID = CloudSyncStateStore::read(project.folderPath).driveProjectFolderID;
    QDir().mkpath(opened.folderPath);
    kit.library.setCurrent(opened);
    Station second(kit);
    QSignalSpy replaced(second.manager, &cloud::GoogleDriveSyncManager::projectFileReplaced);
    kit.fullSync();
    EXPECT_EQ(testkit::readFile(opened.folderPath + "/playlist.json"), QByteArray(R"({"clips":["first"]})"));
    EXPECT_EQ(replaced.size(), 1);
    const CloudSyncState state = CloudSyncStateStore::read(opened.folderPath);
    EXPECT_EQ(second.driveFiles(*state.driveProjectFolderID).size(), 3); // no second copies

    writeFile(opened.folderPath + "/playlist.json", R"({"clips":["edited"]})");
    replaced.clear();
    kit.fullSync();
    EXPECT_TRUE(replaced.isEmpty());
    EXPECT_EQ(kit.server.file(state.uploaded.value("playlist.json"))->content, QByteArray(R"({"clips":["edited"]})"));
}

TEST(ProjectSync, ConflictsCancelOverwriteKeepBoth)
{
    CloudTestKit kit;
    Station station(kit);
    auto& manager = *station.manager;
    auto project = kit.cloudProject();
    project.cloudFolderID = kit.server.addFolder("Feature");
    const QString folder = *project.cloudFolderID;
    const QString remoteClip = kit.server.addFile("clip.mov", folder, "drive", "video/quicktime");
    kit.server.addFolder("B.mov", folder); // a folder is no conflict
    writeFile(project.folderPath + "/B.mov", "b");
    writeFile(project.folderPath + "/clip.mov", "local");
    writeFile(project.folderPath + "/clip_Local.mov", "in the way");
    kit.library.setCurrent(project);

    kit.prompter.answers = { Action::cancel };
    kit.fullSync();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Sync cancelled by user"));
    EXPECT_EQ(kit.prompter.asked, QStringList { "clip.mov" });
    CloudSyncState state = CloudSyncStateStore::read(project.folderPath);
    EXPECT_EQ(state.pending, QStringList({ "clip.mov", "clip_Local.mov" }));
    EXPECT_TRUE(state.uploaded.contains("B.mov"));

    // Keep Both: clip_Local.mov is taken locally, so clip_Local2.mov; Drive's copy is renamed.
    QSignalSpy renamed(&manager, &cloud::GoogleDriveSyncManager::localFileRenamed);
    kit.prompter.answers = { Action::keepBoth };
    kit.fullSync();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Sync complete"));
    EXPECT_TRUE(CloudSyncStateStore::read(project.folderPath).uploaded.contains("clip_Local2.mov"));
    EXPECT_FALSE(QFile::exists(project.folderPath + "/clip.mov"));
    EXPECT_EQ(kit.server.file(remoteClip)->name, QStringLiteral("clip_GDrive.mov"));
    EXPECT_EQ(renamed.value(0).value(1).toString(), project.folderPath + "/clip_Local2.mov");

    // Overwrite: a new local clip.MOV meets an untracked Drive file of that name; the answer
    // stays recorded although the upload fails.
    const QString other = kit.server.addFile("take.MOV", folder, "drive", "video/quicktime");
    writeFile(project.folderPath + "/take.MOV", "local take");
    kit.prompter.answers = { Action::overwrite };
    kit.server.addFault({ .method = "PUT", .pathPrefix = "/upload", .skip = 1 }); // after the metadata file
    kit.fullSync();
    state = CloudSyncStateStore::read(project.folderPath);
    EXPECT_EQ(state.uploaded.value("take.MOV"), other);
    EXPECT_EQ(state.pending, QStringList { "take.MOV" });
    kit.fullSync(); // tracked now: no question, onto the same Drive file
    EXPECT_EQ(manager.statusText(), QStringLiteral("Sync complete"));
    EXPECT_EQ(kit.server.file(other)->size, 10);
    EXPECT_EQ(kit.prompter.asked.size(), 3);
}

TEST(ProjectSync, FailuresArePartialOrFailedAndRetryCompletes)
{
    CloudTestKit kit;
    Station station(kit);
    auto& manager = *station.manager;
    auto project = kit.cloudProject();
    for (const char* name : { "A.mov", "B.mov", "C.mov" })
        writeFile(project.folderPath + "/" + name, name);
    kit.library.setCurrent(project);
    kit.server.addFault({ .method = "PUT", .pathPrefix = "/upload", .skip = 2 }); // after the metadata and A.mov
    kit.fullSync();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Sync partial (1 pending, 1 failed)"));
    ASSERT_EQ(manager.failedItems().size(), 1);
    EXPECT_TRUE(manager.failedItems()[0].startsWith(QStringLiteral("B.mov: ")));
    EXPECT_EQ(CloudSyncStateStore::read(project.folderPath).pending, QStringList { "B.mov" });
    manager.retrySync();
    kit.drain();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Sync complete"));
    const QString folder = *CloudSyncStateStore::read(project.folderPath).driveProjectFolderID;
    EXPECT_EQ(station.driveFiles(folder).size(), 4);

    // A listing failure ends the run.
    kit.server.addFault({ .method = "GET", .pathPrefix = "/drive/v3/files", .status = 503, .times = -1 });
    kit.fullSync();
    EXPECT_TRUE(manager.statusText().startsWith(QStringLiteral("Sync failed: "))) << manager.statusText().toStdString();
    EXPECT_EQ(manager.phase(), CloudSyncPhase::failed);
}

TEST(ProjectSync, DownloadFailureAloneAndHostileNames)
{
    CloudTestKit kit;
    Station station(kit);
    auto& manager = *station.manager;
    // A project whose local folder is gone: nothing to upload, the download cannot be written.
    auto project = kit.cloudProject();
    project.cloudFolderID = kit.server.addFolder("Feature");
    kit.server.addFile("playlist.json", *project.cloudFolderID, "{}", "application/json");
    QDir(project.folderPath).removeRecursively();
    kit.library.setCurrent(project);
    kit.fullSync();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Sync failed (1 items)"));
    ASSERT_EQ(manager.failedItems().size(), 1);
    EXPECT_TRUE(manager.failedItems()[0].startsWith(QStringLiteral("Download failed: ")));

    // Names in the state that are no plain file name never reach the disk or Drive.
    QDir().mkpath(project.folderPath);
    writeFile(kit.dir.filePath("x"), "outside");
    CloudSyncState state;
    state.driveProjectFolderID = project.cloudFolderID;
    state.pending = QStringList { "../../x", "../x", "..", "a/b.mov" };
    CloudSyncStateStore::save(state, project.folderPath);
    kit.fullSync();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Sync complete"));
    EXPECT_EQ(station.driveFiles(*project.cloudFolderID).size(), 2); // the metadata and the playlist
    EXPECT_EQ(CloudSyncStateStore::read(project.folderPath).pending, QStringList());
}

TEST(ProjectSync, AWorkerStoppedAfterOneUploadKeepsItRecorded)
{
    CloudTestKit kit;
    Station station(kit);
    auto& manager = *station.manager;
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
