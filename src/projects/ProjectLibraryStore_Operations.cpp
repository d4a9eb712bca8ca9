// The operations that change the library (create, open, duplicate, import, rename, delete), the
// pushing of a project into the settings and the recorder, and the follow-up that copies later
// changes of the project settings back into the current project.

#include "projects/ProjectLibraryStore.h"

#include "platform/DebugLog.h"
#include "settings/AppSettings.h"
#include "settings/ProjectColorSpace.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace projects {

namespace {

platform::Failure<ProjectLibraryFailure> failure(ProjectLibraryError error)
{
    return platform::fail(ProjectLibraryFailure { error, {} });
}

QString cleanedAbsolutePath(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QDir(path).absolutePath());
}

bool isDirectory(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QUrl directoryURL(const QString& path)
{
    return QUrl::fromLocalFile(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'));
}

// Counts the nesting of project applications for the follow-up to stand aside.
class ApplyingProject {
public:
    explicit ApplyingProject(int& depth)
        : depth_(depth)
    {
        ++depth_;
    }
    ~ApplyingProject() { --depth_; }
    ApplyingProject(const ApplyingProject&) = delete;
    ApplyingProject& operator=(const ApplyingProject&) = delete;

private:
    int& depth_;
};

} // namespace

auto ProjectLibraryStore::createProject(const QString& name, const QString& baseFolder, settings::CaptureFormat format,
    ProjectStorageType storage, settings::ProjectOutputColorMode outputColorMode, ProjectRecorder* recordVM)
    -> ProjectOutcome
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return failure(ProjectLibraryError::invalidName);
    const QString folder = cleanedAbsolutePath(QDir(baseFolder).filePath(sanitizedFolderName(trimmed)));
    if (pathExists(folder))
        return failure(ProjectLibraryError::folderExists);
    // Made exclusively: a folder that appears between the check and here is not taken over.
    if (const std::error_code error = createFolderExclusively(folder)) {
        if (error == std::errc::file_exists)
            return failure(ProjectLibraryError::folderExists);
        dlog("❌ [Projects] Could not create project folder", folder, QString::fromStdString(error.message()));
        return platform::fail(ProjectLibraryFailure {
            std::nullopt, folder + QStringLiteral(": ") + QString::fromStdString(error.message()) });
    }

    const ReferenceDate created = now();
    const QString mode = settings::toRaw(outputColorMode);
    const ProjectInfo project {
        .id = QUuid::createUuid(),
        .name = trimmed,
        .folderPath = folder,
        .folderBookmarkData = makeBookmark(folder),
        .formatRaw = settings::toRaw(format),
        .colorSpaceRaw = colorSpaceRaw(mode),
        .outputColorModeRaw = mode,
        .storageRaw = settings::toRaw(storage),
        .cloudFolderID = std::nullopt,
        .createdAt = created,
        .lastOpenedAt = created,
    };
    addAndOpen(project, recordVM, false);
    return project;
}

void ProjectLibraryStore::openProject(const ProjectInfo& given, ProjectRecorder* recordVM)
{
    const ProjectInfo project = given; // the caller's record may be one of ours, which changes below
    setCurrentProjectID(project.id);
    applyToSettings(project, recordVM);
    updateLastOpened(project.id);
    moveProjectToTop(project.id);
    persist();
    setLibraryPresented(false);
}

auto ProjectLibraryStore::duplicateProject(const QUuid& id, ProjectRecorder* recordVM) -> ProjectOutcome
{
    const qsizetype index = indexOf(id);
    if (index < 0)
        return failure(ProjectLibraryError::projectNotFound);
    const ProjectInfo source = projects_.at(index);
    // A relative or empty path has no parent folder worth the name.
    if (!QDir::isAbsolutePath(source.folderPath))
        return failure(ProjectLibraryError::folderCreateFailed);
    const QString parent = QFileInfo(QDir::cleanPath(source.folderPath)).path();

    // The folder is made exclusively; a name taken meanwhile moves on to the next one.
    std::optional<UniqueFolder> folder;
    for (int attempt = 0; attempt < 200 && !folder; ++attempt) {
        UniqueFolder candidate = uniqueProjectFolder(parent, source.name + QStringLiteral(" Copy"));
        const std::error_code error = createFolderExclusively(candidate.path);
        if (!error) {
            folder = std::move(candidate);
        } else if (error != std::errc::file_exists) {
            dlog("❌ [Projects] Could not create duplicate folder", candidate.path,
                QString::fromStdString(error.message()));
            return failure(ProjectLibraryError::folderCreateFailed);
        }
    }
    if (!folder)
        return failure(ProjectLibraryError::folderCreateFailed);

    const ReferenceDate created = now();
    // No cloud folder: a copy holding its source's Drive folder would displace the source.
    const ProjectInfo project {
        .id = QUuid::createUuid(),
        .name = folder->name,
        .folderPath = folder->path,
        .folderBookmarkData = makeBookmark(folder->path),
        .formatRaw = source.formatRaw,
        .colorSpaceRaw = colorSpaceRaw(source.outputColorModeRaw),
        .outputColorModeRaw = source.outputColorModeRaw,
        .storageRaw = source.storageRaw,
        .cloudFolderID = std::nullopt,
        .createdAt = created,
        .lastOpenedAt = created,
    };
    addAndOpen(project, recordVM, false);
    return project;
}

auto ProjectLibraryStore::importProject(const QString& chosenFolder, ProjectRecorder* recordVM,
    const std::optional<QString>& metadataFile) -> ProjectOutcome
{
    const QString folder = cleanedAbsolutePath(chosenFolder);
    // A file is no project folder either: nothing could be written into it.
    if (!isDirectory(folder))
        return failure(ProjectLibraryError::folderCreateFailed);

    // Drops the records at `matches`, unless one of their folders is there: then it is imported.
    auto dropStale = [this](auto matches) -> bool {
        QList<ProjectInfo> kept;
        for (const auto& project : projects_) {
            if (!matches(project)) {
                kept.append(project);
                continue;
            }
            if (isDirectory(project.folderPath))
                return false;
        }
        if (kept.size() != projects_.size()) {
            setProjects(std::move(kept));
            persist();
        }
        return true;
    };
    if (!dropStale([&folder](const ProjectInfo& project) { return cleanedAbsolutePath(project.folderPath) == folder; }))
        return failure(ProjectLibraryError::projectAlreadyImported);

    QString name = QFileInfo(folder).fileName();
    QString formatRaw = settings::toRaw(settings_.projectFormat());
    QString mode = settings::toRaw(settings_.projectOutputColorMode());
    QUuid id = QUuid::createUuid();
    ReferenceDate createdAt = now();
    std::optional<ReferenceDate> lastOpenedAt;
    const QString metadataPath = metadataFile.value_or(QDir(folder).filePath(QLatin1String(projectMetadataFilename)));
    if (const auto metadata = ProjectMetadata::readFile(metadataPath)) {
        name = metadata->name;
        formatRaw = metadata->formatRaw;
        mode = metadata->outputColorModeRaw.value_or(outputColorModeRaw(metadata->colorSpaceRaw));
        id = ProjectInfo::idFromString(metadata->id).value_or(id);
        createdAt = metadata->createdAt;
        lastOpenedAt = metadata->lastOpenedAt;
    } else {
        dlog("⚠️ [Projects] No readable metadata file", metadataPath, "; importing with defaults");
    }

    if (!dropStale([&id](const ProjectInfo& project) { return project.id == id; }))
        return failure(ProjectLibraryError::projectAlreadyImported);

    const ProjectInfo project {
        .id = id,
        .name = name,
        .folderPath = folder,
        .folderBookmarkData = makeBookmark(folder),
        .formatRaw = formatRaw,
        .colorSpaceRaw = colorSpaceRaw(mode),
        .outputColorModeRaw = mode,
        .storageRaw = settings::toRaw(ProjectStorageType::local),
        .cloudFolderID = std::nullopt,
        .createdAt = createdAt,
        .lastOpenedAt = lastOpenedAt.value_or(now()),
    };
    addAndOpen(project, recordVM, true);
    return project;
}

void ProjectLibraryStore::addAndOpen(const ProjectInfo& project, ProjectRecorder* recordVM, bool normalize)
{
    QList<ProjectInfo> projects = projects_;
    projects.prepend(project);
    setProjects(std::move(projects));
    if (normalize)
        normalizeProjects();
    setCurrentProjectID(project.id);
    applyToSettings(project, recordVM);
    writeProjectMetadataFile(project);
    persist();
    setLibraryPresented(false);
}

auto ProjectLibraryStore::renameProject(const QUuid& id, const QString& newName) -> Outcome
{
    const QString trimmed = newName.trimmed();
    if (trimmed.isEmpty())
        return failure(ProjectLibraryError::invalidName);
    const qsizetype index = indexOf(id);
    if (index < 0)
        return failure(ProjectLibraryError::projectNotFound);
    ProjectInfo project = projects_.at(index);
    project.name = trimmed;
    replaceProject(index, project);
    return {};
}

auto ProjectLibraryStore::deleteProject(const QUuid& id) -> Outcome
{
    const qsizetype index = indexOf(id);
    if (index < 0)
        return failure(ProjectLibraryError::projectNotFound);
    QList<ProjectInfo> projects = projects_;
    projects.removeAt(index);
    setProjects(std::move(projects));
    if (currentProjectID_ == id)
        setCurrentProjectID(std::nullopt);
    persist();
    return {};
}

void ProjectLibraryStore::applyToSettings(const ProjectInfo& given, ProjectRecorder* recordVM)
{
    const ProjectInfo project = given;
    const ApplyingProject applying(applyingProject_);
    const QString mode = project.outputColorModeRaw;
    settings_.setProjectFormat(
        settings::fromRaw<settings::CaptureFormat>(project.formatRaw).value_or(settings::CaptureFormat::hd1080p25));
    settings_.setProjectOutputColorMode(
        settings::fromRaw<settings::ProjectOutputColorMode>(mode).value_or(settings::ProjectOutputColorMode::rec709));
    settings_.setProjectColorSpace(settings::fromRaw<settings::ProjectColorSpace>(colorSpaceRaw(mode))
                                       .value_or(settings::ProjectColorSpace::rec709));
    settings_.setRecordingFolderPath(project.folderPath);
    settings_.setRecordingFolderBookmarkData(project.folderBookmarkData);
    const QUrl folder = settings_.resolveRecordingFolderURL().value_or(directoryURL(project.folderPath));
    if (recordVM)
        recordVM->setOutputFolderURL(folder);
}

void ProjectLibraryStore::updateLastOpened(const QUuid& id)
{
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    QList<ProjectInfo> projects = projects_;
    projects[index].lastOpenedAt = now();
    const ProjectInfo project = projects.at(index);
    setProjects(std::move(projects));
    writeProjectMetadataFile(project);
}

void ProjectLibraryStore::moveProjectToTop(const QUuid& id)
{
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    QList<ProjectInfo> projects = projects_;
    projects.move(index, 0);
    setProjects(std::move(projects));
}

void ProjectLibraryStore::replaceProject(qsizetype index, const ProjectInfo& project)
{
    QList<ProjectInfo> projects = projects_;
    projects[index] = project;
    setProjects(std::move(projects));
    writeProjectMetadataFile(project);
    persist();
}

void ProjectLibraryStore::observeAppSettings()
{
    // Echoes of a project being applied are not followed: the record already holds those values,
    // and half-applied settings would mix two projects.
    auto follow = [this] {
        if (applyingProject_ == 0)
            updateCurrentProjectFromSettings();
    };
    connect(&settings_, &settings::AppSettings::projectFormatChanged, this, follow);
    connect(&settings_, &settings::AppSettings::projectOutputColorModeChanged, this, follow);
    connect(&settings_, &settings::AppSettings::recordingFolderPathChanged, this, follow);
    connect(&settings_, &settings::AppSettings::recordingFolderBookmarkDataChanged, this, follow);
}

void ProjectLibraryStore::updateCurrentProjectFromSettings()
{
    if (!currentProjectID_)
        return;
    const qsizetype index = indexOf(*currentProjectID_);
    if (index < 0)
        return;
    ProjectInfo project = projects_.at(index);
    project.formatRaw = settings::toRaw(settings_.projectFormat());
    project.outputColorModeRaw = settings::toRaw(settings_.projectOutputColorMode());
    project.colorSpaceRaw = colorSpaceRaw(project.outputColorModeRaw);

    const QString path = settings_.recordingFolderPath().value_or(QString()).trimmed();
    // Another project's folder is never taken over: its metadata file would be overwritten with
    // this project's record.
    const bool refused = !path.isEmpty() && isFolderOfAnotherProject(path, project.id);
    if (refused)
        dlog("⚠️ [Projects] Recording folder", path, "belongs to another project; not taken into", project.name);
    if (!path.isEmpty() && !refused)
        project.folderPath = path;
    if (const auto bookmark = settings_.recordingFolderBookmarkData(); bookmark && !refused)
        project.folderBookmarkData = bookmark;
    replaceProject(index, project);
}

bool ProjectLibraryStore::isFolderOfAnotherProject(const QString& path, const QUuid& id) const
{
    const QString cleaned = cleanedAbsolutePath(path);
    return std::any_of(projects_.cbegin(), projects_.cend(), [&](const ProjectInfo& project) {
        return project.id != id && cleanedAbsolutePath(project.folderPath) == cleaned;
    });
}

} // namespace projects
