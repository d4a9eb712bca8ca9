#include "playback_screen/PlaybackView.h"

#include "capture/RecordViewModel.h"
#include "playback/PlaybackViewModel.h"
#include "playback_screen/MainPane.h"
#include "playback_screen/PlaybackViewHooks.h"
#include "projects/ProjectLibraryStore.h"
#include "settings/AppSettings.h"
#include "settings/CaptureFormat.h"
#include "settings/RecordSidebarState.h"
#include "ui/DialogService.h"
#include "ui/LayoutLogger.h"
#include "ui/PaneChrome.h"

#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

namespace playback_screen {

namespace {

// Wraps a pane's content in padding, as the root lays each pane out.
QWidget* padded(QWidget* content, QMargins margins, const char* name)
{
    auto* holder = new QWidget;
    holder->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(margins);
    layout->setSpacing(0);
    layout->addWidget(content);
    return holder;
}

ui::PaneChrome* pane(QWidget* content, const char* name)
{
    auto* chrome = new ui::PaneChrome(content);
    chrome->setObjectName(QString::fromLatin1(name));
    return chrome;
}

} // namespace

PlaybackView::PlaybackView(PlaybackScreenModels models, QWidget* parent)
    : QWidget(parent)
    , models_(models)
{
    setObjectName(QStringLiteral("playbackView"));
    buildLayout();
    hooks_ = new PlaybackViewHooks(*this);

    connect(&models_.projectLibrary, &projects::ProjectLibraryStore::currentProjectIDChanged, this,
        [this] { emit projectTitleChanged(); });
    connect(&models_.projectLibrary, &projects::ProjectLibraryStore::projectsChanged, this,
        [this] { emit projectTitleChanged(); });
    connect(
        &models_.settings, &settings::AppSettings::projectFormatChanged, this, [this] { emit projectTitleChanged(); });
    connect(&models_.recordVM, &capture::RecordViewModel::showOutputWarningAlertChanged, this,
        [this] { showOutputWarningIfRaised(); });
    showOutputWarningIfRaised();
}

PlaybackView::~PlaybackView() = default;

void PlaybackView::buildLayout()
{
    const QMargins paneMargins(panePadding, panePadding, panePadding, panePadding);

    centrePane_ = pane(padded(makePlaybackMainPane(), paneMargins, "centreContent"), "centrePane");
    centrePane_->setMinimumSize(centreMinimumWidth, centreMinimumHeight);

    inspectorScroll_ = new QScrollArea;
    inspectorScroll_->setObjectName(QStringLiteral("inspectorScroll"));
    inspectorScroll_->setWidgetResizable(true);
    inspectorScroll_->setFrameShape(QFrame::NoFrame);
    // Keys stay with the window's shortcuts (Space must not scroll the inspector).
    inspectorScroll_->setFocusPolicy(Qt::NoFocus);
    inspectorScroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    inspectorScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    inspectorScroll_->setWidget(makePlaybackInspectorPane());
    // The pane's card shows through the scroll area (setWidget() makes its widget paint a fill).
    inspectorScroll_->widget()->setAutoFillBackground(false);
    inspectorScroll_->viewport()->setAutoFillBackground(false);
    inspectorScroll_->widget()->setAutoFillBackground(false); // the pane card shows through
    inspectorPane_ = pane(padded(inspectorScroll_, paneMargins, "inspectorContent"), "inspectorPane");
    inspectorPane_->setMinimumWidth(inspectorMinimumWidth);
    inspectorPane_->setMaximumWidth(inspectorMaximumWidth);

    top_ = new QSplitter(Qt::Horizontal);
    top_->setObjectName(QStringLiteral("topSplitter"));
    top_->setChildrenCollapsible(false);
    top_->addWidget(centrePane_);
    top_->addWidget(inspectorPane_);
    top_->setStretchFactor(0, 1);
    top_->setStretchFactor(1, 0);
    top_->setSizes({ 100000, inspectorIdealWidth });

    playlistPane_ = pane(
        padded(makePlaybackPlaylistPane(), QMargins(0, playlistTopPadding, 0, 0), "playlistContent"), "playlistPane");
    playlistPane_->setMinimumHeight(playlistMinimumHeight);

    vertical_ = new QSplitter(Qt::Vertical);
    vertical_->setObjectName(QStringLiteral("verticalSplitter"));
    vertical_->setChildrenCollapsible(false);
    vertical_->addWidget(top_);
    vertical_->addWidget(playlistPane_);
    vertical_->setStretchFactor(0, 1);
    vertical_->setStretchFactor(1, 0);

    ui::LayoutLogger& logger = models_.layoutLogger ? *models_.layoutLogger : ui::LayoutLogger::shared();
    ui::layoutLog(centrePane_, QStringLiteral("③ Center Pane (Player/Capture)"), logger);
    ui::layoutLog(inspectorPane_, QStringLiteral("④ Right Inspector (Output Preview)"), logger);
    ui::layoutLog(top_, QStringLiteral("⑤ Top Area (Player + Inspector)"), logger);
    ui::layoutLog(playlistPane_, QStringLiteral("⑥ Bottom Playlist"), logger);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(rootPadding, rootPadding, rootPadding, rootPadding);
    layout->setSpacing(0);
    layout->addWidget(vertical_);
}

void PlaybackView::applyCenterMode()
{
    // Capture mode removes the playlist pane with its divider; the top area takes the height.
    const bool playlistShown = centerMode_ == CenterMode::playback;
    playlistPane_->setVisible(playlistShown);
    if (vertical_->count() > 1)
        vertical_->handle(1)->setVisible(playlistShown);
}

void PlaybackView::setCenterMode(CenterMode mode)
{
    if (centerMode_ == mode)
        return;
    centerMode_ = mode;
    applyCenterMode();
    emit centerModeChanged(mode);
}

void PlaybackView::setShowTransportUI(bool show)
{
    if (showTransportUI_ == show)
        return;
    showTransportUI_ = show;
    emit showTransportUIChanged(show);
}

void PlaybackView::setHideHUD(bool hide)
{
    if (hideHUD_ == hide)
        return;
    hideHUD_ = hide;
    emit hideHUDChanged(hide);
}

void PlaybackView::setUiSelectedClipID(const std::optional<QUuid>& id)
{
    if (uiSelectedClipID_ == id)
        return;
    uiSelectedClipID_ = id;
    emit uiSelectedClipIDChanged(id);
}

void PlaybackView::setCollapsedTakes(const std::set<std::optional<qint64>>& takes)
{
    if (collapsedTakes_ == takes)
        return;
    collapsedTakes_ = takes;
    emit collapsedTakesChanged();
}

void PlaybackView::setShowConfirmDeleteAll(bool show)
{
    if (showConfirmDeleteAll_ == show)
        return;
    showConfirmDeleteAll_ = show;
    emit showConfirmDeleteAllChanged(show);
}

void PlaybackView::setShowSupportPopover(bool show)
{
    if (showSupportPopover_ == show)
        return;
    showSupportPopover_ = show;
    emit showSupportPopoverChanged(show);
}

QWidget* PlaybackView::makePlaybackMainPane()
{
    return new MainPane(*this);
}

bool PlaybackView::isRecordCollapsed() const
{
    return models_.sidebar.isCollapsed();
}

QString PlaybackView::projectTitleText() const
{
    const std::optional<projects::ProjectInfo> project = models_.projectLibrary.currentProject();
    const QString name = project ? project->name : QStringLiteral("No Project");
    const settings::CaptureFormat format = project
        ? settings::fromRaw<settings::CaptureFormat>(project->formatRaw).value_or(settings::CaptureFormat::hd1080p25)
        : models_.settings.projectFormat();
    return name + QStringLiteral(" • ") + settings::displayName(format);
}

void PlaybackView::openProjectLibrary()
{
    if (models_.vm.hasUnsavedChanges())
        askToSaveBeforeLibrary();
    else
        presentLibrary();
}

void PlaybackView::presentLibrary()
{
    models_.projectLibrary.setLibraryPresented(true);
}

void PlaybackView::askToSaveBeforeLibrary()
{
    if (showProjectLibraryConfirm_)
        return;
    showProjectLibraryConfirm_ = true;
    using Role = ui::AlertButton::Role;
    const ui::AlertRequest request { QStringLiteral("Open Project Library?"),
        QStringLiteral("Your current project has unsaved changes. Save before switching?"),
        { { QStringLiteral("Cancel"), Role::cancel }, { QStringLiteral("Don't Save"), Role::destructive },
            { QStringLiteral("Save"), Role::normal } } };
    QPointer<PlaybackView> self(this);
    models_.dialogs.showAlert(this, request, [self](int button) {
        if (!self)
            return;
        self->showProjectLibraryConfirm_ = false;
        if (button == 1) {
            self->presentLibrary();
        } else if (button == 2) {
            playback::PlaybackViewModel& vm = self->models_.vm;
            vm.saveState();
            vm.flushPendingSaves();
            // A save that failed would lose the edits once another project opens: ask again.
            if (!vm.isProjectSelectionMode() && vm.hasUnsavedChanges()) {
                const ui::AlertRequest failed { QStringLiteral("Could not save the playlist."), QString(),
                    { { QStringLiteral("Cancel"), ui::AlertButton::Role::cancel },
                        { QStringLiteral("Open Library Anyway"), ui::AlertButton::Role::destructive } } };
                self->models_.dialogs.showAlert(self, failed, [self](int answer) {
                    if (self && answer == 1)
                        self->presentLibrary();
                });
                return;
            }
            self->presentLibrary();
        }
    });
}

void PlaybackView::showOutputWarningIfRaised()
{
    capture::RecordViewModel& recordVM = models_.recordVM;
    if (!recordVM.showOutputWarningAlert() || outputWarningShowing_)
        return;
    outputWarningShowing_ = true;
    const ui::AlertRequest request { QStringLiteral("DeckLink Output Warning"), recordVM.outputWarningAlertMessage(),
        { { QStringLiteral("OK"), ui::AlertButton::Role::cancel } } };
    QPointer<PlaybackView> self(this);
    models_.dialogs.showAlert(this, request, [self](int) {
        if (!self)
            return;
        self->outputWarningShowing_ = false;
        self->models_.recordVM.setShowOutputWarningAlert(false);
    });
}

} // namespace playback_screen
