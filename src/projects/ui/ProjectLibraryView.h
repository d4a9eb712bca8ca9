#pragma once

// The project library window: the projects of one storage kind at a time as a card grid (local,
// or cloud projects found in Google Drive, with the Drive card above them), one of them selected,
// and New, Import, Open, Rename, Duplicate, Delete, Cancel and Continue.
//
// The screen owns no project data: the list, the current project and every change belong to the
// store, the Drive state to cloud sync. It filters, keeps the selection, calls the store, tells the
// playback engine when a project was opened or the open one removed, and turns failures into
// alerts. Sheets (new project, rename, cloud delete) are window-modal dialogs over it; alerts and
// the import panel go through the dialog service. Waits of the cloud delete run on the scheduler.
//
// The definitions are split by concern: layout, filter and selection upkeep (ProjectLibraryView.cpp),
// open / rename / duplicate / import (_Actions), and the two delete flows (_Delete).
//
// Main thread only.

#include "cloud/CloudSync.h"
#include "platform/Scheduler.h"
#include "projects/ProjectInfo.h"
#include "projects/ProjectListFilter.h"
#include "projects/ProjectStorageType.h"
#include "projects/ui/PlaybackHooks.h"
#include "projects/ui/ProjectDateFormatter.h"
#include "ui/AppTheme.h"
#include "ui/ThemedLabel.h"

#include <QDialog>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <vector>

#include <optional>

namespace projects {
class ProjectLibraryStore;
class ProjectRecorder;
} // namespace projects
namespace settings {
class AppSettings;
}
namespace ui {
class DialogService;
class SegmentedPillControl;
class StyledButton;
class SymbolImage;
} // namespace ui

namespace projects_ui {

class CloudDeleteConfirmSheet;
class CloudSyncCard;
class NewProjectView;
class ProjectGrid;
class RenameProjectView;

class ProjectLibraryView final : public QWidget {
    Q_OBJECT
public:
    // Seconds the cloud delete waits for the Google sign-in before it gives up.
    static constexpr double signInTimeout = 120.0;
    // Pause after the Drive trash before the record goes (Drive's listing catches up).
    static constexpr double afterTrashWait = 0.5;

    struct Environment {
        projects::ProjectLibraryStore& projectLibrary;
        projects::ProjectRecorder* recordVM; // may be none
        PlaybackHooks playbackVM;
        cloud::CloudSync& driveSync;
        settings::AppSettings& settings;
        ui::DialogService& dialogs;
        platform::Scheduler& scheduler;
        QString documentsFolder; // for the new-project form; empty: the user's Documents folder
        QLocale locale = QLocale(); // of the card dates
    };

    explicit ProjectLibraryView(Environment environment, QWidget* parent = nullptr);
    ~ProjectLibraryView() override;

    // --- State ---
    const std::optional<QUuid>& selection() const { return selection_; }
    projects::ProjectStorageType storageFilter() const { return storageFilter_; }
    // The filter choice as the user makes it (reactions run when it changes).
    void setStorageFilter(projects::ProjectStorageType filter);
    QList<projects::ProjectInfo> filteredProjects() const;
    std::optional<projects::ProjectInfo> selectedProject() const;
    static ui::ThemeColor syncPhaseColor(cloud::CloudSyncPhase phase);

    // --- Actions ---
    void openSelectedProject(const projects::ProjectInfo& project);
    void startRename(const projects::ProjectInfo& project);
    void commitRename();
    void duplicateProject(const projects::ProjectInfo& project);
    void importProject();
    void commitDelete();
    // The button row's Delete: the cloud sheet for a cloud record, the confirmation alert otherwise.
    void deleteSelected();
    // The "Delete Project?" alert; the card menu asks it for every record, cloud ones included
    // (their Drive folder stays).
    void askDeleteConfirmation();
    // The cloud delete flow, run by the sheet's confirm button.
    void confirmCloudDelete();

    // --- Parts tests read ---
    CloudSyncCard* cloudSyncCard() const { return cloudCard_; }
    ProjectGrid* grid() const { return grid_; }
    QWidget* emptyState() const { return emptyCard_; }
    ui::ThemedLabel* emptyTitle() const { return emptyTitle_; }
    ui::SegmentedPillControl* storagePicker() const { return storagePicker_; }
    ui::StyledButton* button(const QString& title) const;
    // The open sheets, none while closed.
    NewProjectView* newProjectSheet() const;
    RenameProjectView* renameSheet() const;
    CloudDeleteConfirmSheet* cloudDeleteSheet() const;
    const QString& renameText() const { return renameText_; }
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    bool isDeletingFromDrive() const { return isDeletingFromDrive_; }
    const std::optional<QString>& cloudDeleteError() const { return cloudDeleteError_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    projects::CloudListState cloudListState() const;
    void appear();
    void refresh();
    void setSelection(const std::optional<QUuid>& selection);
    void onStoreChanged();
    void onCloudChanged();
    void onCurrentProjectChanged(const std::optional<QUuid>& id);

    void showError(const QString& message);
    static void dismiss(QDialog* sheet);
    void setShowNewProject(bool show);
    void setShowRename(bool show);
    void setShowCloudDeleteSheet(bool show);
    void setDeletingFromDrive(bool deleting);
    void setCloudDeleteError(const std::optional<QString>& error);
    // Selection and engine after a record was removed.
    void afterRemoval();
    // Steps of the cloud delete flow, each bound to the run that started it.
    void finishCloudDelete(unsigned run, const std::optional<QString>& error);
    void trashThenRemove(unsigned run, const projects::ProjectInfo& record);
    void removeCloudRecord(unsigned run, const projects::ProjectInfo& record);
    void cancelCloudDeleteTimers();

    Environment env_;
    ProjectDateFormatter dateFormatter_;

    std::optional<QUuid> selection_;
    projects::ProjectStorageType storageFilter_ = projects::ProjectStorageType::local;
    QString renameText_;
    std::optional<QString> errorMessage_;
    std::optional<QString> cloudDeleteError_;
    bool isDeletingFromDrive_ = false;
    bool appeared_ = false;
    bool lastSignedIn_;
    std::optional<QUuid> lastCurrentID_;
    unsigned cloudDeleteRun_ = 0;
    std::optional<platform::Scheduler::TimerId> signInTimer_;
    std::optional<platform::Scheduler::TimerId> trashWaitTimer_;

    ui::SegmentedPillControl* storagePicker_;
    ui::StyledButton* import_;
    CloudSyncCard* cloudCard_;
    ProjectGrid* grid_;
    QWidget* gridCard_;
    QWidget* emptyCard_;
    ui::SymbolImage* emptyIcon_;
    ui::ThemedLabel* emptyTitle_;
    ui::ThemedLabel* emptyText_;
    std::vector<ui::StyledButton*> buttons_;
    QPointer<NewProjectView> newProject_;
    QPointer<RenameProjectView> rename_;
    QPointer<CloudDeleteConfirmSheet> cloudDelete_;
};

} // namespace projects_ui
