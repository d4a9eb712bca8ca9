#include "playback_screen/PlaylistActionsBar.h"

#include "playback/PlaybackViewModel.h"
#include "playback_screen/PlaybackView.h"
#include "playback_screen/PlaylistModel.h"
#include "playback_screen/SupportPopover.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"

#include <QHBoxLayout>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace playback_screen {

namespace {

constexpr int barSpacing = 6;

struct barControlText {
    const char* title;
    const char* compactTitle;
    const char* symbol;
};

// Titles and symbols of the fixed controls (the collapse control's come from the state).
constexpr std::array<barControlText, 6> barControlTexts { {
    { "Delete Clip", "Delete", "trash" },
    { "Delete All", "Delete All", "trash.slash" },
    { "Export", "Export", "square.and.arrow.up" },
    { "Collapse All", "Collapse", "chevron.right.2" },
    { "Ask Support", "Ask Support", "questionmark.bubble" },
    { "Settings", "Settings", "gearshape" },
} };

} // namespace

PlaylistActionsBar::PlaylistActionsBar(PlaybackView& screen, PlaylistModel& model, QWidget* parent)
    : QWidget(parent)
    , screen_(screen)
    , model_(model)
{
    setObjectName(QStringLiteral("playlistActions"));
    single_ = buildSingleRow();
    compact_ = buildCompactRows();
    single_->setParent(this);
    compact_->setParent(this);
    compact_->hide();
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { updates_.request(); });
    connect(&model_, &QAbstractItemModel::dataChanged, this, [this] { updates_.request(); });
    connect(&screen_, &PlaybackView::uiSelectedClipIDChanged, this, [this] { updates_.request(); });
    connect(&screen_, &PlaybackView::showSupportPopoverChanged, this, [this] { syncSupportPopover(); });
    refresh();
}

ui::StyledButton* PlaylistActionsBar::makeButton(Form& form, Control control, bool compact, const QString& objectName)
{
    const barControlText& text = barControlTexts[static_cast<size_t>(control)];
    auto* button = new ui::StyledButton(ui::ButtonLabel::symbolAndText(QString::fromLatin1(text.symbol),
                                            QString::fromLatin1(compact ? text.compactTitle : text.title)),
        ui::PillButtonStyle(ui::AppTheme::accent, false, true));
    button->setObjectName(objectName + (compact ? QStringLiteral("Compact") : QString()));
    if (control == settingsLink)
        button->setToolTip(QStringLiteral("Open Settings"));
    connect(button, &QAbstractButton::clicked, this, [this, control] { run(control); });
    form.buttons[static_cast<size_t>(control)] = button;
    return button;
}

QWidget* PlaylistActionsBar::buildSingleRow()
{
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("playlistActionsRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(barSpacing);
    layout->addWidget(makeButton(singleForm_, deleteClip, false, QStringLiteral("deleteClipButton")));
    layout->addWidget(makeButton(singleForm_, deleteAll, false, QStringLiteral("deleteAllButton")));
    layout->addWidget(makeButton(singleForm_, exportReport, false, QStringLiteral("exportReportButton")));
    layout->addWidget(makeButton(singleForm_, collapseExpand, false, QStringLiteral("collapseExpandButton")));
    layout->addWidget(makeButton(singleForm_, support, false, QStringLiteral("supportButton")));
    layout->addSpacing(8 - barSpacing);
    layout->addStretch(1);
    layout->addWidget(makeButton(singleForm_, settingsLink, false, QStringLiteral("settingsButton")));
    return row;
}

QWidget* PlaylistActionsBar::buildCompactRows()
{
    auto* rows = new QWidget;
    rows->setObjectName(QStringLiteral("playlistActionsCompactRows"));
    auto* layout = new QVBoxLayout(rows);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(barSpacing);
    auto* first = new QHBoxLayout;
    first->setSpacing(barSpacing);
    first->addWidget(makeButton(compactForm_, deleteClip, true, QStringLiteral("deleteClipButton")));
    first->addWidget(makeButton(compactForm_, deleteAll, true, QStringLiteral("deleteAllButton")));
    first->addWidget(makeButton(compactForm_, exportReport, true, QStringLiteral("exportReportButton")));
    first->addStretch(1);
    auto* second = new QHBoxLayout;
    second->setSpacing(barSpacing);
    second->addWidget(makeButton(compactForm_, collapseExpand, true, QStringLiteral("collapseExpandButton")));
    second->addWidget(makeButton(compactForm_, support, true, QStringLiteral("supportButton")));
    second->addStretch(1);
    second->addWidget(makeButton(compactForm_, settingsLink, true, QStringLiteral("settingsButton")));
    layout->addLayout(first);
    layout->addLayout(second);
    return rows;
}

void PlaylistActionsBar::refresh()
{
    updates_.runNow();
}

void PlaylistActionsBar::apply()
{
    const playback::PlaybackViewModel& vm = screen_.models().vm;
    const PlaylistActionsState next = actionsState(screen_.uiSelectedClipID(), static_cast<int>(vm.clips().size()),
        vm.goodClipsCount(), model_.groups(), screen_.collapsedTakes());
    const bool enabled[controlCount]
        = { next.deleteClipEnabled, next.deleteAllEnabled, next.exportEnabled, next.collapseEnabled, true, true };
    for (Form* form : { &singleForm_, &compactForm_ }) {
        for (int c = 0; c < controlCount; ++c)
            form->buttons[static_cast<size_t>(c)]->setEnabled(enabled[c]);
    }
    if (next.collapseExpands != state_.collapseExpands) {
        singleForm_.buttons[collapseExpand]->setLabel(
            ui::ButtonLabel::symbolAndText(next.collapseSymbol(), next.collapseTitle(false)));
        compactForm_.buttons[collapseExpand]->setLabel(
            ui::ButtonLabel::symbolAndText(next.collapseSymbol(), next.collapseTitle(true)));
    }
    state_ = next;
    // A longer label may no longer fit the single row.
    chooseForm();
}

int PlaylistActionsBar::heightForWidth(int width) const
{
    const bool fits = single_->sizeHint().width() <= width;
    return (fits ? single_ : compact_)->sizeHint().height();
}

QSize PlaylistActionsBar::sizeHint() const
{
    return single_->sizeHint();
}

QSize PlaylistActionsBar::minimumSizeHint() const
{
    return QSize(0, single_->sizeHint().height());
}

void PlaylistActionsBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    chooseForm();
}

void PlaylistActionsBar::chooseForm()
{
    const bool fits = single_->sizeHint().width() <= width();
    if (fits != showsSingle_) {
        showsSingle_ = fits;
        updateGeometry();
    }
    single_->setVisible(fits);
    compact_->setVisible(!fits);
    QWidget* shown = fits ? single_ : compact_;
    shown->setGeometry(0, 0, width(), shown->sizeHint().height());
}

void PlaylistActionsBar::run(Control control)
{
    playback::PlaybackViewModel& vm = screen_.models().vm;
    switch (control) {
    case deleteClip:
        vm.deleteSelectedClip();
        break;
    case deleteAll:
        screen_.setShowConfirmDeleteAll(true);
        break;
    case exportReport:
        vm.exportGoodReportCSV();
        break;
    case collapseExpand: {
        // The groups of this moment, not of the last refresh.
        const std::vector<TakeGroup> groups = groupClipsByTake(vm.clips());
        screen_.setCollapsedTakes(
            isAllCollapsed(groups, screen_.collapsedTakes()) ? TakeKeySet {} : allTakeKeys(groups));
        break;
    }
    case support:
        screen_.setShowSupportPopover(true);
        break;
    case settingsLink:
        emit screen_.settingsRequested();
        break;
    case controlCount:
        break;
    }
}

void PlaylistActionsBar::syncSupportPopover()
{
    if (!screen_.showSupportPopover()) {
        if (popover_)
            popover_->hide();
        return;
    }
    if (!popover_) {
        popover_ = new SupportPopover(SupportPopover::builtInInviteLink(), {}, this);
        connect(popover_, &SupportPopover::dismissed, this, [this] { screen_.setShowSupportPopover(false); });
    }
    Form& form = showsSingle_ ? singleForm_ : compactForm_;
    popover_->popUpUnder(form.buttons[support]);
}

} // namespace playback_screen
