// One run of the project synchronisation: the project's Drive folder, the project download, the
// pending list, and the uploads with the duplicate-name question. Runs on the cloud worker; one
// run at a time follows from the worker running one job at a time.

#include "cloud/GoogleDriveSyncManager.h"

#include "cloud/CloudSyncStateStore.h"
#include "platform/DebugLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace cloud {

namespace {

const QString kFolderMimeType = QString::fromLatin1(DriveFile::folderMimeType);

// Visible entries of the folder, files and folders alike.
QStringList visibleEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
}

} // namespace

bool GoogleDriveSyncManager::isMediaSyncFile(const QString& filename)
{
    static const QStringList extensions { "mov", "mp4", "mxf", "mpg", "m2v", "wav", "aiff", "aif", "aac" };
    const QString name = QFileInfo(filename).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && extensions.contains(name.mid(dot + 1).toLower());
}

std::optional<DriveFile> GoogleDriveSyncManager::duplicateConflictRemoteFile(
    const QString& filename, const std::optional<QString>& trackedFileID, const RemoteFiles& remoteByName)
{
    for (const DriveFile& file : remoteByName.value(filename)) {
        if (!trackedFileID || file.id != *trackedFileID)
            return file;
    }
    return std::nullopt;
}

QString GoogleDriveSyncManager::uniqueSuffixedFilename(
    const QString& filename, const QString& suffix, const QSet<QString>& existing)
{
    const qsizetype dot = filename.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0;
    const QString base = hasExtension ? filename.left(dot) : filename;
    const QString extension = hasExtension ? filename.mid(dot + 1) : QString();
    const QString stem = base + suffix;
    const auto candidate
        = [&](const QString& text) { return extension.isEmpty() ? text : text + QLatin1Char('.') + extension; };
    if (!existing.contains(candidate(stem)))
        return candidate(stem);
    for (int n = 2; n < 10000; ++n) {
        const QString name = candidate(stem + QString::number(n));
        if (!existing.contains(name))
            return name;
    }
    return candidate(stem + QLatin1Char('_') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().left(4));
}

void GoogleDriveSyncManager::enqueueProjectFiles(
    const CloudProjectLibrary::Project& project, CloudSyncState& state, const std::optional<QString>& driveFolderID)
{
    const QString metadataName = QString::fromLatin1(projectMetadataFilename);
    const std::optional<QString> written = writeProjectMetadata(project, driveFolderID);
    if (written && QFileInfo::exists(*written) && !state.pending.contains(metadataName))
        state.pending.prepend(metadataName);
    const QString playlistName = QString::fromLatin1(playlistFilename);
    const QDir folder(project.folderPath);
    if (QFileInfo::exists(folder.filePath(playlistName)) && !state.pending.contains(playlistName))
        state.pending.append(playlistName);

    const QFileInfoList entries = folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (!entry.isFile())
            continue;
        const QString name = entry.fileName();
        if (name == QLatin1String(syncStateFilename))
            continue;
        if (name == metadataName) {
            if (!state.pending.contains(name))
                state.pending.prepend(name);
            continue;
        }
        if (!isMediaSyncFile(name) || state.uploaded.contains(name) || state.pending.contains(name))
            continue;
        state.pending.append(name);
    }
}

GoogleDriveSyncManager::DuplicateConflictAction GoogleDriveSyncManager::promptDuplicateConflict(const QString& filename)
{
    ConflictPrompter* prompter = deps_.prompter;
    if (!prompter)
        return DuplicateConflictAction::cancel;
    // The main thread shows the question and keeps running; this worker waits for the answer.
    auto answer = std::make_shared<std::atomic<DuplicateConflictAction>>(DuplicateConflictAction::cancel);
    const bool answered = waitForMain([prompter, filename, answer](std::function<void()> finish) {
        prompter->promptDuplicateConflict(filename, [answer, finish](DuplicateConflictAction action) {
            answer->store(action);
            finish();
        });
    });
    return answered ? answer->load() : DuplicateConflictAction::cancel;
}

GoogleDriveSyncManager::Result<std::pair<QString, QString>> GoogleDriveSyncManager::keepBothRename(
    const QString& originalFilename, const QString& localPath, const DriveFile& remoteFile,
    const QString& projectFolder, RemoteFiles& remoteByName, CloudSyncState& state)
{
    const QStringList localNames = visibleEntries(projectFolder);
    QSet<QString> remoteNames(remoteByName.keyBegin(), remoteByName.keyEnd());
    QSet<QString> avoidLocal = remoteNames;
    for (const QString& name : localNames)
        avoidLocal.insert(name);
    const QString newLocalName = uniqueSuffixedFilename(originalFilename, QStringLiteral("_Local"), avoidLocal);
    QSet<QString> avoidRemote = remoteNames;
    avoidRemote.insert(newLocalName);
    const QString newRemoteName = uniqueSuffixedFilename(originalFilename, QStringLiteral("_GDrive"), avoidRemote);

    const QString newLocalPath = QDir(projectFolder).filePath(newLocalName);
    if (QFileInfo::exists(newLocalPath) || QFileInfo(newLocalPath).isSymLink())
        return platform::fail(SyncError::renameFailed());
    if (!QFile::rename(localPath, newLocalPath))
        return platform::fail(SyncError::localFile(originalFilename + QStringLiteral(": cannot be renamed")));
    if (const Result<void> renamed = drive_->renameDriveFile(remoteFile.id, newRemoteName); !renamed) {
        QFile::rename(newLocalPath, localPath);
        return platform::fail(renamed.error());
    }
    postToMain([this, localPath, newLocalPath] { emit localFileRenamed(localPath, newLocalPath); });

    state.uploaded.remove(originalFilename);
    state.syncedMD5.remove(originalFilename);
    QList<DriveFile> same = remoteByName.value(originalFilename);
    same.removeIf([&](const DriveFile& file) { return file.id == remoteFile.id; });
    if (same.isEmpty())
        remoteByName.remove(originalFilename);
    else
        remoteByName.insert(originalFilename, same);
    DriveFile renamedCopy = remoteFile;
    renamedCopy.name = newRemoteName;
    remoteByName[newRemoteName].append(renamedCopy);
    return std::pair { newLocalName, newLocalPath };
}

void GoogleDriveSyncManager::syncCurrentProjectNow()
{
    std::optional<CloudProjectLibrary::Project> current;
    if (!callOnMain([&] { current = deps_.library.currentProject(); }))
        return;
    if (!current || !current->isCloud)
        return;
    const CloudProjectLibrary::Project project = *current;
    if (!auth_->ensureAccessToken())
        return;
    if (!callOnMain([this] { emit projectSyncStarting(); }))
        return;
    CloudSyncState state = CloudSyncStateStore::read(project.folderPath);
    const QStringList pendingAtStart = state.pending;

    postToMain([this] {
        setIsSyncing(true);
        setCanRetry(false);
        setFailedItems({});
        setPhase(CloudSyncPhase::refreshing);
        setCurrentUploadProgress(0);
        setCurrentUploadName(std::nullopt);
        setCurrentDownloadProgress(0);
        setCurrentDownloadName(std::nullopt);
        setStatusText(QStringLiteral("Syncing…"));
    });
    const auto endOfRun = [this] {
        postToMain([this] {
            setIsSyncing(false);
            setCurrentUploadName(std::nullopt);
            setCurrentUploadProgress(0);
            setCurrentDownloadName(std::nullopt);
            setCurrentDownloadProgress(0);
        });
    };
    const auto fatal = [&](const SyncError& error) {
        dlog(QStringLiteral("☁️ [CLOUD] sync failed: %1").arg(error.description()));
        postToMain([this, text = error.description()] {
            setPhase(CloudSyncPhase::failed);
            setCanRetry(true);
            setFailedItems({ text });
            setStatusText(QStringLiteral("Sync failed: ") + text);
        });
        endOfRun();
    };

    const Result<QString> root = drive_->ensureRootFolderID();
    if (!root)
        return fatal(root.error());
    // The folder this station made, else the one the record knows (a project fetched from Drive),
    // else a new one.
    QString folderID;
    if (state.driveProjectFolderID && DriveClient::isValidID(*state.driveProjectFolderID)) {
        folderID = *state.driveProjectFolderID;
    } else if (project.cloudFolderID && DriveClient::isValidID(*project.cloudFolderID)) {
        folderID = *project.cloudFolderID;
        state.driveProjectFolderID = folderID;
    } else {
        const Result<QString> created = drive_->createDriveFolder(project.name, *root);
        if (!created)
            return fatal(created.error());
        folderID = *created;
        state.driveProjectFolderID = folderID;
    }
    postToMain([this, id = project.id, folderID] { deps_.library.updateCloudFolderID(id, folderID); });

    postToMain([this] {
        setPhase(CloudSyncPhase::downloading);
        setStatusText(QStringLiteral("Downloading project data…"));
    });
    QStringList downloadFailures;
    if (const Result<void> downloaded = syncProjectDataFromCloud(project, folderID, state); !downloaded)
        downloadFailures.append(QStringLiteral("Download failed: ") + downloaded.error().description());

    enqueueProjectFiles(project, state, folderID);

    const Result<QList<DriveFile>> listing
        = drive_->listDriveFiles(QLatin1Char('\'') + folderID + QLatin1String("' in parents and trashed=false"));
    if (!listing)
        return fatal(listing.error());
    RemoteFiles remoteByName;
    for (const DriveFile& file : *listing) {
        if (file.mimeType != kFolderMimeType)
            remoteByName[file.name].append(file);
    }

    // Names from the state file that are no single file name in the folder never reach the disk.
    QStringList snapshot;
    for (const QString& name : std::as_const(state.pending)) {
        if (isPlainFilename(name))
            snapshot.append(name);
    }
    const qsizetype total = snapshot.size();
    if (total > 0)
        postToMain([this] { setPhase(CloudSyncPhase::uploading); });
    QStringList remaining;
    QStringList failures;
    int uploadedCount = 0;
    const QDir folder(project.folderPath);

    const auto finish = [&](bool cancelled) {
        state.pending = remaining;
        state.lastSyncAt = QDateTime::currentDateTimeUtc();
        // Takes that finished during the run joined the file; keep them pending.
        CloudSyncStateStore::update(project.folderPath, [&](CloudSyncState& stored) {
            for (const QString& name : std::as_const(stored.pending)) {
                if (!pendingAtStart.contains(name) && !snapshot.contains(name) && !state.pending.contains(name)
                    && !state.uploaded.contains(name))
                    state.pending.append(name);
            }
            stored = state;
            return true;
        });
        const QStringList failedItems = downloadFailures + failures;
        postToMain([this, cancelled, failedItems, lastSync = state.lastSyncAt, pending = int(state.pending.size()),
                       remainingCount = remaining.size(), uploadedCount] {
            setLastSyncAt(lastSync);
            setPendingCount(pending);
            setFailedItems(failedItems);
            if (cancelled) {
                setCanRetry(true);
                setPhase(CloudSyncPhase::partial);
                setStatusText(QStringLiteral("Sync cancelled by user"));
                return;
            }
            setCanRetry(!failedItems.isEmpty());
            if (remainingCount == 0 && failedItems.isEmpty()) {
                setPhase(CloudSyncPhase::complete);
                setStatusText(QStringLiteral("Sync complete"));
            } else if (!failedItems.isEmpty() && uploadedCount == 0) {
                setPhase(CloudSyncPhase::failed);
                setStatusText(QStringLiteral("Sync failed (%1 items)").arg(failedItems.size()));
            } else {
                setPhase(CloudSyncPhase::partial);
                setStatusText(
                    QStringLiteral("Sync partial (%1 pending, %2 failed)").arg(remainingCount).arg(failedItems.size()));
            }
        });
        endOfRun();
    };

    for (qsizetype i = 0; i < total; ++i) {
        const QString& name = snapshot[i];
        if (worker_->isStopping()) {
            // Leave the rest pending and what was uploaded recorded.
            remaining += snapshot.mid(i);
            return finish(false);
        }
        QString localPath = folder.filePath(name);
        if (!QFileInfo::exists(localPath))
            continue;
        std::optional<QString> tracked;
        if (state.uploaded.contains(name))
            tracked = state.uploaded.value(name);
        QString uploadName = name;
        if (isMediaSyncFile(name)) {
            if (const std::optional<DriveFile> conflict = duplicateConflictRemoteFile(name, tracked, remoteByName)) {
                switch (promptDuplicateConflict(name)) {
                case DuplicateConflictAction::cancel:
                    remaining += snapshot.mid(i);
                    return finish(true);
                case DuplicateConflictAction::overwrite:
                    state.uploaded.insert(name, conflict->id);
                    tracked = conflict->id;
                    break;
                case DuplicateConflictAction::keepBoth: {
                    const auto renamed
                        = keepBothRename(name, localPath, *conflict, project.folderPath, remoteByName, state);
                    if (!renamed) {
                        remaining.append(name);
                        failures.append(name + QStringLiteral(": ") + renamed.error().description());
                        continue;
                    }
                    uploadName = renamed->first;
                    localPath = renamed->second;
                    tracked.reset();
                    break;
                }
                }
            }
        }
        postToMain([this, uploadName] {
            setPhase(CloudSyncPhase::uploading);
            setCurrentUploadName(uploadName);
            setCurrentUploadProgress(0);
        });
        const QString sum = CloudSyncState::md5OfFile(localPath);
        const Result<QString> uploaded = drive_->uploadFile(localPath, folderID, tracked);
        if (uploaded) {
            state.uploaded.insert(uploadName, *uploaded);
            if (!sum.isEmpty())
                state.syncedMD5.insert(uploadName, sum);
            QList<DriveFile>& same = remoteByName[uploadName];
            if (std::none_of(same.begin(), same.end(), [&](const DriveFile& f) { return f.id == *uploaded; }))
                same.append(DriveFile { *uploaded, uploadName, {}, {}, {}, {} });
            ++uploadedCount;
            // A run cut short keeps what it uploaded.
            CloudSyncStateStore::update(project.folderPath, [&](CloudSyncState& stored) {
                stored.driveProjectFolderID = state.driveProjectFolderID;
                stored.uploaded.insert(uploadName, *uploaded);
                stored.syncedMD5 = state.syncedMD5;
                stored.pending.removeAll(uploadName);
                return true;
            });
        } else {
            remaining.append(uploadName);
            failures.append(uploadName + QStringLiteral(": ") + uploaded.error().description());
        }
        postToMain([this, uploadedCount, total] {
            setStatusText(QStringLiteral("Syncing… %1/%2").arg(uploadedCount).arg(total));
        });
    }
    finish(false);
}

} // namespace cloud
