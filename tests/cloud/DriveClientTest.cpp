// The Drive client against the fake server: every request read back from the server's log,
// paging, error answers, resumable uploads streamed from disk, trash, rename and token renewal.

#include "CloudTestKit.h"

#include "cloud/DriveClient.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

using namespace cloud_test;
using cloud::DriveClient;
using cloud::SyncError;

namespace {

QJsonObject bodyOf(const FakeGoogleServer::Request& request)
{
    return QJsonDocument::fromJson(request.body).object();
}

class DriveClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kit.start();
        kit.signIn();
        kit.server.clearLog();
    }
    template <class F> auto run(F call)
    {
        std::optional<decltype(call(kit.manager->drive()))> result;
        kit.onWorker([&] { result.emplace(call(kit.manager->drive())); });
        return std::move(*result);
    }

    CloudTestKit kit;
};

} // namespace

TEST_F(DriveClientTest, ListsSendTheEncodedQueryAndFollowEveryPage)
{
    kit.server.settings.pageSize = 2;
    const QString parent = kit.server.addFolder(QStringLiteral("Corvale"));
    for (int i = 0; i < 5; ++i)
        kit.server.addFolder(QStringLiteral("Project %1").arg(i), parent);
    kit.server.addFile(QStringLiteral("not a folder.mov"), parent);
    const auto folders = run([&](DriveClient& drive) { return drive.listDriveFolders(parent); });
    ASSERT_TRUE(folders);
    EXPECT_EQ(folders->size(), 5);
    const auto lists = kit.server.requests("GET", "/drive/v3/files");
    ASSERT_EQ(lists.size(), 3);
    const auto& first = lists[0];
    EXPECT_TRUE(first.rawQuery.startsWith("q='" + parent.toUtf8()
        + "'%20in%20parents%20and%20mimeType='application%2Fvnd.google-apps.folder'%20and%20trashed=false&"));
    EXPECT_EQ(lists[1].queryItem("pageToken"), QStringLiteral("2"));

    // Names are escaped inside query literals; identifiers that are not Drive's are refused unsent.
    kit.server.clearLog();
    kit.server.addFile(QStringLiteral("it's a \\ name"), parent);
    const auto named = run([&](DriveClient& drive) {
        return drive.listDriveFiles(DriveClient::quoted(parent)
            + " in parents and name=" + DriveClient::quoted(QStringLiteral("it's a \\ name")));
    });
    ASSERT_TRUE(named);
    EXPECT_EQ(named->size(), 1);
    for (const QString& bad : QStringList { "a'b", "", "../x", QString(201, 'a') }) {
        const auto refused = run([&](DriveClient& drive) { return drive.listDriveFolders(bad); });
        EXPECT_EQ(refused.error().kind, SyncError::Kind::invalidID);
    }
    EXPECT_EQ(kit.server.requests().size(), 1);
}

TEST_F(DriveClientTest, ErrorAnswersAreErrorsNeverContent)
{
    const QString id = kit.server.addFile(QStringLiteral("playlist.json"), {}, "{}");
    const auto list = [&] { return run([](DriveClient& drive) { return drive.listDriveFiles("trashed=false"); }); };
    kit.server.addFault(
        { .method = "GET", .pathPrefix = "/drive/", .status = 404, .body = R"({"error":{"message":"Gone"}})" });
    EXPECT_EQ(list().error().description(), QStringLiteral("HTTP 404: Gone"));
    kit.server.addFault({ .method = "GET", .pathPrefix = "/drive/v3/files/", .body = "Backend Error\n" });
    EXPECT_EQ(run([&](DriveClient& drive) { return drive.downloadDriveFile(id); }).error(),
        SyncError::http(500, QStringLiteral("Backend Error ")));
    kit.server.addFault({ .method = "GET", .pathPrefix = "/drive/v3/files", .status = 200, .body = "{}" });
    EXPECT_EQ(list().error().kind, SyncError::Kind::decoding);
    // The network layer sends a GET again once when a kept-alive connection drops.
    kit.server.addFault(
        { .kind = FakeGoogleServer::Fault::Kind::drop, .method = "GET", .pathPrefix = "/drive/v3/files", .times = 2 });
    EXPECT_EQ(list().error().kind, SyncError::Kind::transport);
}

TEST_F(DriveClientTest, UploadsStartASessionAndStreamTheFileWithoutAuthorization)
{
    const QString parent = kit.server.addFolder(QStringLiteral("Feature"));
    const QString path = kit.dir.filePath(QStringLiteral("clip.MOV"));
    writeFile(path, "movie bytes");
    const auto uploaded = run([&](DriveClient& drive) { return drive.uploadFile(path, parent, std::nullopt); });
    ASSERT_TRUE(uploaded);
    const auto start = kit.server.requests("POST", "/upload/drive/v3/files").value(0);
    EXPECT_EQ(start.rawQuery, QByteArray("uploadType=resumable"));
    EXPECT_EQ(start.header("X-Upload-Content-Type"), QByteArray("video/quicktime"));
    EXPECT_EQ(bodyOf(start), QJsonObject({ { "name", "clip.MOV" }, { "parents", QJsonArray { parent } } }));
    EXPECT_FALSE(kit.server.requests("PUT", "/upload/").value(0).hasHeader("Authorization"));
    EXPECT_EQ(kit.server.file(uploaded.value())->content, QByteArray("movie bytes"));
    EXPECT_EQ(kit.manager->currentUploadProgress(), 1.0);

    // New content for an existing file: PATCH on its identifier, the local name only.
    writeFile(path, "new");
    ASSERT_EQ(run([&](DriveClient& drive) { return drive.uploadFile(path, parent, uploaded.value()); }).value(),
        uploaded.value());
    EXPECT_EQ(bodyOf(kit.server.requests("PATCH", "/upload/drive/v3/files/").value(0)),
        QJsonObject({ { "name", "clip.MOV" } }));
    EXPECT_EQ(kit.server.file(uploaded.value())->content, QByteArray("new"));

    // Without a session URL nothing is transferred.
    kit.server.addFault({ .method = "POST", .pathPrefix = "/upload/", .status = 200, .body = "{}" });
    kit.server.clearLog();
    EXPECT_EQ(run([&](DriveClient& drive) { return drive.uploadFile(path, parent, std::nullopt); }).error(),
        SyncError::uploadInitFailed());
    EXPECT_TRUE(kit.server.requests("PUT", "/").isEmpty());
    EXPECT_EQ(
        run([&](DriveClient& drive) { return drive.uploadFile(path + "-gone", parent, std::nullopt); }).error().kind,
        SyncError::Kind::localFile);
}

TEST_F(DriveClientTest, TrashRefreshesFirstAndRenameNeedsSuccess)
{
    const QString folder = kit.server.addFolder(QStringLiteral("Old project"));
    std::optional<cloud::CloudSync::TrashResult> trashed;
    kit.manager->trashDriveFolder(folder, [&](cloud::CloudSync::TrashResult result) { trashed = result; });
    ASSERT_TRUE(CloudTestKit::waitFor([&] { return trashed.has_value(); }));
    EXPECT_TRUE(trashed->ok());
    EXPECT_TRUE(kit.server.file(folder)->trashed);
    const auto log = kit.server.requests();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].path, QByteArray("/token"));
    EXPECT_EQ(bodyOf(log[1]), QJsonObject({ { "trashed", true } }));

    EXPECT_EQ(
        run([](DriveClient& drive) { return drive.trashDriveFolder(QStringLiteral("nope")); }).error().description(),
        QStringLiteral("Drive trash failed: HTTP 404"));

    // A rename that works is the Keep Both case of the project sync.
    kit.server.addFault({ .method = "PATCH", .pathPrefix = "/drive/v3/files/", .status = 403 });
    EXPECT_EQ(run([&](DriveClient& drive) { return drive.renameDriveFile(folder, QStringLiteral("x")); }).error(),
        SyncError::renameFailed());
}

TEST_F(DriveClientTest, ATokenThatExpiresMidRunIsRenewedOnceAndSignedOutSendsNothing)
{
    kit.server.expireAccessTokens(); // still fresh by our clock: Drive answers 401
    ASSERT_TRUE(run([](DriveClient& drive) { return drive.listDriveFiles(QStringLiteral("trashed=false")); }));
    EXPECT_EQ(kit.server.requests("POST", "/token").size(), 1);
    EXPECT_EQ(kit.server.requests("GET", "/drive/").size(), 2);

    kit.clock.advance(3600); // expired by our clock: renewed before the request
    kit.server.clearLog();
    ASSERT_TRUE(run([](DriveClient& drive) { return drive.listDriveFiles(QStringLiteral("trashed=false")); }));
    EXPECT_EQ(kit.server.requests().size(), 2);
    EXPECT_EQ(kit.server.requests()[0].path, QByteArray("/token"));

    kit.manager->signOut();
    EXPECT_EQ(run([](DriveClient& drive) { return drive.ensureRootFolderID(); }).error(), SyncError::noToken());
}
