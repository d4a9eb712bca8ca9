#pragma once

// The project library: every project the operator created, imported or received from cloud sync,
// and which one is open. The list and the current identifier live in the user defaults under
// "projectLibrary.projects" (a JSON array of records, as data) and
// "projectLibrary.currentProjectID" (upper-case canonical UUID text).
//
// Opening, creating, duplicating or importing a project makes it current and pushes its format,
// colour mode, colour space and folder into the settings and the recorder; later changes of those
// settings are copied back into the current project's record and its metadata file. Every
// operation persists what it changed at once; nothing is saved at quit.
//
// Files: the library writes each project's ".corvale_project.json" (atomically) and makes project
// folders; it never removes, moves or changes anything else in them.
//
// Threads: main thread only, like the settings object it follows. Every assignment of a published
// member emits its signal, also when nothing changed.
//
// The definitions are split by concern: persistence and start-up (ProjectLibraryStore.cpp), the
// operations and the settings follow-up (_Operations), cloud records (_Cloud), folder naming and
// the metadata file (_Folders).

#include "platform/Result.h"
#include "projects/ProjectInfo.h"
#include "projects/ProjectLibraryError.h"
#include "projects/ProjectMetadata.h"
#include "projects/ProjectRecorder.h"
#include "projects/ProjectStorageType.h"
#include "projects/ReferenceDate.h"
#include "settings/CaptureFormat.h"
#include "settings/ProjectOutputColorMode.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>
#include <system_error>

namespace platform {
class UserDefaults;
}
namespace settings {
class AppSettings;
}

namespace projects {

class ProjectLibraryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<projects::ProjectInfo> projects READ projects NOTIFY projectsChanged)
    Q_PROPERTY(std::optional<QUuid> currentProjectID READ currentProjectID NOTIFY currentProjectIDChanged)
    Q_PROPERTY(
        bool isLibraryPresented READ isLibraryPresented WRITE setLibraryPresented NOTIFY isLibraryPresentedChanged)

public:
    static constexpr const char* projectsKey = "projectLibrary.projects";
    static constexpr const char* currentKey = "projectLibrary.currentProjectID";
    // Where a stored list that cannot be read is kept, so that a later save never destroys it.
    static constexpr const char* unreadableProjectsKey = "projectLibrary.projects.unreadable";
    static constexpr const char* projectMetadataFilename = ".corvale_project.json";

    // What the store asks of the platform; tests fix the clock and the folders.
    struct Services {
        // A bookmark for a folder; none when the platform makes none (this one makes none).
        std::function<std::optional<QByteArray>(const QString& folderPath)> makeBookmark;
        std::function<ReferenceDate()> now;
        // Local root of the cloud projects' working folders; empty: the user's data folder, then
        // "Corvale", then "Cloud Projects".
        QString cloudProjectsRoot;
    };

    using ProjectOutcome = platform::Result<ProjectInfo, ProjectLibraryFailure>;
    using Outcome = platform::Result<void, ProjectLibraryFailure>;

    // Loads and normalises the stored library and starts following the settings. `settings` and
    // `defaults` must outlive the store.
    ProjectLibraryStore(settings::AppSettings& settings, platform::UserDefaults& defaults, Services services,
        QObject* parent = nullptr);
    ProjectLibraryStore(settings::AppSettings& settings, platform::UserDefaults& defaults, QObject* parent = nullptr);
    ~ProjectLibraryStore() override;

    // The process's store on the shared settings and the standard user defaults, made on first use.
    static ProjectLibraryStore& shared();

    const QList<ProjectInfo>& projects() const { return projects_; }
    std::optional<QUuid> currentProjectID() const { return currentProjectID_; }
    bool isLibraryPresented() const { return isLibraryPresented_; }
    void setLibraryPresented(bool presented);
    // The record of the current project, if any.
    std::optional<ProjectInfo> currentProject() const;

    // --- Persistence ---
    // Reads the list and the current identifier. A list that does not decode loads as empty and is
    // first copied to `unreadableProjectsKey`.
    void load();
    // Sorts most recent first (stably), drops later records with an identifier already seen and
    // later cloud records with a cloud folder already seen, and repairs a current identifier that
    // names no record. Returns whether the list changed (a repaired identifier alone does not count).
    bool normalizeProjects();
    void persist();
    // Whether `a` was opened (or, never opened, created) strictly later than `b`.
    static bool sortByRecent(const ProjectInfo& a, const ProjectInfo& b);
    void presentOnLaunch();

    // --- Operations (each makes the project it returns current and closes the library) ---
    // Makes baseFolder/sanitised name (the folder must not exist yet) and a new record on top.
    // Fails with invalidName, folderExists, or the file system's error.
    ProjectOutcome createProject(const QString& name, const QString& baseFolder, settings::CaptureFormat format,
        ProjectStorageType storage, settings::ProjectOutputColorMode outputColorMode, ProjectRecorder* recordVM);
    // Makes the record current, applies it, stamps it as opened and moves it on top.
    void openProject(const ProjectInfo& project, ProjectRecorder* recordVM);
    // A new, empty sibling folder "<name> Copy" (then " 2", " 3", ...) with a copy of the record.
    // Fails with projectNotFound or folderCreateFailed.
    ProjectOutcome duplicateProject(const QUuid& id, ProjectRecorder* recordVM);
    // Adds an existing project folder, reading its metadata file; `metadataFile` names another file
    // to read instead (a renamed copy of it). Fails with folderCreateFailed (no such folder) or
    // projectAlreadyImported.
    ProjectOutcome importProject(
        const QString& folder, ProjectRecorder* recordVM, const std::optional<QString>& metadataFile = std::nullopt);

    // --- Operations on records (the current project stays as it is) ---
    // Stores the trimmed name; the folder keeps its name. Fails with invalidName or projectNotFound.
    Outcome renameProject(const QUuid& id, const QString& newName);
    // Removes the record only: the folder and its files stay. Fails with projectNotFound.
    Outcome deleteProject(const QUuid& id);

    // --- Steps of the operations ---
    // Pushes format, mode, colour space, folder path and bookmark into the settings, in that order,
    // then points the recorder at the folder.
    void applyToSettings(const ProjectInfo& project, ProjectRecorder* recordVM);
    void updateLastOpened(const QUuid& id);
    void moveProjectToTop(const QUuid& id);
    // Writes the record's metadata file into its folder; does nothing when the folder is gone.
    // Failures are logged and otherwise ignored.
    void writeProjectMetadataFile(const ProjectInfo& project);
    // Copies the project settings into the current record (the settings follow-up).
    void updateCurrentProjectFromSettings();

    // --- Cloud records (cloud sync) ---
    // Inserts or updates the record of a Drive folder from its metadata and returns it as stored:
    // matched by the metadata's identifier, else by the cloud record holding `folderID`, else new.
    // Its local working folder is made under the cloud projects' root.
    ProjectInfo upsertCloudProject(const ProjectMetadata& metadata, const QString& folderID, const QString& folderName);
    // Records the Drive folder made for an existing project.
    void updateCloudFolderID(const QUuid& projectID, const QString& folderID);

    // --- Naming ---
    // The colour space a mode implies: "rec709"; "rec2020" for the three Rec.2020 modes; "p3d65"
    // for "p3D65PQ"; "rec709" for anything else.
    static QString colorSpaceRaw(const QString& outputColorModeRaw);
    // The mode assumed for a colour space when none is stored: "rec709", "rec2020", "p3D65PQ";
    // "rec709" for anything else.
    static QString outputColorModeRaw(const QString& colorSpaceRaw);
    // A name usable as one path component: cut at / : \ ? % * | " < >, empty pieces dropped, the
    // rest joined with "-"; NUL dropped; "Project" when nothing (or only "." or "..") is left;
    // at most 255 UTF-8 bytes, cut at a character boundary. White space is kept.
    static QString sanitizedFolderName(const QString& name);
    struct UniqueFolder {
        QString name; // the record name that goes with the folder
        QString path;
    };
    // The first of "<base>", "<base> 2" ... "<base> 100" whose folder under baseFolder does not
    // exist; after that "<base> " and four random hexadecimal digits, unchecked.
    static UniqueFolder uniqueProjectFolder(const QString& baseFolder, const QString& baseName);
    // The local root of cloud projects, made when missing (a failure is ignored).
    QString defaultCloudProjectsRoot() const;

signals:
    void projectsChanged(const QList<projects::ProjectInfo>& projects);
    void currentProjectIDChanged(const std::optional<QUuid>& id);
    void isLibraryPresentedChanged(bool presented);

private:
    void setProjects(QList<ProjectInfo> projects);
    void setCurrentProjectID(const std::optional<QUuid>& id);
    qsizetype indexOf(const QUuid& id) const;
    // Stores `project` at `index`, rewrites its metadata file and persists.
    void replaceProject(qsizetype index, const ProjectInfo& project);
    // Inserts a record on top, makes it current and applies it, then writes, persists and closes
    // the library (create, duplicate and import end alike).
    void addAndOpen(const ProjectInfo& project, ProjectRecorder* recordVM, bool normalize);
    std::optional<QByteArray> makeBookmark(const QString& folderPath) const;
    ReferenceDate now() const;
    void observeAppSettings();
    // The local folder of a cloud project: one of its own, even when another record's name gives
    // the same folder name.
    QString cloudProjectFolder(const QUuid& id, const QString& name, const std::optional<ProjectInfo>& existing) const;
    // Whether a record other than `id` holds the folder at `path`.
    bool isFolderOfAnotherProject(const QString& path, const QUuid& id) const;

    // The folder name of `name` followed by `suffix`; when the whole is too long for one path
    // component, the name is cut so that the suffix stays.
    static QString suffixedFolderName(const QString& name, const QString& suffix);
    // Something (a link included) is at the path.
    static bool pathExists(const QString& path);
    // Makes the missing parents, then the folder itself, failing when the folder already exists.
    static std::error_code createFolderExclusively(const QString& path);

    settings::AppSettings& settings_;
    platform::UserDefaults& defaults_;
    Services services_;

    QList<ProjectInfo> projects_;
    std::optional<QUuid> currentProjectID_;
    bool isLibraryPresented_ = false;
    // Non-zero while a project's values are being pushed into the settings: their echoes must not
    // be copied back into any record half-way.
    int applyingProject_ = 0;
};

} // namespace projects
