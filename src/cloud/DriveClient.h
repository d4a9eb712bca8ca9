#pragma once

// The Google Drive v3 client: the station's root folder, listing, folders, resumable uploads
// streamed from disk, downloads, trash and rename. Every call sends at most a few requests and
// turns the answer into a value or a SyncError; a non-2xx answer is never taken for content.
//
// Before each authorised request the access token is checked (refreshed when it has a minute or
// less to live); a 401 answer gets one forced refresh and one retry. Identifiers must look like
// Drive identifiers before they enter a path or a query.
//
// Threads: the cloud worker only (every call blocks on the network). The progress callback is
// called there too.

#include "cloud/CloudWorker.h"
#include "cloud/DriveFile.h"
#include "cloud/SyncError.h"
#include "platform/Result.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace cloud {

class GoogleAuthClient;
class KeychainStore;

class DriveClient {
public:
    template <class T> using Result = platform::Result<T, SyncError>;
    using UploadProgress = std::function<void(double fraction)>;

    static constexpr int pageSize = 1000;
    static constexpr const char* fileFields = "id,name,mimeType,md5Checksum,size,modifiedTime";
    static constexpr const char* rootFolderName = "Corvale";

    DriveClient(CloudWorker& worker, GoogleAuthClient& auth, KeychainStore& keychain, UploadProgress onUploadProgress);

    Result<QString> ensureRootFolderID();
    Result<QList<DriveFile>> listDriveFolders(const QString& parentID);
    // Every page of the answer, followed through "nextPageToken".
    Result<QList<DriveFile>> listDriveFiles(const QString& query);
    Result<QString> createDriveFolder(const QString& name, const std::optional<QString>& parentID);
    // A new file in `parentID`, or new content (and the local name) for `existingFileID`.
    Result<QString> uploadFile(
        const QString& filePath, const QString& parentID, const std::optional<QString>& existingFileID);
    Result<QByteArray> downloadDriveFile(const QString& fileID);
    // Runs the refresh-token grant first, as the user has just signed in again.
    Result<void> trashDriveFolder(const QString& folderID);
    Result<void> renameDriveFile(const QString& fileID, const QString& newName);

    // Content type of an upload, by extension: mov, mp4, json, else octet-stream.
    static QString mimeType(const QString& filePath);
    // [A-Za-z0-9_-]{1,200}
    static bool isValidID(const QString& id);
    // A query literal: the text between single quotes, with ' and \ escaped.
    static QString quoted(const QString& text);
    // The query as sent after "q=": percent-encoded except unreserved characters and '()=.
    static QByteArray encodedQuery(const QString& query);

private:
    Result<CloudWorker::Response> authorized(CloudWorker::Request request);
    // As authorized(), with a non-2xx answer turned into SyncError::http.
    Result<CloudWorker::Response> succeeded(const CloudWorker::Request& request);
    QUrl fileURL(const QString& id) const;

    CloudWorker& worker_;
    GoogleAuthClient& auth_;
    KeychainStore& keychain_;
    UploadProgress onUploadProgress_;
};

} // namespace cloud
