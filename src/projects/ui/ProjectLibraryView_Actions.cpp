// Open, rename, duplicate and import: each calls the store, moves the playback engine out of
// project-selection mode once a project is open, and turns a refusal into the screen's alert.

#include "projects/ProjectLibraryStore.h"
#include "projects/ProjectMetadata.h"
#include "projects/ui/CloudDeleteConfirmSheet.h"
#include "projects/ui/NewProjectView.h"
#include "projects/ui/ProjectLibraryView.h"
#include "projects/ui/RenameProjectView.h"
#include "ui/DialogService.h"

#include <QFileInfo>

namespace projects_ui {

void ProjectLibraryView::openSelectedProject(const projects::ProjectInfo& project)
{
    const bool isCloud = project.storage() == projects::ProjectStorageType::cloud;
    // Before Drive's list has loaded there is nothing to check against.
    if (isCloud && env_.driveSync.cloudListLoaded() && !env_.driveSync.cloudProjectIDs().contains(project.id)) {
        showError(QStringLiteral("This cloud project is no longer available."));
        return;
    }
    env_.projectLibrary.openProject(project, env_.recordVM);
    env_.playbackVM.exit();
}

void ProjectLibraryView::startRename(const projects::ProjectInfo& project)
{
    renameText_ = project.name;
    setSelection(project.id);
    setShowRename(true);
}

void ProjectLibraryView::commitRename()
{
    const auto project = selectedProject();
    if (!project)
        return;
    if (!env_.projectLibrary.renameProject(project->id, renameText_)) {
        showError(QStringLiteral("Rename failed."));
        return;
    }
    setShowRename(false);
}

void ProjectLibraryView::duplicateProject(const projects::ProjectInfo& project)
{
    if (!env_.projectLibrary.duplicateProject(project.id, env_.recordVM)) {
        showError(QStringLiteral("Duplicate failed."));
        return;
    }
    env_.playbackVM.exit();
}

void ProjectLibraryView::importProject()
{
    ui::OpenPanelRequest request;
    request.title = QStringLiteral("Import Project Folder");
    request.message = QStringLiteral("Select a project folder or .corvale_project.json");
    request.prompt = QStringLiteral("Import");
    request.chooseDirectories = true;
    request.alsoChooseFiles = true;
    request.nameFilters = QStringList { QStringLiteral("Project files (*.json *.JSON)") };
    env_.dialogs.showOpenPanel(this, request, [self = QPointer<ProjectLibraryView>(this)](const QStringList& paths) {
        if (!self || paths.isEmpty())
            return;
        const QString chosen = paths.front();
        const QFileInfo info(chosen);
        QString folder;
        std::optional<QString> metadataFile;
        if (info.isDir()) {
            folder = info.absoluteFilePath();
        } else {
            const bool isMetadataName
                = info.fileName().toLower() == QLatin1String(projects::ProjectLibraryStore::projectMetadataFilename);
            const bool decodes = projects::ProjectMetadata::readFile(chosen).ok();
            if (!isMetadataName && !decodes) {
                self->showError(QStringLiteral("Not a valid project file."));
                return;
            }
            folder = info.absolutePath();
            // A file that decodes is what the import reads, whatever it is called (a renamed
            // backup, or the metadata file in other letter case on a case-sensitive disk).
            if (decodes)
                metadataFile = info.absoluteFilePath();
        }
        const auto outcome = self->env_.projectLibrary.importProject(folder, self->env_.recordVM, metadataFile);
        if (!outcome) {
            self->showError(outcome.error().is(projects::ProjectLibraryError::projectAlreadyImported)
                    ? QStringLiteral("This project is already imported.")
                    : QStringLiteral("Import failed."));
            return;
        }
        self->setSelection(self->env_.projectLibrary.currentProjectID());
        self->env_.playbackVM.exit();
    });
}

} // namespace projects_ui
