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
        info->cloudFolderID };
}

} // namespace cloud
