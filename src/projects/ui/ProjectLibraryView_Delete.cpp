// The two delete flows. A local project (and any project deleted from a card's menu) is removed
// from the library after a confirmation alert; its folder stays. A cloud project, from the button
// row, goes to the Drive trash after the operator confirmed in a sheet and signed in with Google
// again, then leaves the library.
//
// The cloud flow goes on only when this re-authentication reports success and the manager is
// signed in: an account that was signed in before proves nothing. Each run carries a number, so a
// late answer of an abandoned run (timed out, or superseded by a new confirmation) is dropped.

#include "projects/ProjectLibraryStore.h"
#include "projects/ui/CloudDeleteConfirmSheet.h"
#include "projects/ui/LibraryFailureText.h"
#include "projects/ui/NewProjectView.h"
#include "projects/ui/ProjectLibraryView.h"
#include "projects/ui/RenameProjectView.h"
#include "ui/DialogService.h"

namespace projects_ui {

void ProjectLibraryView::deleteSelected()
{
    const auto project = selectedProject();
    if (!project)
        return;
    if (project->storage() == projects::ProjectStorageType::cloud)
        setShowCloudDeleteSheet(true);
    else
        askDeleteConfirmation();
}

void ProjectLibraryView::askDeleteConfirmation()
{
    ui::AlertRequest alert { QStringLiteral("Delete Project?"),
        QStringLiteral("This removes the project from the library only. Files on disk will not be deleted."),
        {
            ui::AlertButton { QStringLiteral("Cancel"), ui::AlertButton::Role::cancel },
            ui::AlertButton { QStringLiteral("Delete"), ui::AlertButton::Role::destructive },
        } };
    env_.dialogs.showAlert(this, alert, [self = QPointer<ProjectLibraryView>(this)](int button) {
        if (self && button == 1)
            self->commitDelete();
    });
}

void ProjectLibraryView::commitDelete()
{
    const auto project = selectedProject();
    if (!project)
        return;
    if (!env_.projectLibrary.deleteProject(project->id)) {
        showError(QStringLiteral("Delete failed."));
        return;
    }
    afterRemoval();
}

void ProjectLibraryView::afterRemoval()
{
    const auto current = env_.projectLibrary.currentProjectID();
    if (!current)
        env_.playbackVM.enter();
    const auto& all = env_.projectLibrary.projects();
    setSelection(current ? current : all.isEmpty() ? std::nullopt : std::optional<QUuid>(all.front().id));
}

void ProjectLibraryView::setShowCloudDeleteSheet(bool show)
{
    if (!show) {
        dismiss(cloudDelete_);
        cloudDelete_ = nullptr;
        return;
    }
    if (cloudDelete_)
        return;
    const auto project = selectedProject();
    cloudDelete_ = new CloudDeleteConfirmSheet(
        project ? project->name : QString(), [this] { confirmCloudDelete(); },
        [this] { setShowCloudDeleteSheet(false); }, this);
    cloudDelete_->setDeletingFromDrive(isDeletingFromDrive_);
    cloudDelete_->setError(cloudDeleteError_);
    cloudDelete_->open();
}

void ProjectLibraryView::setDeletingFromDrive(bool deleting)
{
    isDeletingFromDrive_ = deleting;
    if (cloudDelete_)
        cloudDelete_->setDeletingFromDrive(deleting);
}

void ProjectLibraryView::setCloudDeleteError(const std::optional<QString>& error)
{
    cloudDeleteError_ = error;
    if (cloudDelete_)
        cloudDelete_->setError(error);
}

void ProjectLibraryView::confirmCloudDelete()
{
    const auto project = selectedProject();
    if (!project)
        return;
    const projects::ProjectInfo record = *project;
    cancelCloudDeleteTimers();
    const unsigned run = ++cloudDeleteRun_;
    setDeletingFromDrive(true);
    setCloudDeleteError(std::nullopt);

    QPointer<ProjectLibraryView> self(this);
    signInTimer_ = env_.scheduler.once(signInTimeout, [self, run] {
        if (!self || run != self->cloudDeleteRun_)
            return;
        self->signInTimer_.reset();
        self->finishCloudDelete(run, QStringLiteral("Google authentication failed. Please try again."));
    });
    env_.driveSync.reAuthenticate([self, run, record](bool succeeded) {
        if (!self || run != self->cloudDeleteRun_ || !self->isDeletingFromDrive_)
            return;
        if (self->signInTimer_) {
            self->env_.scheduler.cancel(*self->signInTimer_);
            self->signInTimer_.reset();
        }
        if (!succeeded || !self->env_.driveSync.isSignedIn()) {
            self->finishCloudDelete(run, QStringLiteral("Google authentication failed. Please try again."));
            return;
        }
        self->trashThenRemove(run, record);
    });
}

void ProjectLibraryView::trashThenRemove(unsigned run, const projects::ProjectInfo& record)
{
    if (!record.cloudFolderID) {
        // Drive never had a folder for it: only the library record goes.
        removeCloudRecord(run, record);
        return;
    }
    QPointer<ProjectLibraryView> self(this);
    env_.driveSync.trashDriveFolder(
        *record.cloudFolderID, [self, run, record](const cloud::CloudSync::TrashResult& result) {
            if (!self || run != self->cloudDeleteRun_)
                return;
            if (!result) {
                self->finishCloudDelete(
                    run, QStringLiteral("Failed to delete from Google Drive: ") + result.error().description());
                return;
            }
            self->trashWaitTimer_ = self->env_.scheduler.once(afterTrashWait, [self, run, record] {
                if (!self || run != self->cloudDeleteRun_)
                    return;
                self->trashWaitTimer_.reset();
                self->removeCloudRecord(run, record);
            });
        });
}

void ProjectLibraryView::removeCloudRecord(unsigned run, const projects::ProjectInfo& record)
{
    const auto outcome = env_.projectLibrary.deleteProject(record.id);
    if (!outcome) {
        finishCloudDelete(run, QStringLiteral("Local delete failed: ") + describe(outcome.error()));
        return;
    }
    afterRemoval();
    finishCloudDelete(run, std::nullopt);
    setShowCloudDeleteSheet(false);
}

void ProjectLibraryView::finishCloudDelete(unsigned run, const std::optional<QString>& error)
{
    if (run != cloudDeleteRun_)
        return;
    // Later answers of this run are dropped from here on.
    ++cloudDeleteRun_;
    cancelCloudDeleteTimers();
    if (error)
        setCloudDeleteError(error);
    setDeletingFromDrive(false);
}

void ProjectLibraryView::cancelCloudDeleteTimers()
{
    for (auto* timer : { &signInTimer_, &trashWaitTimer_ }) {
        if (*timer) {
            env_.scheduler.cancel(**timer);
            timer->reset();
        }
    }
}

} // namespace projects_ui
