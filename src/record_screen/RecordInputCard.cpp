#include "record_screen/RecordInputCard.h"

#include "capture/RecordViewModel.h"
#include "record_screen/InputPreview.h"
#include "record_screen/RecordBlink.h"
#include "ui/BorderOverlay.h"
#include "ui/IconRegistry.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace record_screen {

namespace {

const ui::ThemeColor red { ui::ColorRole::systemRed };
const ui::ThemeColor orange { ui::ColorRole::systemOrange };
const ui::ThemeColor green { ui::ColorRole::systemGreen };

QFont tracked(QFont font, double spacing)
{
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return font;
}

ui::ButtonLabel fullLabel(const QString& icon, const QString& text, double iconPixels)
{
    ui::ButtonLabel label = ui::ButtonLabel::symbolAndText(icon, text, 4.0);
    label.iconFont = ui::AppTheme::systemFont(iconPixels, QFont::Bold);
    return label;
}

ui::ButtonLabel compactLabel(const QString& icon, double iconPixels)
{
    return ui::ButtonLabel::symbol(icon, ui::AppTheme::systemFont(iconPixels, QFont::Bold), QSizeF(24, 18));
}

ui::StyledButton* makeButton(QWidget* parent, const QString& name, ui::ButtonLabel label, ui::ThemeColor tint,
    bool compact, std::function<void()> action)
{
    auto* button = new ui::StyledButton(std::move(label), ui::PillButtonStyle(tint, false, compact), parent);
    button->setObjectName(name);
    QObject::connect(button, &QAbstractButton::clicked, parent, std::move(action));
    return button;
}

QWidget* row(QWidget* parent, const std::vector<QWidget*>& items)
{
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    for (QWidget* item : items) {
        item->setParent(box);
        layout->addWidget(item);
    }
    return box;
}

} // namespace

RecordInputCard::RecordInputCard(
    int index, capture::RecordViewModel& vm, RecordBlink& blink, std::function<void()> openSettings, QWidget* parent)
    : QWidget(parent)
    , index_(index)
    , vm_(vm)
    , blink_(blink)
    , openSettings_(std::move(openSettings))
{
    Q_ASSERT(index >= 0 && index < capture::kInputSlotCount);
    setObjectName(QStringLiteral("inputCard%1").arg(index));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(12, 12, 12, 12);
    stack->setSpacing(10);

    // Header: the input's number and its settings button above a faint divider.
    auto* header = new QVBoxLayout;
    header->setSpacing(6);
    auto* titleRow = new QHBoxLayout;
    title_ = new ui::ThemedLabel(QStringLiteral("INPUT %1").arg(index + 1),
        tracked(ui::AppTheme::systemFont(10, QFont::DemiBold), 1.5), ui::AppTheme::textTertiary, this);
    title_->setObjectName(QStringLiteral("title"));
    settingsButton_ = new QToolButton(this);
    settingsButton_->setObjectName(QStringLiteral("settingsButton"));
    settingsButton_->setAutoRaise(true);
    settingsButton_->setFocusPolicy(Qt::NoFocus);
    settingsButton_->setIcon(QIcon(ui::IconRegistry::pixmap(QStringLiteral("slider.horizontal.3"),
        ui::IconRegistry::symbolSize(ui::AppTheme::systemFont(11, QFont::Light)), ui::AppTheme::textTertiary.color(),
        devicePixelRatioF())));
    connect(settingsButton_, &QToolButton::clicked, this, [this] {
        if (openSettings_)
            openSettings_();
    });
    titleRow->addWidget(title_);
    titleRow->addStretch();
    titleRow->addWidget(settingsButton_);
    header->addLayout(titleRow);
    divider_ = new QWidget(this);
    divider_->setFixedHeight(1);
    header->addWidget(divider_);
    stack->addLayout(header);

    auto* timecodeRow = new QHBoxLayout;
    timecodeRow->setContentsMargins(2, 2, 2, 2);
    timecodeRow->setSpacing(6);
    timecodeTitle_ = new ui::ThemedLabel(
        QStringLiteral("TC"), ui::AppTheme::systemFont(9, QFont::Medium), ui::AppTheme::textTertiary, this);
    timecodeTitle_->setContentsMargins(0, 2, 0, 0);
    QFont timecodeFont = tracked(ui::AppTheme::fontMono(), 1.0);
    timecodeFont.setPixelSize(18);
    timecodeFont.setWeight(QFont::Light);
    timecode_ = new ui::ThemedLabel({}, timecodeFont, ui::AppTheme::textPrimary, this);
    timecode_->setObjectName(QStringLiteral("timecode"));
    // A narrow sidebar cuts the timecode short rather than growing the card past its column.
    timecode_->setMinimumWidth(1);
    timecodeRow->addWidget(timecodeTitle_);
    timecodeRow->addWidget(timecode_);
    timecodeRow->addStretch();
    stack->addLayout(timecodeRow);

    preview_ = new InputPreview(this);
    preview_->setObjectName(QStringLiteral("preview"));
    stack->addWidget(preview_);

    status_ = new ui::ThemedLabel({}, ui::AppTheme::systemFont(10), ui::AppTheme::textSecondary, this);
    status_->setObjectName(QStringLiteral("status"));
    format_ = new ui::ThemedLabel({}, ui::AppTheme::fontMono(), ui::AppTheme::textTertiary, this);
    format_->setObjectName(QStringLiteral("format"));
    for (QLabel* line : { static_cast<QLabel*>(status_), static_cast<QLabel*>(format_) }) {
        line->setWordWrap(false);
        line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        stack->addWidget(line);
    }

    auto start = [this] { vm_.startCapture(index_); };
    auto stop = [this] { stopCapture(vm_, index_); };
    auto toggle = [this] { vm_.toggleRecording(index_); };
    capture_ = makeButton(this, QStringLiteral("captureButton"), {}, green, true, start);
    stop_ = makeButton(this, QStringLiteral("stopButton"),
        fullLabel(QStringLiteral("stop.fill"), QStringLiteral("Stop"), 9), orange, true, stop);
    record_ = makeButton(this, QStringLiteral("recordButton"), {}, red, true, toggle);
    compactCapture_ = makeButton(this, QStringLiteral("compactCaptureButton"), {}, green, false, start);
    compactStop_ = makeButton(
        this, QStringLiteral("compactStopButton"), compactLabel(QStringLiteral("stop.fill"), 11), orange, false, stop);
    compactRecord_ = makeButton(this, QStringLiteral("compactRecordButton"), {}, red, false, toggle);
    stop_->setToolTip(QStringLiteral("Stop capture (cannot stop while recording)"));
    fullControls_ = row(this, { capture_, stop_, record_ });
    compactControls_ = row(this, { compactCapture_, compactStop_, compactRecord_ });
    // The labelled set must not hold the card wide: when it does not fit, the icon set stands in.
    fullControls_->setMinimumWidth(1);
    auto* controlsRow = new QHBoxLayout;
    controlsRow->addStretch();
    controlsRow->addSpacing(8);
    controlsRow->addWidget(fullControls_);
    controlsRow->addWidget(compactControls_);
    stack->addLayout(controlsRow);

    border_ = new ui::BorderOverlay(cornerRadius, ui::AppTheme::border, 0, this);

    const auto mine = [this](auto signal) {
        connect(&vm_, signal, this, [this](int slot) {
            if (slot == index_)
                refresh();
        });
    };
    mine(&capture::RecordViewModel::isCapturingFlagsChanged);
    mine(&capture::RecordViewModel::isRecordingFlagsChanged);
    mine(&capture::RecordViewModel::statusTextsChanged);
    mine(&capture::RecordViewModel::previewImagesChanged);
    mine(&capture::RecordViewModel::currentTimecodesChanged);
    mine(&capture::RecordViewModel::inputRefLockedChanged);
    mine(&capture::RecordViewModel::stableFPSLabelChanged);
    mine(&capture::RecordViewModel::incomingInfoTextChanged);
    mine(&capture::RecordViewModel::selectedFormatsChanged);
    connect(&blink_, &RecordBlink::ticked, this, [this] {
        if (isRecording())
            refreshRecordLabels();
    });
    connect(ui::AppTheme::notifier(), &ui::ThemeNotifier::appearanceChanged, this, [this] { update(); });
    refresh();
    chooseControls();
}

void RecordInputCard::stopCapture(capture::RecordViewModel& vm, int index)
{
    if (index < 0 || index >= capture::kInputSlotCount || !vm.isCapturingFlags()[index])
        return;
    vm.stopCaptureAllSources(index);
    vm.finalizeStopCaptureUI(index);
}

bool RecordInputCard::isCapturing() const
{
    return vm_.isCapturingFlags()[index_];
}
bool RecordInputCard::isRecording() const
{
    return vm_.isRecordingFlags()[index_];
}

ui::ThemeColor RecordInputCard::highlightColor() const
{
    if (isRecording())
        return red;
    if (isCapturing())
        return ui::AppTheme::accent;
    return ui::AppTheme::border;
}

double RecordInputCard::highlightWidth() const
{
    return isRecording() ? 1.5 : isCapturing() ? 1.0 : 0.0;
}

double RecordInputCard::recordLabelOpacity() const
{
    return blink_.opacity(isRecording(), compact_ ? RecordBlink::dimNarrow : RecordBlink::dimWide);
}

void RecordInputCard::refresh()
{
    const bool capturing = isCapturing();
    const bool recording = isRecording();
    timecode_->setText(vm_.currentTimecodes()[index_]);
    preview_->setFrame(vm_.previewImage(index_));
    preview_->setRefLocked(vm_.inputRefLocked()[index_]);
    const QString status = vm_.statusTexts()[index_];
    status_->setText(status);
    status_->setVisible(status != QStringLiteral("Idle"));
    format_->setText(vm_.captureFormatInfo(index_));

    capture_->setLabel(capturing ? fullLabel(QStringLiteral("dot.radiowaves.left.and.right"), QStringLiteral("Live"), 9)
                                 : fullLabel(QStringLiteral("play.fill"), QStringLiteral("Capture"), 9));
    capture_->setToolTip(
        capturing ? QStringLiteral("Currently capturing live input") : QStringLiteral("Start capturing from device"));
    compactCapture_->setLabel(
        compactLabel(capturing ? QStringLiteral("dot.radiowaves.left.and.right") : QStringLiteral("play.fill"), 11));
    record_->setToolTip(
        recording ? QStringLiteral("Stop recording") : QStringLiteral("Start recording (requires active capture)"));
    for (auto* button : { capture_, compactCapture_ }) {
        button->setButtonStyle(ui::PillButtonStyle(green, capturing, button == capture_));
        button->setEnabled(!capturing);
    }
    for (auto* button : { stop_, compactStop_ }) {
        button->setButtonStyle(ui::PillButtonStyle(orange, true, button == stop_));
        button->setEnabled(capturing && !recording);
    }
    for (auto* button : { record_, compactRecord_ }) {
        button->setButtonStyle(ui::PillButtonStyle(red, recording, button == record_));
        button->setEnabled(capturing);
    }
    refreshRecordLabels();
    border_->setStroke(highlightColor(), highlightWidth());
    chooseControls();
    update();
}

void RecordInputCard::refreshRecordLabels()
{
    const bool recording = isRecording();
    const QString icon = recording ? QStringLiteral("record.circle.fill") : QStringLiteral("record.circle");
    ui::ButtonLabel full = fullLabel(icon, recording ? QStringLiteral("REC") : QStringLiteral("Record"), 10);
    ui::ButtonLabel narrow = compactLabel(icon, 13);
    if (recording) {
        // Prominent while recording, so the label is white; the blink fades it.
        full.color = ui::ThemeColor(QColor(Qt::white)).opacity(blink_.opacity(true, RecordBlink::dimWide));
        narrow.color = ui::ThemeColor(QColor(Qt::white)).opacity(blink_.opacity(true, RecordBlink::dimNarrow));
    }
    record_->setLabel(full);
    compactRecord_->setLabel(narrow);
}

void RecordInputCard::chooseControls()
{
    // The labelled set when its natural width fits beside the spacer's minimum of 8.
    const int room = width() - 24 - 8;
    compact_ = fullControls_->sizeHint().width() > room;
    fullControls_->setVisible(!compact_);
    compactControls_->setVisible(compact_);
}

void RecordInputCard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    chooseControls();
}

void RecordInputCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, ui::AppTheme::surface2.color());
    painter.fillRect(divider_->geometry(), ui::AppTheme::textPrimary.opacity(0.12).color());
}

} // namespace record_screen
