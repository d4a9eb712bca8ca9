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
    void upsertCloudProject(
        const projects::ProjectMetadata& metadata, const QString& folderID, const QString& folderName) override;
    void updateCloudFolderID(const QUuid& projectID, const QString& folderID) override;
    std::optional<QUuid> projectWithCloudFolder(const QString& folderID) const override;

private:
    projects::ProjectLibraryStore& store_;
};

} // namespace cloud
