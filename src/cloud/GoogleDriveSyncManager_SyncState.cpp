// Each cloud project's sync-state file: finished takes join its pending uploads, and the pending
// count follows the current project.

#include "cloud/GoogleDriveSyncManager.h"

#include "cloud/CloudSyncStateStore.h"

#include <QFileInfo>

namespace cloud {

void GoogleDriveSyncManager::saveSyncState(const CloudSyncState& state, const CloudProjectLibrary::Project& project)
{
    CloudSyncStateStore::save(state, project.folderPath);
}

void GoogleDriveSyncManager::enqueueFileForCurrentProject(const QString& filePath)
{
    const std::optional<CloudProjectLibrary::Project> project = deps_.library.currentProject();
    if (!project || !project->isCloud)
        return;
    // Only the name is kept: it stands for the file of that name in the project folder.
    const QString name = QFileInfo(filePath).fileName();
    if (name.isEmpty())
        return;
    bool alreadyUploaded = false;
    const CloudSyncState state = CloudSyncStateStore::update(project->folderPath, [&](CloudSyncState& stored) {
        alreadyUploaded = stored.uploaded.contains(name);
        if (alreadyUploaded || stored.pending.contains(name))
            return false;
        stored.pending.append(name);
        return true;
    });
    if (!alreadyUploaded)
        setPendingCount(int(state.pending.size()));
}

void GoogleDriveSyncManager::refreshPendingCount()
{
    const std::optional<CloudProjectLibrary::Project> project = deps_.library.currentProject();
    if (!project || !project->isCloud) {
        setPendingCount(0);
        return;
    }
    const CloudSyncState state = CloudSyncStateStore::read(project->folderPath);
    setPendingCount(int(state.pending.size()));
    setLastSyncAt(state.lastSyncAt);
}

} // namespace cloud
