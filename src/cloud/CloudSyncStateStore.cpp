#include "cloud/CloudSyncStateStore.h"

#include "platform/DebugLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <map>
#include <memory>
#include <mutex>

namespace cloud {

namespace {

std::mutex& folderLock(const QString& projectFolder)
{
    static std::mutex mapMutex;
    static std::map<QString, std::unique_ptr<std::mutex>> locks;
    const QString key = QDir::cleanPath(QFileInfo(projectFolder).absoluteFilePath());
    std::lock_guard lock(mapMutex);
    auto& entry = locks[key];
    if (!entry)
        entry = std::make_unique<std::mutex>();
    return *entry;
}

CloudSyncState readUnlocked(const QString& projectFolder)
{
    QFile file(CloudSyncStateStore::filePath(projectFolder));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return CloudSyncState::fromJson(file.readAll()).value_or(CloudSyncState {});
}

void saveUnlocked(const CloudSyncState& state, const QString& projectFolder)
{
    QSaveFile file(CloudSyncStateStore::filePath(projectFolder));
    if (!file.open(QIODevice::WriteOnly) || file.write(state.toJson()) < 0 || !file.commit())
        dlog("⚠️ [CloudSync] could not write the sync state in", projectFolder, ":", file.errorString());
}

} // namespace

QString CloudSyncStateStore::filePath(const QString& projectFolder)
{
    return QDir(projectFolder).filePath(QString::fromLatin1(syncStateFilename));
}

CloudSyncState CloudSyncStateStore::read(const QString& projectFolder)
{
    std::lock_guard lock(folderLock(projectFolder));
    return readUnlocked(projectFolder);
}

void CloudSyncStateStore::save(const CloudSyncState& state, const QString& projectFolder)
{
    std::lock_guard lock(folderLock(projectFolder));
    saveUnlocked(state, projectFolder);
}

CloudSyncState CloudSyncStateStore::update(
    const QString& projectFolder, const std::function<bool(CloudSyncState&)>& change)
{
    std::lock_guard lock(folderLock(projectFolder));
    CloudSyncState state = readUnlocked(projectFolder);
    if (change(state))
        saveUnlocked(state, projectFolder);
    return state;
}

} // namespace cloud
