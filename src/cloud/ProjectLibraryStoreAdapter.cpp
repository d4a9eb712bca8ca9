#include "cloud/ProjectLibraryStoreAdapter.h"

#include "projects/ProjectLibraryStore.h"

namespace cloud {

ProjectLibraryStoreAdapter::ProjectLibraryStoreAdapter(projects::ProjectLibraryStore& store, QObject* parent)
    : CloudProjectLibrary(parent)
    , store_(store)
{
    connect(&store_, &projects::ProjectLibraryStore::currentProjectIDChanged, this,
        &CloudProjectLibrary::currentProjectIDChanged);
}

std::optional<CloudProjectLibrary::Project> ProjectLibraryStoreAdapter::currentProject() const
{
    const std::optional<projects::ProjectInfo> info = store_.currentProject();
    if (!info)
        return std::nullopt;
    return Project { info->id, info->name, info->folderPath, info->storage() == projects::ProjectStorageType::cloud,
        info->cloudFolderID, projects::ProjectMetadata::fromProject(*info) };
}

void ProjectLibraryStoreAdapter::upsertCloudProject(
    const projects::ProjectMetadata& metadata, const QString& folderID, const QString& folderName)
{
    store_.upsertCloudProject(metadata, folderID, folderName);
}

void ProjectLibraryStoreAdapter::updateCloudFolderID(const QUuid& projectID, const QString& folderID)
{
    store_.updateCloudFolderID(projectID, folderID);
}

std::optional<QUuid> ProjectLibraryStoreAdapter::projectWithCloudFolder(const QString& folderID) const
{
    for (const projects::ProjectInfo& project : store_.projects()) {
        if (project.cloudFolderID == folderID)
            return project.id;
    }
    return std::nullopt;
}

} // namespace cloud
