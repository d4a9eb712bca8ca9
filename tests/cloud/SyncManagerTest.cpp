// The manager's own behaviour: the sync timer, the finished-take observer, the sync-state file
// and pending uploads, phases and endpoint configuration.

#include "CloudTestKit.h"

#include "cloud/CloudSyncStateStore.h"

#include <gtest/gtest.h>

using namespace cloud_test;
using cloud::CloudSyncState;
using cloud::CloudSyncStateStore;

TEST(SyncState, FileBytesAndRoundTrip)
{
    CloudSyncState state;
    state.pending = QStringList { "b.mov", "a.mov" };
    state.driveProjectFolderID = QStringLiteral("F1");
    state.uploaded.insert(QStringLiteral("c.mov"), QStringLiteral("id-c"));
    state.lastSyncAt = QDateTime::fromMSecsSinceEpoch(978307210500, Qt::UTC); // 2001-01-01 00:00:10.5
    EXPECT_EQ(state.toJson(),
        QByteArray(
            R"({"driveProjectFolderID":"F1","lastSyncAt":10.5,"pending":["b.mov","a.mov"],"uploaded":{"c.mov":"id-c"}})"));
    state.lastSyncAt = QDateTime::fromMSecsSinceEpoch(1765000000123, Qt::UTC);
    EXPECT_EQ(CloudSyncState::fromJson(state.toJson()), state);

    for (const QByteArray bad : { R"({"pending":[]})", "not json", R"({"pending":[1],"uploaded":{}})",
             R"({"pending":[],"uploaded":{},"lastSyncAt":"x"})" })
        EXPECT_FALSE(CloudSyncState::fromJson(bad)) << bad.toStdString();
    const auto extra = CloudSyncState::fromJson(R"({"pending":[],"uploaded":{},"syncedMD5":{},"lastSyncAt":null})");
    ASSERT_TRUE(extra);
    EXPECT_FALSE(extra->lastSyncAt);
}

TEST(SyncState, FinishedTakesJoinThePendingUploadsOfTheCurrentCloudProject)
{
    CloudTestKit kit;
    auto project = kit.cloudProject();
    const QString file = CloudSyncStateStore::filePath(project.folderPath);
    auto& manager = kit.start();
    const auto finish = [&](const QVariant& url) {
        kit.notifications.post(QStringLiteral("corvaleRecordingFinished"), { { QStringLiteral("url"), url } });
    };

    finish(QUrl::fromLocalFile(project.folderPath + "/A.mov")); // no current project: ignored
    kit.library.setCurrent(project);
    finish(QUrl::fromLocalFile(project.folderPath + "/A.mov"));
    EXPECT_EQ(testkit::readFile(file), QByteArray(R"({"pending":["A.mov"],"uploaded":{}})"));
    finish(QUrl::fromLocalFile(project.folderPath + "/A.mov").toString()); // the same take as text
    finish(QStringLiteral("/elsewhere/B.mov"));
    finish(QVariant()); // no URL: ignored
    EXPECT_EQ(testkit::readFile(file), QByteArray(R"({"pending":["A.mov","B.mov"],"uploaded":{}})"));
    EXPECT_EQ(manager.pendingCount(), 2);

    writeFile(file, R"({"pending":["lost.mov"]})"); // no "uploaded": read as empty, then replaced
    finish(QStringLiteral("/x/D.mov"));
    EXPECT_EQ(testkit::readFile(file), QByteArray(R"({"pending":["D.mov"],"uploaded":{}})"));
}

TEST(SyncManager, TimerFollowsTheIntervalSetting)
{
    CloudTestKit kit;
    auto& manager = kit.start();
    kit.settings.setCloudSyncInterval(settings::CloudSyncInterval::minutes15);
    kit.scheduler.advance(899);
    kit.drain();
    EXPECT_EQ(manager.fullSyncs, 0);
    kit.scheduler.advance(1);
    kit.drain(); // a tick while a pass waits unstarted joins it
    kit.scheduler.advance(900);
    kit.drain();
    EXPECT_EQ(manager.fullSyncs, 2);
    kit.settings.setCloudSyncInterval(settings::CloudSyncInterval::manual);
    EXPECT_FALSE(manager.hasSyncTimer());
}

TEST(SyncManager, EndpointsComeFromTheEnvironmentAndStayOnLoopback)
{
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    defaults.set(QStringLiteral("googleClientID"), QStringLiteral("stored-client"));
    qunsetenv("CORVALE_GOOGLE_CLIENT_ID");
    qputenv("CORVALE_GOOGLE_BASE_URL", "http://127.0.0.1:4567");
    auto endpoints = cloud::GoogleEndpoints::fromEnvironment(defaults);
    EXPECT_EQ(endpoints.clientID, QStringLiteral("stored-client"));
    EXPECT_EQ(endpoints.uploadFilesURL.toString(), QStringLiteral("http://127.0.0.1:4567/upload/drive/v3/files"));
    qputenv("CORVALE_GOOGLE_BASE_URL", "https://example.com");
    endpoints = cloud::GoogleEndpoints::fromEnvironment(defaults);
    EXPECT_FALSE(endpoints.isConfigured()); // never Google's hosts, never another's
    qunsetenv("CORVALE_GOOGLE_BASE_URL");
}
