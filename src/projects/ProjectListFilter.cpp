#include "projects/ProjectListFilter.h"

namespace projects {

QList<ProjectInfo> ProjectListFilter::filteredProjects(
    const QList<ProjectInfo>& projects, ProjectStorageType storageFilter, const CloudListState& cloud)
{
    const bool isCloud = storageFilter == ProjectStorageType::cloud;
    if (isCloud && (!cloud.isSignedIn || !cloud.cloudListLoaded))
        return {};

    QList<ProjectInfo> result;
    QSet<QUuid> seen;
    for (const auto& project : projects) {
        if (project.storage() != storageFilter)
            continue;
        if (isCloud) {
            if (!cloud.cloudProjectIDs.contains(project.id) || seen.contains(project.id))
                continue;
            seen.insert(project.id);
        }
        result.append(project);
    }
    return result;
}

std::optional<ProjectInfo> ProjectListFilter::selectedProject(const QList<ProjectInfo>& projects,
    ProjectStorageType storageFilter, const CloudListState& cloud, const std::optional<QUuid>& selection)
{
    if (!selection)
        return std::nullopt;
    for (const auto& project : filteredProjects(projects, storageFilter, cloud)) {
        if (project.id == *selection)
            return project;
    }
    return std::nullopt;
}

} // namespace projects
