#include "playback_screen/PlaylistPane.h"

#include "playback/PlaybackViewModel.h"
#include "playback_screen/PlaybackView.h"
#include "playback_screen/PlaylistActionsBar.h"
#include "playback_screen/PlaylistDelegate.h"
#include "playback_screen/PlaylistListView.h"
#include "playback_screen/PlaylistModel.h"
#include "ui/AppTheme.h"
#include "ui/DialogService.h"
#include "ui/ThemedLabel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QVBoxLayout>

namespace playback_screen {

namespace {

using PanePainter = PlaylistRowPainter;

QWidget* paneColumnTitles()
{
    auto* titles = new QWidget;
    titles->setObjectName(QStringLiteral("playlistColumnTitles"));
    auto* layout = new QHBoxLayout(titles);
    layout->setContentsMargins(PanePainter::sideInset, 6, PanePainter::sideInset, 0);
    layout->setSpacing(PanePainter::cellSpacing);
    struct Column {
        const char* title;
        int width; // 0: takes the rest
        Qt::Alignment alignment;
    };
    for (const Column& column : { Column { "Preview", PanePainter::thumbnailWidth, Qt::AlignLeft },
             Column { "Name", 0, Qt::AlignLeft }, Column { "Good", PanePainter::goodWidth, Qt::AlignHCenter },
             Column { "In", PanePainter::inWidth, Qt::AlignRight },
             Column { "Out", PanePainter::outWidth, Qt::AlignRight },
             Column { "Duration", PanePainter::durationWidth, Qt::AlignRight } }) {
        auto* label = new ui::ThemedLabel(
            QString::fromLatin1(column.title), ui::AppTheme::systemFont(10), ui::AppTheme::textSecondary);
        label->setAlignment(column.alignment | Qt::AlignVCenter);
        if (column.width > 0)
            label->setFixedWidth(column.width);
        layout->addWidget(label, column.width > 0 ? 0 : 1);
    }
    return titles;
}

} // namespace

PlaylistPane::PlaylistPane(PlaybackView& screen, QWidget* parent)
    : QWidget(parent)
    , screen_(screen)
{
    setObjectName(QStringLiteral("playbackPlaylistPane"));
    model_ = new PlaylistModel(screen_, this);
    delegate_ = new PlaylistDelegate(*model_, this);
    list_ = new PlaylistListView;
    list_->setObjectName(QStringLiteral("playlistList"));
    list_->setModel(model_);
    list_->setItemDelegate(delegate_);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    actions_ = new PlaylistActionsBar(screen_, *model_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(paneColumnTitles());
    layout->addWidget(list_, 1);
    auto* actionsHolder = new QWidget;
    auto* actionsLayout = new QVBoxLayout(actionsHolder);
    actionsLayout->setContentsMargins(PanePainter::sideInset, 0, PanePainter::sideInset, 10);
    actionsLayout->addWidget(actions_);
    layout->addWidget(actionsHolder);

    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        restoringSelection_ = true;
        savedScroll_ = list_->verticalScrollBar()->value();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        // A rebuild keeps the place the user scrolled to and the selection the screen holds.
        list_->doItemsLayout();
        list_->verticalScrollBar()->setValue(savedScroll_);
        restoreSelection();
        restoringSelection_ = false;
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!restoringSelection_)
            userSelectionChanged();
    });
    connect(&screen_, &PlaybackView::uiSelectedClipIDChanged, this, [this] {
        restoreSelection();
        if (const auto& id = screen_.uiSelectedClipID())
            if (const auto row = model_->rowOf(*id))
                list_->scrollTo(model_->index(*row));
    });
    connect(delegate_, &PlaylistDelegate::buttonClicked, this,
        [this](int row, PlaylistRowPainter::Button button) { pressButton(row, button); });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](QPoint pos) { showContextMenu(pos); });
    connect(&screen_, &PlaybackView::showConfirmDeleteAllChanged, this, [this] { askDeleteAll(); });

    model_->setDevicePixelRatio(devicePixelRatioF());
    restoreSelection();
    askDeleteAll();
}

PlaylistPane::~PlaylistPane() = default;

std::vector<TakeGroup> PlaylistPane::groupedClipsByTake() const
{
    return groupClipsByTake(screen_.models().vm.clips());
}

void PlaylistPane::toggleTakeCollapse(const TakeKey& key)
{
    TakeKeySet collapsed = screen_.collapsedTakes();
    if (!collapsed.erase(key))
        collapsed.insert(key);
    screen_.setCollapsedTakes(collapsed);
}

void PlaylistPane::collapseAllTakes()
{
    screen_.setCollapsedTakes(allTakeKeys(groupedClipsByTake()));
}

bool PlaylistPane::isAllCollapsed() const
{
    return playback_screen::isAllCollapsed(groupedClipsByTake(), screen_.collapsedTakes());
}

void PlaylistPane::pressButton(int row, PlaylistRowPainter::Button button)
{
    playback::PlaybackViewModel& vm = screen_.models().vm;
    using Button = PlaylistRowPainter::Button;
    if (button == Button::clipGood) {
        if (const playback::ClipItem* clip = model_->clipAt(row))
            vm.toggleGoodClip(clip->id);
        return;
    }
    const TakeGroup* group = model_->isHeader(row) ? model_->groupAt(row) : nullptr;
    if (!group)
        return;
    const TakeKey key = group->takeKey;
    if (button == Button::collapse)
        toggleTakeCollapse(key);
    else if (button == Button::takeGood)
        vm.toggleGoodTake(key);
    else if (button == Button::multiView && key)
        multiView(key);
}

void PlaylistPane::multiView(const TakeKey& key)
{
    screen_.models().vm.previewTake(key);
    // Once the click has been handled: the list follows the clip the preview selected, so the
    // selection hook has nothing to carry back (which would end the preview), and the list lets
    // go of the keyboard.
    QPointer<PlaylistPane> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self)
                return;
            self->screen_.setUiSelectedClipID(self->screen_.models().vm.selectedClipID());
            if (QWidget* window = QApplication::activeWindow())
                if (QWidget* focus = window->focusWidget())
                    focus->clearFocus();
        },
        Qt::QueuedConnection);
}

std::vector<ClipMenuEntry> PlaylistPane::contextMenuEntries(int row) const
{
    const playback::ClipItem* clip = model_->clipAt(row);
    if (!clip)
        return {};
    const playback::PlaybackViewModel& vm = screen_.models().vm;
    return buildClipContextMenu(clip->id, { vm.secondaryClipID(), vm.isTakePreviewActive() });
}

void PlaylistPane::showContextMenu(QPoint pos)
{
    const QModelIndex index = list_->indexAt(pos);
    const std::vector<ClipMenuEntry> entries = contextMenuEntries(index.row());
    if (entries.empty())
        return;
    const QUuid id = model_->clipAt(index.row())->id;
    QPointer<PlaylistPane> self(this);
    QMenu* menu = makeClipMenu(
        entries,
        [self, id](ClipMenuAction action) {
            if (self)
                self->runClipMenuAction(action, id);
        },
        this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(list_->viewport()->mapToGlobal(pos));
}

void PlaylistPane::runClipMenuAction(ClipMenuAction action, const QUuid& id)
{
    playback::PlaybackViewModel& vm = screen_.models().vm;
    switch (action) {
    case ClipMenuAction::setOutput:
        vm.setSecondaryClip(id);
        break;
    case ClipMenuAction::clearOutput:
        vm.setSecondaryClip(std::nullopt);
        break;
    case ClipMenuAction::reveal:
        vm.revealInFinder(id);
        break;
    case ClipMenuAction::deleteClip: {
        const QList<playback::ClipItem>& clips = vm.clips();
        for (qsizetype i = 0; i < clips.size(); ++i) {
            if (clips[i].id == id) {
                vm.deleteClips({ i });
                break;
            }
        }
        break;
    }
    }
}

void PlaylistPane::restoreSelection()
{
    const QScopedValueRollback<bool> guard(restoringSelection_, true);
    QItemSelectionModel* selection = list_->selectionModel();
    const std::optional<QUuid>& id = screen_.uiSelectedClipID();
    const std::optional<int> row = id ? model_->rowOf(*id) : std::nullopt;
    if (row) {
        const QModelIndex index = model_->index(*row);
        if (!selection->isSelected(index) || selection->selectedIndexes().size() != 1)
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else if (selection->hasSelection()) {
        // Hidden in a collapsed take or gone: nothing is highlighted, the screen's selection stays.
        selection->clearSelection();
    }
}

void PlaylistPane::userSelectionChanged()
{
    const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        screen_.setUiSelectedClipID(std::nullopt);
        return;
    }
    const QVariant id = selected.front().data(PlaylistModel::clipIdRole);
    if (id.isValid())
        screen_.setUiSelectedClipID(id.toUuid());
}

void PlaylistPane::askDeleteAll()
{
    if (!screen_.showConfirmDeleteAll() || deleteAllAsked_)
        return;
    deleteAllAsked_ = true;
    using Role = ui::AlertButton::Role;
    const ui::AlertRequest request { QStringLiteral("Delete all clips from the list?"),
        QStringLiteral("This removes all clips from the Preview list only. Video files on disk will not be deleted."),
        { { QStringLiteral("Cancel"), Role::cancel }, { QStringLiteral("Delete All"), Role::destructive } } };
    QPointer<PlaylistPane> self(this);
    screen_.models().dialogs.showAlert(this, request, [self](int button) {
        if (!self)
            return;
        self->deleteAllAsked_ = false;
        if (button == 1)
            self->screen_.models().vm.deleteAllClips();
        self->screen_.setShowConfirmDeleteAll(false);
    });
}

} // namespace playback_screen
