#pragma once

// Reads and writes a project's ".corvale_cloud.json", one lock per project folder so the main
// thread (finished takes) and the cloud worker (sync passes) never interleave a read-change-write.
//
// Threads: any thread. The locks are process-wide, keyed by the folder's absolute path.

#include "cloud/CloudSyncState.h"

#include <QString>

#include <functional>

namespace cloud {

class CloudSyncStateStore {
public:
    static constexpr const char* syncStateFilename = ".corvale_cloud.json";

    static QString filePath(const QString& projectFolder);

    // The stored state; the empty state when the file is absent, unreadable or not a state.
    static CloudSyncState read(const QString& projectFolder);
    // Writes atomically; failures are dropped (logged), as the state is rebuilt by the next pass.
    static void save(const CloudSyncState& state, const QString& projectFolder);
    // Reads, lets `change` edit, and saves when it returns true, all under the folder's lock.
    // Returns the state as it stands afterwards.
    static CloudSyncState update(const QString& projectFolder, const std::function<bool(CloudSyncState&)>& change);
};

} // namespace cloud
