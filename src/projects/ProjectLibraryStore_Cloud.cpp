// The records of cloud projects, kept for cloud sync: each Drive project folder found gets a
// local record and a local working folder under the cloud projects' root.

#include "projects/ProjectLibraryStore.h"

#include "platform/DebugLog.h"

#include <QDir>
#include <QFileInfo>

namespace projects {

namespace {

QString cleaned(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

} // namespace

ProjectInfo ProjectLibraryStore::upsertCloudProject(
    const ProjectMetadata& metadata, const QString& folderID, const QString& folderName)
{
    const auto cloudRecord
        = std::find_if(projects_.cbegin(), projects_.cend(), [&folderID](const ProjectInfo& project) {
              return project.storage() == ProjectStorageType::cloud && project.cloudFolderID == folderID;
          });
    const qsizetype cloudIndex = cloudRecord == projects_.cend() ? -1 : cloudRecord - projects_.cbegin();

    QUuid id;
    if (const auto parsed = ProjectInfo::idFromString(metadata.id))
        id = *parsed;
    else if (cloudIndex >= 0)
        id = projects_.at(cloudIndex).id;
    else
        id = QUuid::createUuid();
    const qsizetype index = indexOf(id);
    const std::optional<ProjectInfo> existing = index >= 0 ? std::optional(projects_.at(index))
        : cloudIndex >= 0                                  ? std::optional(projects_.at(cloudIndex))
                                                           : std::nullopt;

    const QString folder
        = cloudProjectFolder(id, metadata.folderName.isEmpty() ? folderName : metadata.folderName, existing);
    if (!pathExists(folder) && !QDir().mkpath(folder))
        dlog("❌ [Projects] Could not create cloud project folder", folder);
    const std::optional<QByteArray> bookmark = makeBookmark(folder);
    const QString mode = metadata.outputColorModeRaw.value_or(outputColorModeRaw(metadata.colorSpaceRaw));

    ProjectInfo project;
    if (existing)
        project = *existing;
    project.id = id;
    project.name = metadata.name;
    project.formatRaw = metadata.formatRaw;
    project.outputColorModeRaw = mode;
    project.colorSpaceRaw = colorSpaceRaw(mode);
    project.storageRaw = settings::toRaw(ProjectStorageType::cloud);
    project.lastOpenedAt
        = existing ? (metadata.lastOpenedAt ? metadata.lastOpenedAt : existing->lastOpenedAt) : metadata.lastOpenedAt;
    project.cloudFolderID = folderID;
    project.folderPath = folder;
    project.folderBookmarkData = existing ? (bookmark ? bookmark : existing->folderBookmarkData) : bookmark;
    project.createdAt = metadata.createdAt;

    if (index >= 0) {
        replaceProject(index, project);
        return project;
    }
    QList<ProjectInfo> projects = projects_;
    if (cloudIndex >= 0) {
        projects[cloudIndex] = project;
    } else {
        projects.prepend(project);
    }
    setProjects(std::move(projects));
    normalizeProjects();
    writeProjectMetadataFile(project);
    persist();
    return project;
}

void ProjectLibraryStore::updateCloudFolderID(const QUuid& projectID, const QString& folderID)
{
    const qsizetype index = indexOf(projectID);
    if (index < 0 || projects_.at(index).cloudFolderID == folderID)
        return;
    ProjectInfo project = projects_.at(index);
    project.cloudFolderID = folderID;
    replaceProject(index, project);
}

QString ProjectLibraryStore::cloudProjectFolder(
    const QUuid& id, const QString& name, const std::optional<ProjectInfo>& existing) const
{
    const QDir root(defaultCloudProjectsRoot());
    const QString plain = cleaned(root.filePath(sanitizedFolderName(name)));
    const QString separate
        = cleaned(root.filePath(suffixedFolderName(name, QLatin1Char(' ') + ProjectInfo::idString(id).left(8))));
    // A record keeps the folder it has (also when its identity changes with this upsert), and so
    // does one whose folder is elsewhere on disk: a project made in a folder of the operator's
    // choice records there, and moving its record would leave later takes out of every sync.
    if (existing
        && (cleaned(existing->folderPath) == separate || cleaned(existing->folderPath) == plain
            || (!existing->folderPath.isEmpty() && QFileInfo(existing->folderPath).isDir())))
        return cleaned(existing->folderPath);
    if (isFolderOfAnotherProject(plain, id))
        return separate;
    // A folder left behind by a project no longer in the library says whose it is.
    if (const auto metadata = ProjectMetadata::readFile(QDir(plain).filePath(QLatin1String(projectMetadataFilename)))) {
        if (const auto owner = ProjectInfo::idFromString(metadata->id); owner && *owner != id)
            return separate;
    }
    return plain;
}

} // namespace projects
