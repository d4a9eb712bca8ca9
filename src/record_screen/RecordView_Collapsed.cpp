// The collapsed column of the recording sidebar: expand, the slate read-only, add and remove,
// the timecode menu, Record All as an icon and the number of inputs, in a 72 px column.

#include "record_screen/RecordView.h"

#include "capture/RecordViewModel.h"
#include "settings/AppSettings.h"
#include "settings/RecordSidebarState.h"
#include "ui/AppCard.h"
#include "ui/IconRegistry.h"
#include "ui/PillButtonStyle.h"
#include "ui/RecordPillButtonStyle.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace record_screen {

namespace {

ui::StyledButton* columnButton(
    QWidget* parent, const QString& name, const QString& icon, double pixels, ui::ThemeColor tint, const QString& help)
{
    auto* button = new ui::StyledButton(
        ui::ButtonLabel::symbol(icon, ui::AppTheme::systemFont(pixels, QFont::DemiBold), QSizeF(34, 30)),
        ui::PillButtonStyle(tint), parent);
    button->setObjectName(name);
    button->setToolTip(help);
    return button;
}

QWidget* columnDivider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: rgba(128,128,128,0.35); border: none;"));
    return line;
}

ui::ThemedLabel* chip(QWidget* parent, QVBoxLayout* column, const QString& title)
{
    auto* box = new QWidget(parent);
    box->setFixedWidth(58);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(2);
    auto* caption = new ui::ThemedLabel(title, ui::AppTheme::systemFont(10), ui::AppTheme::textSecondary, box);
    caption->setAlignment(Qt::AlignCenter);
    QFont mono = ui::AppTheme::fontMono();
    mono.setPixelSize(12);
    auto* value = new ui::ThemedLabel({}, mono, ui::AppTheme::textPrimary, box);
    value->setAlignment(Qt::AlignCenter);
    value->setFixedWidth(46);
    layout->addWidget(caption);
    layout->addWidget(value);
    column->addWidget(ui::appCard(box, false), 0, Qt::AlignHCenter);
    return value;
}

} // namespace

QWidget* RecordView::buildCollapsed()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("collapsedSidebar"));
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(14, 14, 14, 14);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("collapsedColumn"));
    content->setFixedWidth(72);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* expand = columnButton(content, QStringLiteral("expandButton"), QStringLiteral("sidebar.leading"), 14,
        ui::AppTheme::accent, QStringLiteral("Expand Sidebar"));
    connect(
        expand, &QAbstractButton::clicked, this, [this] { env_.sidebar.setCollapsed(!env_.sidebar.isCollapsed()); });
    column->addWidget(expand, 0, Qt::AlignHCenter);
    column->addWidget(columnDivider(content));
    reelChip_ = chip(content, column, QStringLiteral("R"));
    sceneChip_ = chip(content, column, QStringLiteral("S"));
    takeChip_ = chip(content, column, QStringLiteral("T"));
    column->addWidget(columnDivider(content));
    compactAdd_ = columnButton(content, QStringLiteral("compactAddButton"), QStringLiteral("plus"), 13,
        ui::AppTheme::accent, QStringLiteral("Add Input"));
    connect(compactAdd_, &QAbstractButton::clicked, this, [this] { env_.vm.addSource(); });
    compactRemove_ = columnButton(content, QStringLiteral("compactRemoveButton"), QStringLiteral("minus"), 13,
        ui::AppTheme::textSecondary, QStringLiteral("Remove Input"));
    connect(compactRemove_, &QAbstractButton::clicked, this, [this] { env_.vm.removeInput(); });
    column->addWidget(compactAdd_, 0, Qt::AlignHCenter);
    column->addWidget(compactRemove_, 0, Qt::AlignHCenter);

    auto* timecode = new QToolButton(content);
    timecode->setObjectName(QStringLiteral("timecodeMenuButton"));
    timecode->setToolTip(QStringLiteral("Timecode"));
    timecode->setFocusPolicy(Qt::NoFocus);
    timecode->setFixedSize(34, 30);
    timecode->setPopupMode(QToolButton::InstantPopup);
    const auto timerIcon = [timecode] {
        const QSizeF size = ui::IconRegistry::symbolSize(ui::AppTheme::systemFont(13));
        timecode->setIconSize(size.toSize());
        timecode->setIcon(QIcon(ui::IconRegistry::pixmap(
            QStringLiteral("timer"), size, ui::AppTheme::textPrimary.color(), timecode->devicePixelRatioF())));
    };
    timerIcon();
    connect(ui::AppTheme::notifier(), &ui::ThemeNotifier::appearanceChanged, timecode, timerIcon);
    timecodeMenu_ = new QMenu(timecode);
    for (const settings::TimecodeMode mode : settings::allCases<settings::TimecodeMode>()) {
        QAction* action = timecodeMenu_->addAction(settings::displayName(mode));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, mode] { env_.settings.setTimecodeMode(mode); });
    }
    timecode->setMenu(timecodeMenu_);
    column->addWidget(timecode, 0, Qt::AlignHCenter);
    column->addWidget(columnDivider(content));

    compactRecordAll_ = new ui::StyledButton({}, ui::RecordPillButtonStyle(ui::ColorRole::systemOrange), content);
    compactRecordAll_->setObjectName(QStringLiteral("compactRecordAllButton"));
    connect(compactRecordAll_, &QAbstractButton::clicked, this, &RecordView::toggleRecordAll);
    column->addWidget(compactRecordAll_, 0, Qt::AlignHCenter);
    column->addStretch();
    compactCounter_
        = new ui::ThemedLabel({}, ui::AppTheme::monospacedDigitFont(10), ui::AppTheme::textSecondary, content);
    compactCounter_->setObjectName(QStringLiteral("compactInputCounter"));
    compactCounter_->setContentsMargins(8, 6, 8, 6);
    column->addWidget(compactCounter_, 0, Qt::AlignHCenter);

    auto* card = ui::appCard(content, false);
    card->setContentsMargins(10, 10, 10, 10);
    outer->addWidget(card, 1, Qt::AlignLeft);
    return page;
}

void RecordView::refreshCollapsed()
{
    auto orDash = [](const QString& value) { return value.isEmpty() ? QStringLiteral("-") : value; };
    reelChip_->setText(orDash(env_.vm.reel()));
    sceneChip_->setText(orDash(env_.vm.scene()));
    takeChip_->setText(QString::number(env_.vm.take()));
    const int count = env_.vm.activeInputCount();
    compactAdd_->setEnabled(count < maxInputCount);
    compactRemove_->setEnabled(count > 1);
    compactCounter_->setText(QString::number(count));
    const auto modes = settings::allCases<settings::TimecodeMode>();
    const auto actions = timecodeMenu_->actions();
    for (std::size_t i = 0; i < modes.size() && i < static_cast<std::size_t>(actions.size()); ++i) {
        const QSignalBlocker block(actions[static_cast<qsizetype>(i)]);
        actions[static_cast<qsizetype>(i)]->setChecked(modes[i] == env_.settings.timecodeMode());
    }
    const bool all = env_.vm.isRecordingAll();
    ui::ButtonLabel label
        = ui::ButtonLabel::symbol(all ? QStringLiteral("stop.fill") : QStringLiteral("record.circle.fill"),
            ui::AppTheme::systemFont(15, QFont::Bold), QSizeF(34, 30));
    label.color = ui::ThemeColor(QColor(Qt::white)).opacity(compactRecordAllOpacity());
    compactRecordAll_->setLabel(label);
    compactRecordAll_->setButtonStyle(
        ui::RecordPillButtonStyle(all ? ui::ColorRole::systemRed : ui::ColorRole::systemOrange));
    compactRecordAll_->setToolTip(all ? QStringLiteral("Stop All") : QStringLiteral("Record All"));
}

double RecordView::compactRecordAllOpacity() const
{
    return blink_.opacity(env_.vm.isRecordingAll(), RecordBlink::dimNarrow);
}

QStringList RecordView::chipTexts() const
{
    return { reelChip_->text(), sceneChip_->text(), takeChip_->text() };
}

QString RecordView::checkedTimecodeEntry() const
{
    for (const QAction* action : timecodeMenu_->actions())
        if (action->isChecked())
            return action->text();
    return {};
}

} // namespace record_screen
