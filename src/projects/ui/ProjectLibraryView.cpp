#include "projects/ui/ProjectLibraryView.h"

#include "projects/ProjectLibraryStore.h"
#include "projects/ui/CloudDeleteConfirmSheet.h"
#include "projects/ui/CloudSyncCard.h"
#include "projects/ui/CloudSyncChanges.h"
#include "projects/ui/NewProjectView.h"
#include "projects/ui/ProjectGrid.h"
#include "projects/ui/RenameProjectView.h"
#include "projects/ui/ScreenLayout.h"
#include "projects/ui/TextStyle.h"
#include "ui/AppCard.h"
#include "ui/AppPane.h"
#include "ui/AppWindowChrome.h"
#include "ui/DialogService.h"
#include "ui/PillButtonStyle.h"
#include "ui/SegmentedPillControl.h"
#include "ui/StyledButton.h"
#include "ui/SymbolImage.h"
#include "ui/ThemedLabel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace projects_ui {

namespace {

using projects::ProjectStorageType;

ui::StyledButton* pill(const QString& icon, const QString& title, ui::ThemeColor tint, bool prominent)
{
    auto* button
        = new ui::StyledButton(ui::ButtonLabel::symbolAndText(icon, title), ui::PillButtonStyle(tint, prominent, true));
    button->setObjectName(title);
    return button;
}

const ui::ThemeColor red { ui::ColorRole::systemRed };

} // namespace

ProjectLibraryView::ProjectLibraryView(Environment environment, QWidget* parent)
    : QWidget(parent)
    , env_(std::move(environment))
    , dateFormatter_(env_.locale)
    , lastSignedIn_(env_.driveSync.isSignedIn())
    , lastCurrentID_(env_.projectLibrary.currentProjectID())
{
    setObjectName(QStringLiteral("projectLibraryView"));

    // Header: title, storage switch, Import, New Project.
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    titleRow->addWidget(new ui::SymbolImage(
        QStringLiteral("folder.badge.gearshape"), ui::AppTheme::systemFont(18, QFont::DemiBold), ui::AppTheme::accent));
    titleRow->addWidget(
        new ui::ThemedLabel(QStringLiteral("Project Library"), TextStyle::title2(), ui::AppTheme::textPrimary));
    titleRow->addStretch(1);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addLayout(titleRow);
    titles->addWidget(new ui::ThemedLabel(
        QStringLiteral("Choose where to store and sync projects."), TextStyle::caption(), ui::AppTheme::textSecondary));
    storagePicker_ = new ui::SegmentedPillControl(
        {
            { static_cast<int>(ProjectStorageType::local), QStringLiteral("Local"), QStringLiteral("internaldrive") },
            { static_cast<int>(ProjectStorageType::cloud), QStringLiteral("Cloud"), QStringLiteral("cloud") },
        },
        static_cast<int>(storageFilter_));
    storagePicker_->setObjectName(QStringLiteral("storagePicker"));
    storagePicker_->setFixedWidth(210);
    import_
        = pill(QStringLiteral("square.and.arrow.down"), QStringLiteral("Import"), ui::AppTheme::textSecondary, false);
    auto* newProject = pill(QStringLiteral("plus"), QStringLiteral("New Project"), ui::AppTheme::accent, true);
    auto* header = new QHBoxLayout;
    header->addLayout(titles);
    header->addStretch(1);
    header->addWidget(storagePicker_, 0, Qt::AlignVCenter);
    header->addWidget(import_, 0, Qt::AlignVCenter);
    header->addWidget(newProject, 0, Qt::AlignVCenter);

    cloudCard_ = new CloudSyncCard(env_.driveSync, env_.settings);

    // List area: the grid, or the empty state.
    grid_ = new ProjectGrid(dateFormatter_,
        ProjectGrid::Actions {
            [this](const projects::ProjectInfo& p) { openSelectedProject(p); },
            [this](const projects::ProjectInfo& p) { startRename(p); },
            [this](const projects::ProjectInfo& p) { duplicateProject(p); },
            [this](const projects::ProjectInfo& p) {
                setSelection(p.id);
                askDeleteConfirmation();
            },
        });
    gridCard_ = ui::appCard(grid_, false);
    gridCard_->setMinimumHeight(260);
    auto* empty = new QWidget;
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setContentsMargins(0, 28, 0, 28);
    emptyLayout->setSpacing(12);
    emptyIcon_ = new ui::SymbolImage(
        QString(), ui::AppTheme::systemFont(32, QFont::Light), ui::AppTheme::textSecondary.opacity(0.6));
    emptyTitle_ = new ui::ThemedLabel(QString(), TextStyle::headline(), ui::AppTheme::textPrimary);
    emptyTitle_->setObjectName(QStringLiteral("emptyTitle"));
    emptyText_ = new ui::ThemedLabel(QString(), TextStyle::caption(), ui::AppTheme::textSecondary);
    emptyText_->setObjectName(QStringLiteral("emptyText"));
    emptyText_->setAlignment(Qt::AlignHCenter);
    emptyText_->setWordWrap(true);
    emptyLayout->addWidget(emptyIcon_, 0, Qt::AlignHCenter);
    emptyLayout->addWidget(emptyTitle_, 0, Qt::AlignHCenter);
    emptyLayout->addWidget(emptyText_);
    emptyCard_ = ui::appCard(empty, false);
    emptyCard_->setObjectName(QStringLiteral("emptyState"));

    // Button row.
    auto* row = new QHBoxLayout;
    auto add = [&](ui::StyledButton* button) {
        buttons_.push_back(button);
        row->addWidget(button);
        return button;
    };
    auto* cancel = add(pill(QStringLiteral("xmark"), QStringLiteral("Cancel"), ui::AppTheme::textSecondary, false));
    auto* proceed = add(pill(QStringLiteral("checkmark"), QStringLiteral("Continue"), ui::AppTheme::accent, false));
    row->addStretch(1);
    auto* rename = add(pill(QStringLiteral("pencil"), QStringLiteral("Rename"), ui::AppTheme::textSecondary, false));
    auto* duplicate
        = add(pill(QStringLiteral("doc.on.doc"), QStringLiteral("Duplicate"), ui::AppTheme::textSecondary, false));
    auto* remove = add(pill(QStringLiteral("trash"), QStringLiteral("Delete"), red, false));
    auto* open
        = add(pill(QStringLiteral("arrow.right.circle.fill"), QStringLiteral("Open"), ui::AppTheme::accent, true));
    buttons_.push_back(import_);
    buttons_.push_back(newProject);

    auto* stack = new QWidget;
    stack->setMinimumSize(720, 420);
    auto* column = new QVBoxLayout(stack);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(14);
    column->addLayout(header);
    column->addWidget(cloudCard_);
    column->addWidget(gridCard_, 1);
    column->addWidget(emptyCard_);
    column->addStretch(0);
    column->addLayout(row);
    setPaneContent(this, stack, 12);

    connect(storagePicker_, &ui::SegmentedPillControl::activated, this,
        [this](const QVariant& value) { setStorageFilter(static_cast<ProjectStorageType>(value.toInt())); });
    connect(import_, &QAbstractButton::clicked, this, &ProjectLibraryView::importProject);
    connect(newProject, &QAbstractButton::clicked, this, [this] { setShowNewProject(true); });
    connect(cancel, &QAbstractButton::clicked, this, [this] { env_.projectLibrary.setLibraryPresented(false); });
    connect(proceed, &QAbstractButton::clicked, this, [this] {
        // The engine may still be in project-selection mode with a project current (chosen at
        // start-up): takes would then only be listed in memory. Open it properly first.
        const auto current = env_.projectLibrary.currentProject();
        if (current && env_.playbackVM.inSelectionMode()) {
            openSelectedProject(*current);
            return;
        }
        env_.projectLibrary.setLibraryPresented(false);
    });
    connect(rename, &QAbstractButton::clicked, this, [this] {
        if (auto project = selectedProject())
            startRename(*project);
    });
    connect(duplicate, &QAbstractButton::clicked, this, [this] {
        if (auto project = selectedProject())
            duplicateProject(*project);
    });
    connect(remove, &QAbstractButton::clicked, this, &ProjectLibraryView::deleteSelected);
    connect(open, &QAbstractButton::clicked, this, [this] {
        if (auto project = selectedProject())
            openSelectedProject(*project);
    });
    connect(grid_, &ProjectGrid::selectionEdited, this, [this](const std::optional<QUuid>& id) { setSelection(id); });
    connect(&env_.projectLibrary, &projects::ProjectLibraryStore::projectsChanged, this, &ProjectLibraryView::refresh);
    connect(&env_.projectLibrary, &projects::ProjectLibraryStore::currentProjectIDChanged, this,
        &ProjectLibraryView::onCurrentProjectChanged);
    onAnyChange(env_.driveSync, this, [this] { onCloudChanged(); });
    refresh();
}

ProjectLibraryView::~ProjectLibraryView()
{
    cancelCloudDeleteTimers();
}

ui::ThemeColor ProjectLibraryView::syncPhaseColor(cloud::CloudSyncPhase phase)
{
    return CloudSyncCard::syncPhaseColor(phase);
}

ui::StyledButton* ProjectLibraryView::button(const QString& title) const
{
    for (ui::StyledButton* button : buttons_) {
        if (button->objectName() == title)
            return button;
    }
    return nullptr;
}

NewProjectView* ProjectLibraryView::newProjectSheet() const
{
    return newProject_;
}

RenameProjectView* ProjectLibraryView::renameSheet() const
{
    return rename_;
}

CloudDeleteConfirmSheet* ProjectLibraryView::cloudDeleteSheet() const
{
    return cloudDelete_;
}

projects::CloudListState ProjectLibraryView::cloudListState() const
{
    return { env_.driveSync.isSignedIn(), env_.driveSync.cloudListLoaded(), env_.driveSync.cloudProjectIDs() };
}

QList<projects::ProjectInfo> ProjectLibraryView::filteredProjects() const
{
    return projects::ProjectListFilter::filteredProjects(
        env_.projectLibrary.projects(), storageFilter_, cloudListState());
}

std::optional<projects::ProjectInfo> ProjectLibraryView::selectedProject() const
{
    return projects::ProjectListFilter::selectedProject(
        env_.projectLibrary.projects(), storageFilter_, cloudListState(), selection_);
}

void ProjectLibraryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!appeared_) {
        appeared_ = true;
        appear();
    }
}

void ProjectLibraryView::appear()
{
    const auto& all = env_.projectLibrary.projects();
    if (filteredProjects().isEmpty()) {
        const bool anyCloud = std::any_of(all.begin(), all.end(),
            [](const projects::ProjectInfo& p) { return p.storage() == ProjectStorageType::cloud; });
        storageFilter_ = anyCloud ? ProjectStorageType::cloud : ProjectStorageType::local;
    }
    if (!selection_) {
        selection_ = env_.projectLibrary.currentProjectID();
        if (!selectedProject()) {
            const auto listed = filteredProjects();
            selection_ = listed.isEmpty() ? std::nullopt : std::optional<QUuid>(listed.front().id);
        }
    }
    refresh();
    if (storageFilter_ == ProjectStorageType::cloud && env_.driveSync.isSignedIn())
        env_.driveSync.refreshCloudProjects();
}

void ProjectLibraryView::setStorageFilter(ProjectStorageType filter)
{
    if (filter == storageFilter_)
        return;
    storageFilter_ = filter;
    if (!selectedProject()) {
        const auto listed = filteredProjects();
        selection_ = listed.isEmpty() ? std::nullopt : std::optional<QUuid>(listed.front().id);
    }
    refresh();
    if (storageFilter_ == ProjectStorageType::cloud && env_.driveSync.isSignedIn())
        env_.driveSync.refreshCloudProjects();
}

void ProjectLibraryView::setSelection(const std::optional<QUuid>& selection)
{
    selection_ = selection;
    refresh();
}

void ProjectLibraryView::onCloudChanged()
{
    const bool signedIn = env_.driveSync.isSignedIn();
    const bool signedInNow = signedIn && !lastSignedIn_;
    lastSignedIn_ = signedIn;
    refresh();
    if (signedInNow && storageFilter_ == ProjectStorageType::cloud)
        env_.driveSync.refreshCloudProjects();
}

void ProjectLibraryView::onCurrentProjectChanged(const std::optional<QUuid>& id)
{
    const bool changed = id != lastCurrentID_;
    lastCurrentID_ = id;
    if (changed && id) {
        const auto listed = filteredProjects();
        const bool isListed
            = std::any_of(listed.begin(), listed.end(), [&](const projects::ProjectInfo& p) { return p.id == *id; });
        if (isListed)
            selection_ = id;
    }
    refresh();
}

void ProjectLibraryView::refresh()
{
    const auto listed = filteredProjects();
    const auto selected = selectedProject();
    const bool cloud = storageFilter_ == ProjectStorageType::cloud;

    storagePicker_->setSelection(static_cast<int>(storageFilter_));
    import_->setVisible(!cloud);
    cloudCard_->setVisible(cloud);
    cloudCard_->setCloudSelection(selected && selected->storage() == ProjectStorageType::cloud);

    grid_->setProjects(listed);
    grid_->setSelection(selection_);
    gridCard_->setVisible(!listed.isEmpty());
    emptyCard_->setVisible(listed.isEmpty());
    const bool loading = cloud && env_.driveSync.isSignedIn() && !env_.driveSync.cloudListLoaded();
    if (loading) {
        emptyIcon_->setName(QStringLiteral("arrow.triangle.2.circlepath"));
        emptyTitle_->setText(QStringLiteral("Loading cloud projects…"));
        emptyText_->setText(QStringLiteral("Please wait while we fetch your Drive projects."));
    } else if (cloud) {
        emptyIcon_->setName(QStringLiteral("cloud.slash"));
        emptyTitle_->setText(QStringLiteral("No cloud projects yet"));
        emptyText_->setText(QStringLiteral("Create a cloud project to sync with Google Drive."));
    } else {
        emptyIcon_->setName(QStringLiteral("folder.badge.plus"));
        emptyTitle_->setText(QStringLiteral("No local projects yet"));
        emptyText_->setText(QStringLiteral("Create a new project to set name, location, and format before you start."));
    }

    button(QStringLiteral("Continue"))->setEnabled(env_.projectLibrary.currentProjectID().has_value());
    for (const char* title : { "Rename", "Duplicate", "Delete", "Open" })
        button(QString::fromLatin1(title))->setEnabled(selected.has_value());
    if (cloudDelete_ && !isDeletingFromDrive_)
        cloudDelete_->setProjectName(selected ? selected->name : QString());
}

void ProjectLibraryView::keyPressEvent(QKeyEvent* event)
{
    // Return is the default action: Open.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto project = selectedProject())
            openSelectedProject(*project);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ProjectLibraryView::showError(const QString& message)
{
    errorMessage_ = message;
    ui::AlertRequest alert { QStringLiteral("Project Error"), errorMessage_.value_or(QStringLiteral("Unknown error")),
        { ui::AlertButton { QStringLiteral("OK"), ui::AlertButton::Role::cancel } } };
    env_.dialogs.showAlert(this, alert, [](int) {});
}

void ProjectLibraryView::dismiss(QDialog* sheet)
{
    // Hidden rather than closed: closing a dialog runs its cancel path again.
    if (!sheet)
        return;
    sheet->hide();
    sheet->deleteLater();
}

void ProjectLibraryView::setShowNewProject(bool show)
{
    if (!show) {
        dismiss(newProject_);
        newProject_ = nullptr;
        return;
    }
    if (newProject_)
        return;
    newProject_ = new NewProjectView(NewProjectView::Environment { env_.projectLibrary, env_.recordVM, env_.playbackVM,
                                         env_.driveSync, env_.settings, env_.dialogs, env_.documentsFolder },
        this);
    connect(newProject_, &QDialog::finished, newProject_, &QObject::deleteLater);
    newProject_->open();
}

void ProjectLibraryView::setShowRename(bool show)
{
    if (!show) {
        dismiss(rename_);
        rename_ = nullptr;
        return;
    }
    if (rename_) {
        rename_->setName(renameText_);
        return;
    }
    rename_ = new RenameProjectView(
        renameText_, [this] { setShowRename(false); }, [this] { commitRename(); }, this);
    connect(rename_, &RenameProjectView::nameEdited, this, [this](const QString& text) { renameText_ = text; });
    rename_->open();
}

} // namespace projects_ui
