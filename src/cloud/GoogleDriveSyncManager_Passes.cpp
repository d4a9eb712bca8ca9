// The passes that Sync Now, Retry, the timer and the library's list refresh start, and the project
// download with the local metadata file. They run on the cloud worker; the published state and
// the library are reached on the main thread.

#include "cloud/GoogleDriveSyncManager.h"

#include "cloud/KeychainStore.h"
#include "platform/DebugLog.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace cloud {

namespace {

QString metadataQuery(const QString& folderID)
{
    return QLatin1Char('\'') + folderID + QLatin1String("' in parents and name='")
        + QLatin1String(GoogleDriveSyncManager::projectMetadataFilename) + QLatin1String("' and trashed=false");
}

bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

QString describe(const projects::JsonDecodeError& error)
{
    using Kind = projects::JsonDecodeError::Kind;
    switch (error.kind) {
    case Kind::notJson:
        return QStringLiteral("Project metadata is not valid JSON");
    case Kind::notAnObject:
        return QStringLiteral("Project metadata is not a JSON object");
    case Kind::keyNotFound:
        return QStringLiteral("Project metadata lacks \"%1\"").arg(error.key);
    case Kind::typeMismatch:
    case Kind::dataCorrupted:
        break;
    }
    return QStringLiteral("Project metadata has a bad \"%1\"").arg(error.key);
}

} // namespace

void GoogleDriveSyncManager::runFullSyncNow()
{
    bool signedIn = false;
    if (!callOnMain([&] { signedIn = isSignedIn(); }))
        return;
    // A stored refresh token may still sign us in (the start-up refresh may have failed offline).
    if (!signedIn && !auth_->ensureAccessToken()) {
        postToMain([this] {
            setStatusText(QStringLiteral("Not connected"));
            setPhase(CloudSyncPhase::failed);
            setCanRetry(false);
        });
        return;
    }
    postToMain([this] {
        setFailedItems({});
        setCanRetry(false);
        setPhase(CloudSyncPhase::refreshing);
        setStatusText(QStringLiteral("Refreshing cloud projects…"));
    });
    refreshCloudProjectsNow(false);

    std::optional<CloudProjectLibrary::Project> project;
    if (!callOnMain([&] { project = deps_.library.currentProject(); }))
        return;
    if (project && project->isCloud) {
        syncCurrentProjectNow();
        refreshCloudProjectsNow(false);
        return;
    }
    postToMain([this] {
        setPhase(CloudSyncPhase::complete);
        setStatusText(QStringLiteral("Cloud list refreshed"));
        setCanRetry(false);
    });
}

void GoogleDriveSyncManager::refreshCloudProjectsNow(bool updateStatus)
{
    if (!auth_->ensureAccessToken())
        return;
    if (updateStatus) {
        postToMain([this] {
            setPhase(CloudSyncPhase::refreshing);
            setStatusText(QStringLiteral("Refreshing cloud projects…"));
        });
    }
    const auto fail = [&](const SyncError& error) {
        dlog(QStringLiteral("☁️ [CLOUD] refresh failed: %1").arg(error.description()));
        postToMain([this, updateStatus, text = QStringLiteral("Cloud refresh failed: ") + error.description()] {
            if (updateStatus) {
                setPhase(CloudSyncPhase::failed);
                setCanRetry(true);
                setStatusText(text);
                setFailedItems({ text });
            }
            setCloudProjectIDs({});
            setCloudListLoaded(true);
        });
    };
    const Result<QString> root = drive_->ensureRootFolderID();
    if (!root)
        return fail(root.error());
    const Result<QList<DriveFile>> folders = drive_->listDriveFolders(*root);
    if (!folders)
        return fail(folders.error());
    postToMain([this] { setCloudListLoaded(true); });
    if (folders->isEmpty()) {
        postToMain([this, updateStatus] {
            setCloudProjectIDs({});
            if (updateStatus) {
                setPhase(CloudSyncPhase::complete);
                setStatusText(QStringLiteral("No cloud projects found"));
            }
        });
        return;
    }

    QSet<QUuid> found;
    int updated = 0;
    int skipped = 0;
    for (const DriveFile& folder : *folders) {
        if (worker_->isStopping())
            return;
        const Result<std::optional<projects::ProjectMetadata>> fetched = fetchProjectMetadata(folder.id);
        if (!fetched)
            return fail(fetched.error());
        if (!fetched.value()) {
            ++skipped;
            continue;
        }
        projects::ProjectMetadata metadata = **fetched;
        const QUuid id = QUuid::fromString(metadata.id);
        if (id.isNull()) {
            ++skipped;
            continue;
        }
        metadata.id = id.toString(QUuid::WithoutBraces).toUpper();
        if (!metadata.driveFolderID)
            metadata.driveFolderID = folder.id;
        postToMain([this, metadata, folder] { deps_.library.upsertCloudProject(metadata, folder.id, folder.name); });
        found.insert(id);
        ++updated;
    }
    postToMain([this, found, updated, skipped, updateStatus] {
        setCloudProjectIDs(found);
        if (!updateStatus)
            return;
        setPhase(CloudSyncPhase::complete);
        if (updated == 0)
            setStatusText(QStringLiteral("No cloud projects found"));
        else if (skipped == 0)
            setStatusText(QStringLiteral("Cloud projects updated"));
        else
            setStatusText(QStringLiteral("Cloud projects updated (%1, skipped %2)").arg(updated).arg(skipped));
    });
}

GoogleDriveSyncManager::Result<std::optional<projects::ProjectMetadata>> GoogleDriveSyncManager::fetchProjectMetadata(
    const QString& folderID)
{
    // The identifier goes into the query: it must look like one.
    if (!DriveClient::isValidID(folderID))
        return platform::fail(SyncError::invalidID(folderID));
    const Result<QList<DriveFile>> files = drive_->listDriveFiles(metadataQuery(folderID));
    if (!files)
        return platform::fail(files.error());
    if (files->isEmpty())
        return std::optional<projects::ProjectMetadata>();
    const Result<QByteArray> bytes = drive_->downloadDriveFile(files->first().id);
    if (!bytes)
        return platform::fail(bytes.error());
    auto decoded = projects::ProjectMetadata::decode(*bytes);
    if (!decoded)
        return platform::fail(SyncError::decoding(describe(decoded.error())));
    projects::ProjectMetadata metadata = *decoded;
    if (!metadata.driveFolderID)
        metadata.driveFolderID = folderID;
    return std::optional<projects::ProjectMetadata>(metadata);
}

bool GoogleDriveSyncManager::isPlainFilename(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

GoogleDriveSyncManager::Result<void> GoogleDriveSyncManager::syncProjectDataFromCloud(
    const CloudProjectLibrary::Project& project, const QString& driveFolderID, CloudSyncState& state)
{
    if (!DriveClient::isValidID(driveFolderID))
        return platform::fail(SyncError::invalidID(driveFolderID));
    const QString query = QLatin1Char('\'') + driveFolderID
        + QLatin1String("' in parents and trashed=false and (name='") + QLatin1String(projectMetadataFilename)
        + QLatin1String("' or name='") + QLatin1String(playlistFilename) + QLatin1String("')");
    const Result<QList<DriveFile>> listed = drive_->listDriveFiles(query);
    if (!listed)
        return platform::fail(listed.error());
    // Only the two project files are ever written from Drive, whatever else the listing says.
    QList<DriveFile> files;
    for (const DriveFile& file : *listed) {
        if (file.name == QLatin1String(projectMetadataFilename) || file.name == QLatin1String(playlistFilename))
            files.append(file);
    }
    if (files.isEmpty())
        return {};
    const QDir folder(project.folderPath);
    const qsizetype n = files.size();
    for (qsizetype i = 0; i < n; ++i) {
        const DriveFile& file = files[i];
        postToMain([this, name = file.name, fraction = double(i) / double(n)] {
            setCurrentDownloadName(name);
            setCurrentDownloadProgress(fraction);
        });
        const QString localPath = folder.filePath(file.name);
        const std::optional<QString> synced = state.syncedMD5.value(file.name);
        // A local file changed since the last sync wins: it is uploaded instead of replaced.
        if (QFileInfo::exists(localPath) && synced && CloudSyncState::md5OfFile(localPath) != *synced) {
            dlog(QStringLiteral("☁️ [CLOUD] keeping local %1 (changed since last sync)").arg(file.name));
        } else {
            const Result<QByteArray> bytes = drive_->downloadDriveFile(file.id);
            if (!bytes)
                return platform::fail(bytes.error());
            QString error;
            if (!writeAtomically(localPath, *bytes, &error))
                return platform::fail(SyncError::localFile(file.name + QStringLiteral(": ") + error));
            state.syncedMD5.insert(file.name, CloudSyncState::md5(*bytes));
            if (file.name == QLatin1String(projectMetadataFilename)) {
                if (auto metadata = projects::ProjectMetadata::decode(*bytes)) {
                    postToMain([this, metadata = *metadata, driveFolderID, folderName = project.metadata.folderName] {
                        deps_.library.upsertCloudProject(metadata, driveFolderID, folderName);
                    });
                }
            } else {
                postToMain([this, localPath] { emit projectFileReplaced(localPath); });
            }
        }
        state.uploaded.insert(file.name, file.id);
        postToMain([this, done = i + 1, n] {
            setCurrentDownloadProgress(double(done) / double(n));
            setStatusText(QStringLiteral("Downloading… %1/%2").arg(done).arg(n));
        });
    }
    return {};
}

std::optional<QString> GoogleDriveSyncManager::writeProjectMetadata(
    const CloudProjectLibrary::Project& project, const std::optional<QString>& driveFolderID)
{
    const QString target = QDir(project.folderPath).filePath(QLatin1String(projectMetadataFilename));
    projects::ProjectMetadata metadata = project.metadata;
    metadata.id = project.id.toString(QUuid::WithoutBraces).toUpper();
    metadata.name = project.name;
    metadata.driveFolderID = driveFolderID ? driveFolderID : project.cloudFolderID;
    metadata.folderName = QFileInfo(project.folderPath).fileName();
    if (!writeAtomically(target, metadata.encoded()))
        return std::nullopt;
    return target;
}

} // namespace cloud
