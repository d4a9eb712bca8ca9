#pragma once

// The project library as cloud sync sees it: the real store's current project and its changes.
//
// Threads: main thread only, like the store.

#include "cloud/CloudProjectLibrary.h"

namespace projects {
class ProjectLibraryStore;
}

namespace cloud {

class ProjectLibraryStoreAdapter : public CloudProjectLibrary {
    Q_OBJECT
public:
    explicit ProjectLibraryStoreAdapter(projects::ProjectLibraryStore& store, QObject* parent = nullptr);

    std::optional<Project> currentProject() const override;

private:
    projects::ProjectLibraryStore& store_;
};

} // namespace cloud
