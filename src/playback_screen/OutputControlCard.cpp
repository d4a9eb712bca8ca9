#include "playback_screen/OutputControlCard.h"

#include "ui/AppTheme.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"
#include "ui/SwitchButton.h"
#include "ui/ThemedLabel.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace playback_screen {

namespace {

QFont caption()
{
    return ui::AppTheme::systemFont(10);
}

ui::ButtonLabel toggleLabel(bool isOn)
{
    ui::ButtonLabel label
        = ui::ButtonLabel::symbolAndText(isOn ? QStringLiteral("stop.fill") : QStringLiteral("play.fill"),
            isOn ? QStringLiteral("Stop Output") : QStringLiteral("Start Output"), 7);
    label.iconFont = ui::AppTheme::systemFont(11, QFont::Bold);
    label.font = ui::AppTheme::systemFont(12, QFont::DemiBold);
    return label;
}

ui::PillButtonStyle toggleStyle(bool isOn)
{
    return ui::PillButtonStyle(
        ui::ThemeColor(isOn ? ui::ColorRole::systemRed : ui::ColorRole::systemBlue), true, false);
}

QFont indicatorFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(10);
    font.setWeight(QFont::DemiBold);
    return font;
}

ui::ThemedLabel* line(const QFont& font, ui::ThemeColor color, const QString& name)
{
    auto* label = new ui::ThemedLabel(QString(), font, color);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

} // namespace

void OutputDeviceMenu::showPopup()
{
    emit aboutToOpen();
    QComboBox::showPopup();
}

OutputControlCard::OutputControlCard(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("outputControlCard"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* controls = new QHBoxLayout;
    controls->setSpacing(10);
    toggle_ = new ui::StyledButton(toggleLabel(false), toggleStyle(false));
    toggle_->setObjectName(QStringLiteral("outputToggle"));
    connect(toggle_, &QAbstractButton::clicked, this, [this] {
        if (state_.onToggle)
            state_.onToggle();
    });
    indicator_ = new ui::ThemedLabel(QStringLiteral("○ OFF"), indicatorFont(), ui::AppTheme::textSecondary);
    indicator_->setObjectName(QStringLiteral("outputIndicator"));
    controls->addWidget(toggle_);
    controls->addStretch(1);
    controls->addWidget(indicator_);
    column->addLayout(controls);

    auto* note = line(caption(), ui::AppTheme::textSecondary, QStringLiteral("outputNote"));
    note->setText(QStringLiteral("Output follows Output Preview (right pane) only."));
    column->addWidget(note);

    devices_ = new OutputDeviceMenu;
    devices_->setObjectName(QStringLiteral("outputDeviceMenu"));
    devices_->setMinimumWidth(deviceMenuMinimumWidth);
    devices_->setFocusPolicy(Qt::NoFocus);
    devices_->setToolTip(QStringLiteral("Output Device"));
    connect(devices_, &OutputDeviceMenu::aboutToOpen, this, [this] {
        if (onMenuOpening_)
            onMenuOpening_();
    });
    connect(devices_, &QComboBox::activated, this, [this](int index) {
        if (state_.selectedDeviceIndex.write && index >= 0 && index < state_.deviceNames.size())
            state_.selectedDeviceIndex.write(index);
    });
    column->addWidget(devices_, 0, Qt::AlignLeft);

    noDevice_ = line(caption(), ui::ThemeColor(ui::ColorRole::systemOrange), QStringLiteral("noDeviceLine"));
    noDevice_->setText(QStringLiteral("No DeckLink output device found"));
    column->addWidget(noDevice_);

    cleanFeed_ = new ui::SwitchButton(QStringLiteral("Clean Feed"), caption(), ui::AppTheme::textSecondary);
    cleanFeed_->setObjectName(QStringLiteral("cleanFeedSwitch"));
    connect(cleanFeed_, &QAbstractButton::clicked, this, [this](bool on) {
        if (state_.outputCleanFeed.write)
            state_.outputCleanFeed.write(on);
    });
    column->addWidget(cleanFeed_, 0, Qt::AlignLeft);

    auto* formats = new QVBoxLayout;
    formats->setSpacing(4);
    format_ = line(caption(), ui::AppTheme::textSecondary, QStringLiteral("outputFormatLine"));
    color_ = line(caption(), ui::AppTheme::textSecondary, QStringLiteral("outputColorLine"));
    formats->addWidget(format_);
    formats->addWidget(color_);
    column->addLayout(formats);

    status_ = line(caption(), ui::AppTheme::textSecondary, QStringLiteral("outputStatusLine"));
    hdmi_ = line(caption(), ui::AppTheme::textSecondary, QStringLiteral("outputHDMILine"));
    sourceColor_ = line(caption(), ui::AppTheme::textSecondary, QStringLiteral("outputSourceColorLine"));
    cadence_ = line(caption(), ui::ThemeColor(ui::ColorRole::systemOrange), QStringLiteral("outputCadenceLine"));
    for (QWidget* widget : { status_, hdmi_, sourceColor_, cadence_ })
        column->addWidget(widget);

    setState({});
}

void OutputControlCard::setState(State state)
{
    state_ = std::move(state);
    toggle_->setLabel(toggleLabel(state_.isOn));
    toggle_->setButtonStyle(toggleStyle(state_.isOn));
    indicator_->setText(state_.isOn ? QStringLiteral("● ON") : QStringLiteral("○ OFF"));
    indicator_->setColor(state_.isOn ? ui::ThemeColor(ui::ColorRole::systemGreen) : ui::AppTheme::textSecondary);

    {
        const QSignalBlocker blocker(devices_);
        const QStringList items
            = state_.deviceNames.isEmpty() ? QStringList { QStringLiteral("Output Device") } : state_.deviceNames;
        bool same = devices_->count() == items.size();
        for (int i = 0; same && i < items.size(); ++i)
            same = devices_->itemText(i) == items[i];
        if (!same) {
            devices_->clear();
            devices_->addItems(items);
        }
        const int index = state_.deviceNames.isEmpty() ? 0 : state_.selectedDeviceIndex.value;
        devices_->setCurrentIndex(index >= 0 && index < items.size() ? index : -1);
    }
    noDevice_->setVisible(state_.deviceNames.isEmpty());
    // Only a click writes; `toggled` just moves the knob.
    cleanFeed_->setChecked(state_.outputCleanFeed.value);
    format_->setText(QStringLiteral("Output Format: ") + state_.outputFormatDisplay);
    color_->setText(QStringLiteral("Output Color: ") + state_.outputColorDisplay);
    const std::pair<ui::ThemedLabel*, const QString*> lines[]
        = { { status_, &state_.statusText }, { hdmi_, &state_.hdmiStatusText },
              { sourceColor_, &state_.sourceColorText }, { cadence_, &state_.cadenceWarningText } };
    for (const auto& [label, text] : lines) {
        label->setText(*text);
        label->setVisible(!text->isEmpty());
    }
}

} // namespace playback_screen
