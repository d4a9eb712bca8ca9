#include "record_screen/RecordInputSettingsView.h"

#include "capture/RecordViewModel.h"
#include "ui/AppCard.h"
#include "ui/AppWindowChrome.h"
#include "ui/BorderOverlay.h"
#include "ui/ThemedLabel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace record_screen {

RecordInputSettingsView::RecordInputSettingsView(capture::RecordViewModel& vm, int inputIndex, QWidget* parent)
    : QDialog(parent)
    , vm_(vm)
    , inputIndex_(inputIndex)
{
    Q_ASSERT(inputIndex >= 0 && inputIndex < capture::kInputSlotCount);
    const QString title = QStringLiteral("Input %1 Settings").arg(inputIndex + 1);
    setObjectName(QStringLiteral("inputSettingsSheet"));
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);

    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(14, 14, 14, 14);
    stack->setSpacing(12);
    stack->addWidget(new ui::ThemedLabel(title, ui::AppTheme::systemFont(15, QFont::Bold), ui::AppTheme::textPrimary));

    auto* form = new QWidget;
    form->setMinimumHeight(120);
    auto* formLayout = new QVBoxLayout(form);
    formLayout->setContentsMargins(0, 0, 0, 0);
    picker_ = new QComboBox(form);
    picker_->setObjectName(QStringLiteral("sourceDevice"));
    // The label is for assistive tools only: the sheet's title already says what the picker is for.
    picker_->setAccessibleName(QStringLiteral("Source Device"));
    formLayout->addWidget(picker_);
    formLayout->addStretch();
    stack->addWidget(form);

    auto* row = new QHBoxLayout;
    row->addStretch();
    done_ = new QPushButton(QStringLiteral("Done"));
    done_->setObjectName(QStringLiteral("doneButton"));
    done_->setDefault(true);
    row->addWidget(done_);
    stack->addLayout(row);

    card_ = ui::appCard(content, false);
    frame_ = new ui::BorderOverlay(frameRadius, ui::AppTheme::border, 1, card_);
    auto* padded = new QWidget;
    auto* paddedLayout = new QVBoxLayout(padded);
    paddedLayout->setContentsMargins(12, 12, 12, 12);
    paddedLayout->addWidget(card_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(ui::appWindowChrome(padded));

    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    connect(picker_, &QComboBox::activated, this, &RecordInputSettingsView::choose);
    connect(&vm_, &capture::RecordViewModel::avDevicesChanged, this, &RecordInputSettingsView::refreshDevices);
    const auto mine = [this](auto signal, void (RecordInputSettingsView::*refresh)()) {
        connect(&vm_, signal, this, [this, refresh](int slot) {
            if (slot == inputIndex_)
                (this->*refresh)();
        });
    };
    mine(&capture::RecordViewModel::selectedAVDeviceIDsChanged, &RecordInputSettingsView::refreshDevices);
    mine(&capture::RecordViewModel::isCapturingFlagsChanged, &RecordInputSettingsView::refreshState);
    mine(&capture::RecordViewModel::isRecordingFlagsChanged, &RecordInputSettingsView::refreshState);
    connect(ui::AppTheme::notifier(), &ui::ThemeNotifier::appearanceChanged, this, [this] { frame_->update(); });
    refreshDevices();
    refreshState();
}

bool RecordInputSettingsView::isCapturing() const
{
    return vm_.isCapturingFlags()[inputIndex_];
}

bool RecordInputSettingsView::isRecording() const
{
    return vm_.isRecordingFlags()[inputIndex_];
}

QString RecordInputSettingsView::shownDeviceID() const
{
    if (const auto& stored = vm_.selectedAVDeviceIDs()[inputIndex_])
        return *stored;
    if (!vm_.avDevices().empty())
        return QString::fromStdString(vm_.avDevices().front().uniqueID);
    return {};
}

ui::ThemeColor RecordInputSettingsView::frameColor() const
{
    if (isRecording())
        return ui::ThemeColor(ui::ColorRole::systemRed);
    if (isCapturing())
        return ui::AppTheme::accent;
    return ui::AppTheme::border;
}

double RecordInputSettingsView::frameWidth() const
{
    return isRecording() ? 3.0 : isCapturing() ? 2.0 : 1.0;
}

void RecordInputSettingsView::refreshDevices()
{
    const QSignalBlocker block(picker_);
    picker_->clear();
    if (vm_.avDevices().empty())
        picker_->addItem(QStringLiteral("No device available"), QString());
    for (const auto& camera : vm_.avDevices())
        picker_->addItem(QString::fromStdString(camera.localizedName), QString::fromStdString(camera.uniqueID));
    // A stored camera that is no longer connected matches no entry; the picker then shows none.
    picker_->setCurrentIndex(picker_->findData(shownDeviceID()));
}

void RecordInputSettingsView::refreshState()
{
    const bool active = isCapturing() || isRecording();
    card_->setActive(active);
    frame_->setStroke(frameColor(), frameWidth());
}

void RecordInputSettingsView::choose(int row)
{
    // The placeholder entry of an empty list is not a camera: storing "none" and switching the
    // input to a camera it does not have would only turn a working card input into a dead one.
    const QString id = picker_->itemData(row).toString();
    if (id.isEmpty()) {
        refreshDevices();
        return;
    }
    vm_.setSelectedAVDeviceID(inputIndex_, id);
    vm_.setCaptureSource(inputIndex_, capture::CaptureSourceKind::avFoundation);
    // The engine may refuse (while recording): show what it kept.
    refreshDevices();
}

void RecordInputSettingsView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    vm_.refreshAVDevices();
}

} // namespace record_screen
