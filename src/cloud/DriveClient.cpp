#include "cloud/DriveClient.h"

#include "cloud/GoogleAuthClient.h"
#include "cloud/KeychainStore.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace cloud {

namespace {

const QByteArray kJsonUtf8 = "application/json; charset=utf-8";

QByteArray compactJson(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Drive's own message from an error document, else the body's text.
SyncError httpError(const CloudWorker::Response& response)
{
    const QJsonValue error = QJsonDocument::fromJson(response.body).object().value(QStringLiteral("error"));
    const QJsonValue message = error.toObject().value(QStringLiteral("message"));
    if (message.isString())
        return SyncError::http(
            response.status, GoogleAuthClient::describeOAuthError(message.toString().toUtf8()).value_or(QString()));
    return SyncError::http(response.status, GoogleAuthClient::describeOAuthError(response.body).value_or(QString()));
}

SyncError noAnswer(const CloudWorker::Response& response)
{
    return response.cancelled ? SyncError::cancelled() : SyncError::transport(response.errorText);
}

platform::Result<QString, SyncError> decodeID(const CloudWorker::Response& response)
{
    const QJsonValue id = QJsonDocument::fromJson(response.body).object().value(QStringLiteral("id"));
    if (!id.isString())
        return platform::fail(SyncError::decoding(QStringLiteral("no file identifier")));
    return id.toString();
}

} // namespace

DriveClient::DriveClient(
    CloudWorker& worker, GoogleAuthClient& auth, KeychainStore& keychain, UploadProgress onUploadProgress)
    : worker_(worker)
    , auth_(auth)
    , keychain_(keychain)
    , onUploadProgress_(std::move(onUploadProgress))
{
}

QString DriveClient::mimeType(const QString& filePath)
{
    const QString extension = QFileInfo(filePath).suffix().toLower();
    if (extension == QLatin1String("mov"))
        return QStringLiteral("video/quicktime");
    if (extension == QLatin1String("mp4"))
        return QStringLiteral("video/mp4");
    if (extension == QLatin1String("json"))
        return QStringLiteral("application/json");
    return QStringLiteral("application/octet-stream");
}

bool DriveClient::isValidID(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,200}$"));
    return pattern.match(id).hasMatch();
}

QString DriveClient::quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QByteArray DriveClient::encodedQuery(const QString& query)
{
    return QUrl::toPercentEncoding(query, "'()=");
}

QUrl DriveClient::fileURL(const QString& id) const
{
    QUrl url = auth_.endpoints().driveFilesURL;
    url.setPath(url.path() + QLatin1Char('/') + id);
    return url;
}

DriveClient::Result<CloudWorker::Response> DriveClient::authorized(CloudWorker::Request request)
{
    request.headers.append({ "Authorization", QByteArray() });
    for (int attempt = 0;; ++attempt) {
        const bool fresh = attempt == 0 ? auth_.ensureAccessToken() : auth_.refreshAccessTokenIfNeeded();
        const std::optional<QString> token = auth_.accessToken();
        if (!fresh || !token || token->isEmpty())
            return platform::fail(SyncError::noToken());
        request.headers.last().second = "Bearer " + token->toUtf8();
        CloudWorker::Response response = worker_.send(request);
        if (!response.hasAnswer())
            return platform::fail(noAnswer(response));
        // An access token Google no longer takes (revoked, or expired early): renew it once.
        if (response.status != 401 || attempt == 1)
            return response;
    }
}

DriveClient::Result<CloudWorker::Response> DriveClient::succeeded(const CloudWorker::Request& request)
{
    Result<CloudWorker::Response> response = authorized(request);
    if (response && !response->isSuccess())
        return platform::fail(httpError(*response));
    return response;
}

DriveClient::Result<QString> DriveClient::ensureRootFolderID()
{
    const QString account = QString::fromLatin1(KeychainStore::driveRootKey);
    if (std::optional<QString> stored = keychain_.getText(account))
        return *stored;
    // Another station of the same account may have made it already.
    Result<QList<DriveFile>> found = listDriveFiles(QStringLiteral("name='") + QLatin1String(rootFolderName)
        + QStringLiteral(
            "' and mimeType='application/vnd.google-apps.folder' and 'root' in parents and trashed=false"));
    if (!found)
        return platform::fail(found.error());
    if (!found->isEmpty()) {
        keychain_.setData(found->first().id.toUtf8(), account);
        return found->first().id;
    }
    Result<QString> created = createDriveFolder(QString::fromLatin1(rootFolderName), std::nullopt);
    if (created)
        keychain_.setData(created.value().toUtf8(), account);
    return created;
}

DriveClient::Result<QList<DriveFile>> DriveClient::listDriveFolders(const QString& parentID)
{
    if (!isValidID(parentID))
        return platform::fail(SyncError::invalidID(parentID));
    return listDriveFiles(quoted(parentID)
        + QStringLiteral(" in parents and mimeType='application/vnd.google-apps.folder' and trashed=false"));
}

DriveClient::Result<QList<DriveFile>> DriveClient::listDriveFiles(const QString& query)
{
    QList<DriveFile> files;
    std::optional<QString> pageToken;
    for (;;) {
        QByteArray encoded = "q=" + encodedQuery(query) + "&pageSize=" + QByteArray::number(pageSize)
            + "&fields=nextPageToken,files(" + fileFields + ")";
        if (pageToken)
            encoded += "&pageToken=" + QUrl::toPercentEncoding(*pageToken);
        CloudWorker::Request request;
        request.url = auth_.endpoints().driveFilesURL;
        request.url.setQuery(QString::fromLatin1(encoded), QUrl::StrictMode);
        Result<CloudWorker::Response> response = succeeded(request);
        if (!response)
            return platform::fail(response.error());
        std::optional<DriveListResponse> page = DriveListResponse::decode(response->body);
        if (!page)
            return platform::fail(SyncError::decoding(QStringLiteral("no file list")));
        files += page->files;
        // A token that does not move on would loop for ever.
        if (!page->nextPageToken || page->nextPageToken->isEmpty() || page->nextPageToken == pageToken)
            return files;
        pageToken = page->nextPageToken;
    }
}

DriveClient::Result<QString> DriveClient::createDriveFolder(const QString& name, const std::optional<QString>& parentID)
{
    if (parentID && !isValidID(*parentID))
        return platform::fail(SyncError::invalidID(*parentID));
    QJsonObject body { { QStringLiteral("name"), name },
        { QStringLiteral("mimeType"), QString::fromLatin1(DriveFile::folderMimeType) } };
    if (parentID)
        body.insert(QStringLiteral("parents"), QJsonArray { *parentID });
    CloudWorker::Request request;
    request.method = "POST";
    request.url = auth_.endpoints().driveFilesURL;
    request.headers = { { "Content-Type", kJsonUtf8 } };
    request.body = compactJson(body);
    Result<CloudWorker::Response> response = succeeded(request);
    if (!response)
        return platform::fail(response.error());
    return decodeID(*response);
}

DriveClient::Result<QString> DriveClient::uploadFile(
    const QString& filePath, const QString& parentID, const std::optional<QString>& existingFileID)
{
    const QString& target = existingFileID ? *existingFileID : parentID;
    if (!isValidID(target))
        return platform::fail(SyncError::invalidID(target));
    QFile file(filePath);
    const QString name = QFileInfo(filePath).fileName();
    if (!file.open(QIODevice::ReadOnly))
        return platform::fail(SyncError::localFile(name + QStringLiteral(": ") + file.errorString()));
    const QByteArray size = QByteArray::number(file.size());
    const QByteArray contentType = mimeType(filePath).toUtf8();

    // Start a resumable session: a new file in the folder, or new content for an existing one.
    CloudWorker::Request start;
    QJsonObject body { { QStringLiteral("name"), name } };
    start.url = auth_.endpoints().uploadFilesURL;
    if (existingFileID) {
        start.method = "PATCH";
        start.url.setPath(start.url.path() + QLatin1Char('/') + *existingFileID);
    } else {
        start.method = "POST";
        body.insert(QStringLiteral("parents"), QJsonArray { parentID });
    }
    start.url.setQuery(QStringLiteral("uploadType=resumable"));
    start.headers = { { "Content-Type", kJsonUtf8 }, { "X-Upload-Content-Type", contentType },
        { "X-Upload-Content-Length", size } };
    start.body = compactJson(body);
    Result<CloudWorker::Response> started = succeeded(start);
    if (!started)
        return platform::fail(started.error());
    const QUrl session(QString::fromUtf8(started->header("Location")), QUrl::StrictMode);
    if (!session.isValid() || (session.scheme() != QLatin1String("https") && session.scheme() != QLatin1String("http"))
        || session.host().isEmpty())
        return platform::fail(SyncError::uploadInitFailed());

    // The session URL is the credential of the transfer: no Authorization goes with the bytes,
    // which stream from the file.
    CloudWorker::Request transfer;
    transfer.method = "PUT";
    transfer.url = session;
    transfer.headers = { { "Content-Type", contentType }, { "Content-Length", size } };
    transfer.bodyDevice = &file;
    // The network layer ends with a (0, 0) report, which must not take the bar back to nothing.
    transfer.onUploadProgress = [this](qint64 sent, qint64 total) {
        if (onUploadProgress_ && total >= 1)
            onUploadProgress_(double(sent) / double(total));
    };
    const CloudWorker::Response done = worker_.send(transfer);
    if (!done.hasAnswer())
        return platform::fail(noAnswer(done));
    if (!done.isSuccess())
        return platform::fail(httpError(done));
    if (done.body.isEmpty())
        return platform::fail(SyncError::uploadInitFailed());
    if (onUploadProgress_)
        onUploadProgress_(1.0); // an empty file reports no progress of its own
    return decodeID(done);
}

DriveClient::Result<QByteArray> DriveClient::downloadDriveFile(const QString& fileID)
{
    if (!isValidID(fileID))
        return platform::fail(SyncError::invalidID(fileID));
    CloudWorker::Request request;
    request.url = fileURL(fileID);
    request.url.setQuery(QStringLiteral("alt=media"));
    Result<CloudWorker::Response> response = succeeded(request);
    if (!response)
        return platform::fail(response.error());
    return response->body;
}

DriveClient::Result<void> DriveClient::trashDriveFolder(const QString& folderID)
{
    if (!isValidID(folderID))
        return platform::fail(SyncError::invalidID(folderID));
    if (!auth_.refreshAccessTokenIfNeeded())
        return platform::fail(SyncError::noToken());
    CloudWorker::Request request;
    request.method = "PATCH";
    request.url = fileURL(folderID);
    request.headers = { { "Content-Type", "application/json" } };
    request.body = compactJson({ { QStringLiteral("trashed"), true } });
    Result<CloudWorker::Response> response = authorized(request);
    if (!response)
        return platform::fail(response.error());
    if (!response->isSuccess())
        return platform::fail(
            SyncError::uploadFailed(QStringLiteral("Drive trash failed: HTTP %1").arg(response->status)));
    return {};
}

DriveClient::Result<void> DriveClient::renameDriveFile(const QString& fileID, const QString& newName)
{
    if (!isValidID(fileID))
        return platform::fail(SyncError::invalidID(fileID));
    CloudWorker::Request request;
    request.method = "PATCH";
    request.url = fileURL(fileID);
    request.headers = { { "Content-Type", kJsonUtf8 } };
    request.body = compactJson({ { QStringLiteral("name"), newName } });
    Result<CloudWorker::Response> response = authorized(request);
    if (!response)
        return platform::fail(response.error());
    if (!response->isSuccess())
        return platform::fail(SyncError::renameFailed());
    return {};
}

} // namespace cloud
