// The passes that Sync Now, Retry, the timer and the library's list refresh start. They run on
// the cloud worker.

#include "cloud/GoogleDriveSyncManager.h"

namespace cloud {

void GoogleDriveSyncManager::runFullSyncNow() { }

void GoogleDriveSyncManager::refreshCloudProjectsNow(bool updateStatus)
{
    Q_UNUSED(updateStatus);
}

} // namespace cloud
