#include "record_screen/RecordView.h"

#include "capture/RecordViewModel.h"
#include "record_screen/RecordInputCard.h"
#include "record_screen/RecordInputSettingsView.h"
#include "record_screen/SystemPerformanceWidget.h"
#include "settings/AppSettings.h"
#include "settings/RecordSidebarState.h"
#include "ui/AppCard.h"
#include "ui/DialogService.h"
#include "ui/HoverTooltip.h"
#include "ui/PillButtonStyle.h"
#include "ui/RecordPillButtonStyle.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace record_screen {

namespace {

ui::StyledButton* headerButton(QWidget* parent, const QString& name, const QString& icon, QFont::Weight weight,
    ui::ThemeColor tint, const QString& tooltip, platform::Scheduler& scheduler)
{
    auto* button = new ui::StyledButton(
        ui::ButtonLabel::symbol(icon, ui::AppTheme::systemFont(12, weight)), ui::PillButtonStyle(tint), parent);
    button->setObjectName(name);
    ui::hoverTooltip(button, tooltip, 0.2, scheduler);
    return button;
}

QWidget* slateField(QWidget* parent, const QString& title, QLineEdit* field)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(new ui::ThemedLabel(title, ui::AppTheme::systemFont(10), ui::AppTheme::textSecondary, box));
    field->setParent(box);
    field->setFixedWidth(60);
    layout->addWidget(field);
    return box;
}

} // namespace

RecordView::RecordView(Environment environment, QWidget* parent)
    : QStackedWidget(parent)
    , env_(std::move(environment))
    , blink_(env_.scheduler, env_.wallClock)
{
    expanded_ = buildExpanded();
    addWidget(expanded_);
    collapsed_ = buildCollapsed();
    addWidget(collapsed_);
    connect(&env_.sidebar, &settings::RecordSidebarState::isCollapsedChanged, this, &RecordView::applyCollapsed);
    auto& vm = env_.vm;
    connect(&vm, &capture::RecordViewModel::activeInputCountChanged, this, &RecordView::refreshInputs);
    connect(&vm, &capture::RecordViewModel::reelChanged, this, &RecordView::refreshSlate);
    connect(&vm, &capture::RecordViewModel::sceneChanged, this, &RecordView::refreshSlate);
    connect(&vm, &capture::RecordViewModel::takeChanged, this, &RecordView::refreshSlate);
    connect(&vm, &capture::RecordViewModel::isRecordingAllChanged, this, &RecordView::refreshRecordAll);
    connect(&vm, &capture::RecordViewModel::isRecordingAllChanged, this, &RecordView::refreshPerformance);
    connect(&vm, &capture::RecordViewModel::isRecordingFlagsChanged, this, &RecordView::refreshPerformance);
    connect(&blink_, &RecordBlink::ticked, this, [this] {
        if (env_.vm.isRecordingAll())
            refreshRecordAll();
    });
    connect(&vm, &capture::RecordViewModel::showResumeSameTakeAlertChanged, this, &RecordView::askResumeSameTake);
    connect(
        &vm, &capture::RecordViewModel::showProjectFormatAlertChanged, this, &RecordView::tellProjectFormatMismatch);
    auto summary = [this] { summary_->setText(recordingSummaryText(env_.settings)); };
    connect(&env_.settings, &settings::AppSettings::recordingCodecChanged, this, summary);
    connect(&env_.settings, &settings::AppSettings::recordingBitrateChanged, this, summary);
    connect(&env_.settings, &settings::AppSettings::recordingFPSModeChanged, this, summary);
    connect(&env_.settings, &settings::AppSettings::timecodeModeChanged, this, &RecordView::refreshTimecodeMode);
    summary();
    refreshInputs();
    refreshSlate();
    refreshRecordAll();
    refreshTimecodeMode();
    applyCollapsed();
    askResumeSameTake();
    tellProjectFormatMismatch();
}

RecordView::~RecordView()
{
    // The sheet's close would clear the index of a view being destroyed.
    delete sheet_;
    // A field that loses focus while the view goes would commit into a half-destroyed view.
    for (QLineEdit* field : { reel_, scene_, take_ })
        field->disconnect(this);
}

QWidget* RecordView::buildExpanded()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("expandedSidebar"));
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(14, 14, 14, 14);
    stack->setSpacing(10);

    auto* header = new QWidget;
    auto* headerStack = new QVBoxLayout(header);
    headerStack->setContentsMargins(12, 12, 12, 12);
    headerStack->setSpacing(10);

    const ui::ThemeColor secondary = ui::AppTheme::textSecondary;
    auto* titleRow = new QHBoxLayout;
    collapseButton_ = headerButton(header, QStringLiteral("collapseButton"), QStringLiteral("sidebar.leading"),
        QFont::Medium, secondary, QStringLiteral("Collapse Sidebar"), env_.scheduler);
    connect(collapseButton_, &QAbstractButton::clicked, this,
        [this] { env_.sidebar.setCollapsed(!env_.sidebar.isCollapsed()); });
    addButton_ = headerButton(header, QStringLiteral("addButton"), QStringLiteral("plus"), QFont::DemiBold,
        ui::AppTheme::accent, QStringLiteral("Add Input (max %1)").arg(maxInputCount), env_.scheduler);
    connect(addButton_, &QAbstractButton::clicked, this, [this] { env_.vm.addSource(); });
    removeButton_ = headerButton(header, QStringLiteral("removeButton"), QStringLiteral("minus"), QFont::DemiBold,
        secondary, QStringLiteral("Remove Last Input"), env_.scheduler);
    connect(removeButton_, &QAbstractButton::clicked, this, [this] { env_.vm.removeInput(); });
    titleRow->addWidget(collapseButton_);
    titleRow->addWidget(new ui::ThemedLabel(
        QStringLiteral("INPUT / RECORD"), ui::AppTheme::fontSectionHeader(), ui::AppTheme::textSecondary, header));
    titleRow->addStretch();
    titleRow->addWidget(addButton_);
    titleRow->addWidget(removeButton_);
    headerStack->addLayout(titleRow);

    auto* slateRow = new QHBoxLayout;
    slateRow->setSpacing(10);
    reel_ = new QLineEdit;
    reel_->setObjectName(QStringLiteral("reelField"));
    scene_ = new QLineEdit;
    scene_->setObjectName(QStringLiteral("sceneField"));
    take_ = new QLineEdit;
    take_->setObjectName(QStringLiteral("takeField"));
    connect(reel_, &QLineEdit::editingFinished, this, [this] { env_.vm.setReel(reel_->text()); });
    connect(scene_, &QLineEdit::editingFinished, this, [this] { env_.vm.setScene(scene_->text()); });
    connect(take_, &QLineEdit::editingFinished, this, &RecordView::commitTake);
    slateRow->addWidget(slateField(header, QStringLiteral("Reel"), reel_));
    slateRow->addWidget(slateField(header, QStringLiteral("Scene"), scene_));
    slateRow->addWidget(slateField(header, QStringLiteral("Take"), take_));
    slateRow->addStretch();
    counter_ = new ui::ThemedLabel({}, ui::AppTheme::monospacedDigitFont(10), ui::AppTheme::textSecondary, header);
    counter_->setObjectName(QStringLiteral("inputCounter"));
    counter_->setContentsMargins(8, 6, 8, 6);
    slateRow->addWidget(counter_);
    headerStack->addLayout(slateRow);

    auto* timecodeRow = new QHBoxLayout;
    timecodeRow->addWidget(new ui::ThemedLabel(
        QStringLiteral("Timecode"), ui::AppTheme::systemFont(12), ui::AppTheme::textPrimary, header));
    timecodeMode_ = new QComboBox(header);
    timecodeMode_->setObjectName(QStringLiteral("timecodeMode"));
    for (const settings::TimecodeMode mode : settings::allCases<settings::TimecodeMode>())
        timecodeMode_->addItem(settings::displayName(mode), static_cast<int>(mode));
    connect(timecodeMode_, &QComboBox::activated, this, [this](int row) {
        env_.settings.setTimecodeMode(static_cast<settings::TimecodeMode>(timecodeMode_->itemData(row).toInt()));
    });
    timecodeRow->addWidget(timecodeMode_);
    auto* timecodeBox = new QWidget(header);
    timecodeBox->setFixedWidth(180);
    timecodeRow->setContentsMargins(0, 0, 0, 0);
    timecodeBox->setLayout(timecodeRow);
    headerStack->addWidget(timecodeBox);

    recordAll_ = new ui::StyledButton({}, ui::RecordPillButtonStyle(ui::ColorRole::systemOrange), header);
    recordAll_->setObjectName(QStringLiteral("recordAllButton"));
    recordAll_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(recordAll_, &QAbstractButton::clicked, this, &RecordView::toggleRecordAll);
    headerStack->addWidget(recordAll_);

    summary_ = new ui::ThemedLabel({}, ui::AppTheme::fontMono(), ui::AppTheme::textTertiary, header);
    summary_->setObjectName(QStringLiteral("recordingSummary"));
    headerStack->addWidget(summary_);
    stack->addWidget(ui::appCard(header, false));

    auto* scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* list = new QWidget;
    cardList_ = new QVBoxLayout(list);
    cardList_->setContentsMargins(0, 6, 4, 0);
    cardList_->setSpacing(14);
    cardList_->addStretch();
    scroll->setWidget(list);
    stack->addWidget(scroll, 1);
    return page;
}

QString RecordView::recordingSummaryText(const settings::AppSettings& settings)
{
    const QString codec = settings::displayName(settings.recordingCodec());
    const QString fps = settings::displayName(settings.recordingFPSMode());
    if (settings::isProRes(settings.recordingCodec()))
        return QStringLiteral("Record: %1 | FPS: %2").arg(codec, fps);
    return QStringLiteral("Record: %1 | %2 | FPS: %3")
        .arg(codec, settings::displayName(settings.recordingBitrate()), fps);
}

bool RecordView::isAnyRecording() const
{
    if (env_.vm.isRecordingAll())
        return true;
    for (int i = 0; i < env_.vm.activeInputCount() && i < capture::kInputSlotCount; ++i)
        if (env_.vm.isRecordingFlags()[i])
            return true;
    return false;
}

double RecordView::recordAllOpacity() const
{
    return blink_.opacity(env_.vm.isRecordingAll(), RecordBlink::dimWide);
}

void RecordView::refreshInputs()
{
    const int count = std::clamp(env_.vm.activeInputCount(), 0, capture::kInputSlotCount);
    while (static_cast<int>(cards_.size()) > count) {
        delete cards_.back();
        cards_.pop_back();
    }
    while (static_cast<int>(cards_.size()) < count) {
        const int index = static_cast<int>(cards_.size());
        auto* card = new RecordInputCard(index, env_.vm, blink_, [this, index] { openSettings(index); });
        cardList_->insertWidget(index, card);
        cards_.push_back(card);
    }
    addButton_->setEnabled(count < maxInputCount);
    removeButton_->setEnabled(count > 1);
    counter_->setText(QStringLiteral("%1/%2").arg(count).arg(maxInputCount));
    closeSettingsOfRemovedInput();
    refreshPerformance();
}

RecordInputSettingsView* RecordView::settingsSheet() const
{
    return sheet_;
}

void RecordView::openSettings(int index)
{
    if (index < 0 || index >= std::min(env_.vm.activeInputCount(), capture::kInputSlotCount))
        return;
    delete sheet_;
    settingsInputIndex_ = index;
    auto* sheet = new RecordInputSettingsView(env_.vm, index, this);
    sheet_ = sheet;
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (sheet_ == sheet)
            settingsInputIndex_.reset();
        sheet->deleteLater();
    });
    sheet->open();
}

void RecordView::closeSettingsOfRemovedInput()
{
    // A sheet of an input that is gone would edit a slot nobody sees: it closes with the input.
    if (settingsInputIndex_ && *settingsInputIndex_ >= env_.vm.activeInputCount()) {
        if (sheet_)
            sheet_->reject();
        settingsInputIndex_.reset();
    }
}

void RecordView::refreshPerformance()
{
    if (performance_)
        performance_->setInputs(env_.vm.activeInputCount(), maxInputCount, isAnyRecording());
    refreshCollapsed();
}

void RecordView::applyCollapsed()
{
    const bool collapsed = env_.sidebar.isCollapsed();
    // Only the shown layout counts towards the view's minimum, so the pane can narrow to the column.
    (collapsed ? expanded_ : collapsed_)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    (collapsed ? collapsed_ : expanded_)->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setCurrentWidget(collapsed ? collapsed_ : expanded_);
    updateGeometry();
    // The card and its monitor exist only while expanded: a new one starts sampling from zero.
    if (collapsed) {
        delete performance_;
        performance_ = nullptr;
    } else if (!performance_) {
        performance_ = new SystemPerformanceWidget(
            env_.vm.activeInputCount(), maxInputCount, isAnyRecording(), nullptr, cardList_->parentWidget());
        cardList_->insertWidget(static_cast<int>(cards_.size()), performance_);
    }
    refreshCollapsed();
}

void RecordView::refreshSlate()
{
    const QSignalBlocker reelBlock(reel_), sceneBlock(scene_), takeBlock(take_);
    reel_->setText(env_.vm.reel());
    scene_->setText(env_.vm.scene());
    take_->setText(QString::number(env_.vm.take()));
    refreshCollapsed();
}

void RecordView::commitTake()
{
    // Whole numbers from 0 up; anything else goes back to the engine's take.
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    const QString text = take_->text().trimmed();
    bool ok = digits.match(text).hasMatch();
    const qlonglong value = ok ? text.toLongLong(&ok) : 0;
    if (ok)
        env_.vm.setTake(value);
    refreshSlate();
}

void RecordView::refreshTimecodeMode()
{
    const QSignalBlocker block(timecodeMode_);
    timecodeMode_->setCurrentIndex(timecodeMode_->findData(static_cast<int>(env_.settings.timecodeMode())));
    refreshCollapsed();
}

void RecordView::refreshRecordAll()
{
    const bool all = env_.vm.isRecordingAll();
    ui::ButtonLabel label
        = ui::ButtonLabel::symbolAndText(all ? QStringLiteral("stop.fill") : QStringLiteral("record.circle.fill"),
            all ? QStringLiteral("STOP ALL") : QStringLiteral("RECORD ALL"), 7.0);
    QFont font = ui::AppTheme::systemFont(12, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    label.font = font;
    label.iconFont = ui::AppTheme::systemFont(13, QFont::Bold);
    label.color = ui::ThemeColor(QColor(Qt::white)).opacity(recordAllOpacity());
    recordAll_->setLabel(label);
    recordAll_->setButtonStyle(ui::RecordPillButtonStyle(all ? ui::ColorRole::systemRed : ui::ColorRole::systemOrange));
    refreshCollapsed();
}

void RecordView::toggleRecordAll()
{
    if (env_.vm.isRecordingAll())
        env_.vm.stopRecordingAll();
    else
        env_.vm.startRecordingAll();
}

void RecordView::askResumeSameTake()
{
    if (!env_.vm.showResumeSameTakeAlert() || resumeAlertShown_)
        return;
    resumeAlertShown_ = true;
    ui::AlertRequest request { QStringLiteral("Resume Same Take?"), env_.vm.resumeSameTakeAlertMessage(),
        { { QStringLiteral("Cancel"), ui::AlertButton::Role::cancel }, { QStringLiteral("Confirm") } } };
    QPointer<RecordView> self(this);
    env_.dialogs.showAlert(this, request, [self](int button) {
        if (!self)
            return;
        self->resumeAlertShown_ = false;
        if (button == 1)
            self->env_.vm.confirmResumeSameTake();
        // Closing writes the flag back, also after a Confirm that found nothing pending.
        if (self->env_.vm.showResumeSameTakeAlert())
            self->env_.vm.cancelResumeSameTake();
    });
}

void RecordView::tellProjectFormatMismatch()
{
    if (!env_.vm.showProjectFormatAlert() || formatAlertShown_)
        return;
    formatAlertShown_ = true;
    ui::AlertRequest request { QStringLiteral("Project Format Mismatch"), env_.vm.projectFormatAlertMessage(),
        { { QStringLiteral("OK"), ui::AlertButton::Role::cancel } } };
    QPointer<RecordView> self(this);
    env_.dialogs.showAlert(this, request, [self](int) {
        if (!self)
            return;
        self->formatAlertShown_ = false;
        self->env_.vm.setShowProjectFormatAlert(false);
    });
}

} // namespace record_screen
