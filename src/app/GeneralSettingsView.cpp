#include "app/GeneralSettingsView.h"

#include "capture/RecordViewModel.h"
#include "settings/AppSettings.h"
#include "ui/AppCard.h"
#include "ui/AppTheme.h"
#include "ui/DialogService.h"
#include "ui/SegmentedPillControl.h"
#include "ui/ThemedLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <functional>
#include <utility>
#include <vector>

namespace app {

namespace {

using settings::AppSettings;

QFont headlineFont()
{
    return ui::AppTheme::systemFont(13, QFont::Bold);
}
QFont captionFont()
{
    return ui::AppTheme::systemFont(10);
}

ui::ThemedLabel* secondaryText(const QString& text, const QFont& font = captionFont())
{
    auto* label = new ui::ThemedLabel(text, font, ui::AppTheme::textSecondary);
    label->setWordWrap(true);
    return label;
}

// A card: its heading, then `rows`, `spacing` apart, 12 points inside the card's surface.
QWidget* card(const QString& heading, int spacing, const std::vector<QWidget*>& rows, const QString& name)
{
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(spacing);
    column->addWidget(new ui::ThemedLabel(heading, headlineFont(), ui::AppTheme::textPrimary));
    for (QWidget* row : rows)
        column->addWidget(row);
    auto* result = ui::appCard(content, false);
    result->setObjectName(name);
    return result;
}

// A labelled menu picker in a row of its own.
QWidget* labelled(const QString& title, QWidget* control)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new ui::ThemedLabel(title, ui::AppTheme::systemFont(13), ui::AppTheme::textPrimary));
    layout->addWidget(control);
    layout->addStretch(1);
    return row;
}

template <class E> using Options = std::vector<std::pair<E, QString>>;

template <class E> Options<E> enumOptions(bool (*keep)(E) = nullptr)
{
    Options<E> options;
    for (E value : settings::allCases<E>()) {
        if (!keep || keep(value))
            options.emplace_back(value, settings::displayName(value));
    }
    return options;
}

// A menu picker over `options`: the user's choice is written through `write` (on activation
// only); `changed` of `source` brings the model's value back without writing anything.
template <class E, class Source, class Signal>
QComboBox* picker(const QString& name, Options<E> options, std::function<E()> read, std::function<void(E)> write,
    Source* source, Signal changed)
{
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setFocusPolicy(Qt::NoFocus);
    for (const auto& option : options)
        combo->addItem(option.second);
    auto refresh = [combo, options, read] {
        const QSignalBlocker blocker(combo);
        const E value = read();
        for (std::size_t i = 0; i < options.size(); ++i) {
            if (options[i].first == value)
                combo->setCurrentIndex(int(i));
        }
    };
    refresh();
    QObject::connect(source, changed, combo, refresh);
    QObject::connect(combo, &QComboBox::activated, combo, [options, write](int index) {
        if (index >= 0 && std::size_t(index) < options.size())
            write(options[std::size_t(index)].first);
    });
    return combo;
}

} // namespace

GeneralSettingsView::GeneralSettingsView(Environment environment, QWidget* parent)
    : QWidget(parent)
    , env_(environment)
{
    setObjectName(QStringLiteral("generalSettings"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(14);

    column->addWidget(new ui::ThemedLabel(
        QStringLiteral("General"), ui::AppTheme::systemFont(17, QFont::Bold), ui::AppTheme::textPrimary));
    column->addWidget(appearanceCard());
    column->addWidget(locationCard());
    column->addWidget(formatCard());
    column->addWidget(projectCard());

    auto* follow = new QCheckBox(QStringLiteral("HDMI Out Follow Preview"));
    follow->setObjectName(QStringLiteral("hdmiFollowToggle"));
    follow->setFocusPolicy(Qt::NoFocus);
    auto refreshFollow = [this, follow] {
        const QSignalBlocker blocker(follow);
        follow->setChecked(env_.settings.hdmiOutFollowsPreview());
    };
    refreshFollow();
    connect(&env_.settings, &AppSettings::hdmiOutFollowsPreviewChanged, follow, refreshFollow);
    connect(follow, &QCheckBox::clicked, this, [this](bool on) { env_.settings.setHdmiOutFollowsPreview(on); });
    column->addWidget(follow);

    column->addWidget(explanationCard());
    column->addWidget(pairingCard());

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    auto* dividerBox = new QVBoxLayout;
    dividerBox->setContentsMargins(0, 4, 0, 4);
    dividerBox->addWidget(divider);
    column->addLayout(dividerBox);
    column->addStretch(1);
}

QWidget* GeneralSettingsView::appearanceCard()
{
    std::vector<ui::SegmentedPillControl::Option> options;
    for (auto mode : settings::allCases<settings::AppearanceMode>())
        options.push_back({ QVariant::fromValue(int(mode)), settings::displayName(mode), std::nullopt });
    auto* pills = new ui::SegmentedPillControl(options, QVariant::fromValue(int(env_.settings.appearanceMode())));
    pills->setObjectName(QStringLiteral("appearancePicker"));
    connect(&env_.settings, &AppSettings::appearanceModeChanged, pills,
        [pills](settings::AppearanceMode mode) { pills->setSelection(QVariant::fromValue(int(mode))); });
    connect(pills, &ui::SegmentedPillControl::activated, this,
        [this](const QVariant& value) { env_.settings.setAppearanceMode(settings::AppearanceMode(value.toInt())); });
    return card(QStringLiteral("Appearance"), 6, { pills }, QStringLiteral("appearanceCard"));
}

QWidget* GeneralSettingsView::locationCard()
{
    auto* path = secondaryText(env_.recordVM.outputPathDisplay());
    path->setObjectName(QStringLiteral("recordingFolderPath"));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long paths wrap to two lines at most and never widen the window.
    path->setMaximumHeight(2 * QFontMetrics(path->font()).lineSpacing() + 2);
    path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(&env_.recordVM, &capture::RecordViewModel::outputPathDisplayChanged, path,
        [path](const QString& text) { path->setText(text); });

    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto* choose = new QPushButton(QStringLiteral("Choose…"));
    choose->setObjectName(QStringLiteral("chooseFolderButton"));
    auto* reset = new QPushButton(QStringLiteral("Reset to Default"));
    reset->setObjectName(QStringLiteral("resetFolderButton"));
    for (auto* button : { choose, reset }) {
        button->setFocusPolicy(Qt::NoFocus);
        row->addWidget(button);
    }
    row->addStretch(1);
    connect(choose, &QPushButton::clicked, this, &GeneralSettingsView::chooseRecordingFolder);
    connect(reset, &QPushButton::clicked, this, &GeneralSettingsView::resetRecordingFolder);
    return card(QStringLiteral("Recording Location"), 8, { path, buttons }, QStringLiteral("locationCard"));
}

QWidget* GeneralSettingsView::formatCard()
{
    auto& s = env_.settings;
    auto* codec = picker<settings::RecordingCodec>(
        QStringLiteral("codecPicker"), enumOptions<settings::RecordingCodec>(), [&s] { return s.recordingCodec(); },
        [&s](settings::RecordingCodec v) { s.setRecordingCodec(v); }, &s, &AppSettings::recordingCodecChanged);
    bitrate_ = picker<settings::RecordingBitrate>(
        QStringLiteral("bitratePicker"), enumOptions<settings::RecordingBitrate>(),
        [&s] { return s.recordingBitrate(); }, [&s](settings::RecordingBitrate v) { s.setRecordingBitrate(v); }, &s,
        &AppSettings::recordingBitrateChanged);
    bitrateNote_ = secondaryText(QString());
    bitrateNote_->setObjectName(QStringLiteral("bitrateNote"));
    auto* fps = picker<settings::RecordingFPSMode>(
        QStringLiteral("fpsPicker"), enumOptions<settings::RecordingFPSMode>(), [&s] { return s.recordingFPSMode(); },
        [&s](settings::RecordingFPSMode v) { s.setRecordingFPSMode(v); }, &s, &AppSettings::recordingFPSModeChanged);
    refreshCodecDependents();
    connect(&s, &AppSettings::recordingCodecChanged, this, &GeneralSettingsView::refreshCodecDependents);
    return card(QStringLiteral("Recording Format"), 8,
        { labelled(QStringLiteral("Codec"), codec), labelled(QStringLiteral("Bitrate"), bitrate_), bitrateNote_,
            labelled(QStringLiteral("Record FPS"), fps) },
        QStringLiteral("formatCard"));
}

QWidget* GeneralSettingsView::projectCard()
{
    auto& s = env_.settings;
    auto* format = picker<settings::CaptureFormat>(
        QStringLiteral("projectFormatPicker"), enumOptions<settings::CaptureFormat>([](settings::CaptureFormat f) {
            return f != settings::CaptureFormat::auto_;
        }),
        [&s] { return s.projectFormat(); }, [&s](settings::CaptureFormat v) { s.setProjectFormat(v); }, &s,
        &AppSettings::projectFormatChanged);
    auto* color = picker<settings::ProjectOutputColorMode>(
        QStringLiteral("outputColorPicker"), enumOptions<settings::ProjectOutputColorMode>(),
        [&s] { return s.projectOutputColorMode(); },
        [&s](settings::ProjectOutputColorMode v) { s.setProjectOutputColorMode(v); }, &s,
        &AppSettings::projectOutputColorModeChanged);

    using Nits = capture::HDRMasteringNits;
    Options<Nits> levels;
    for (Nits nits : { Nits::n100, Nits::n500, Nits::n1000, Nits::n2000, Nits::n4000 })
        levels.emplace_back(nits, QStringLiteral("%1 nits").arg(int(nits)));
    auto& engine = env_.recordVM;
    auto* nits = picker<Nits>(
        QStringLiteral("hdrPicker"), levels, [&engine] { return engine.outputHDRMasteringNits(); },
        [&engine](Nits v) { engine.setOutputHDRMasteringNits(v); }, &engine,
        &capture::RecordViewModel::outputHDRMasteringNitsChanged);
    nits->setMaximumWidth(120);
    hdrRow_ = new QWidget;
    hdrRow_->setObjectName(QStringLiteral("hdrRow"));
    auto* row = new QHBoxLayout(hdrRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(secondaryText(QStringLiteral("HDR Mastering")));
    row->addWidget(nits);
    row->addStretch(1);
    refreshHDRRow();
    connect(&s, &AppSettings::projectOutputColorModeChanged, this, &GeneralSettingsView::refreshHDRRow);

    return card(QStringLiteral("Project Format"), 8,
        { labelled(QStringLiteral("Project Format"), format), labelled(QStringLiteral("Output Color Space"), color),
            hdrRow_,
            secondaryText(QStringLiteral("All inputs must match Project Format and Output Color Space. If not, the "
                                         "app will warn immediately.")) },
        QStringLiteral("projectCard"));
}

QWidget* GeneralSettingsView::explanationCard()
{
    return card(QStringLiteral("Explanation"), 8,
        { secondaryText(QStringLiteral("• ON: HDMI Out shows the Preview continuously (scrub / mark / seek follows)\n"
                                       "• OFF: HDMI Out updates only when playback starts (Play / Play In–Out)")) },
        QStringLiteral("explanationCard"));
}

QWidget* GeneralSettingsView::pairingCard()
{
    auto* code = new ui::ThemedLabel(env_.settings.pairingCode(), QFont(), ui::AppTheme::textPrimary);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(28);
    mono.setBold(true);
    code->setFont(mono);
    code->setObjectName(QStringLiteral("pairingCode"));
    code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(
        &env_.settings, &AppSettings::pairingCodeChanged, code, [code](const QString& value) { code->setText(value); });
    auto* regenerate = new QPushButton(QStringLiteral("Regenerate"));
    regenerate->setObjectName(QStringLiteral("regenerateButton"));
    regenerate->setFocusPolicy(Qt::NoFocus);
    connect(regenerate, &QPushButton::clicked, this, [this] { env_.settings.regeneratePairingCode(); });
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(code);
    row->addWidget(regenerate);
    row->addStretch(1);
    return card(QStringLiteral("Remote Control Pairing"), 8,
        { secondaryText(QStringLiteral("Enter this code in CorvaleControl to connect.")), line },
        QStringLiteral("pairingCard"));
}

void GeneralSettingsView::refreshCodecDependents()
{
    const bool proRes = settings::isProRes(env_.settings.recordingCodec());
    bitrate_->setEnabled(!proRes);
    bitrateNote_->setText(proRes ? QStringLiteral("Bitrate is ignored for ProRes.")
                                 : QStringLiteral("Bitrate applies to H.264 / HEVC only."));
}

void GeneralSettingsView::refreshHDRRow()
{
    hdrRow_->setVisible(settings::isHDR(env_.settings.projectOutputColorMode()));
}

void GeneralSettingsView::chooseRecordingFolder()
{
    const auto current = env_.recordVM.outputFolderURL();
    ui::OpenPanelRequest request;
    request.title = QStringLiteral("Choose Recording Folder");
    request.directory = (current ? *current : env_.recordVM.defaultRecordingFolder()).toLocalFile();
    request.chooseDirectories = true;
    request.allowsMultipleSelection = false;
    // The answer may come after this pane is gone: it only touches the long-lived shared objects.
    auto& s = env_.settings;
    auto& engine = env_.recordVM;
    env_.dialogs.showOpenPanel(this, request, [&s, &engine](const QStringList& paths) {
        if (paths.isEmpty())
            return;
        const QString path = paths.first();
        // No security-scoped bookmarks here: the folder is kept by its path, any old bookmark goes.
        s.setRecordingFolderBookmarkData(std::nullopt);
        s.setRecordingFolderPath(path);
        engine.setOutputFolderURL(QUrl::fromLocalFile(path));
    });
}

void GeneralSettingsView::resetRecordingFolder()
{
    env_.settings.setRecordingFolderPath(std::nullopt);
    env_.settings.setRecordingFolderBookmarkData(std::nullopt);
    env_.recordVM.setOutputFolderURL(std::nullopt);
}

} // namespace app
