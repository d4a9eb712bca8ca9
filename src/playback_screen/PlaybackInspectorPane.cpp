#include "playback_screen/PlaybackInspectorPane.h"

#include "capture/RecordViewModel.h"
#include "playback/PlaybackViewModel.h"
#include "playback_screen/InspectorValues.h"
#include "playback_screen/OutputControlCard.h"
#include "ui/AppTheme.h"
#include "ui/ThemedLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace playback_screen {

namespace {

QFont headline()
{
    return ui::AppTheme::systemFont(13, QFont::DemiBold);
}

QFont caption()
{
    return ui::AppTheme::systemFont(10);
}

// A hairline across the column.
class Divider final : public QWidget {
public:
    Divider()
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), ui::AppTheme::border.color());
    }
};

} // namespace

PlaybackInspectorPane::PlaybackInspectorPane(
    playback::PlaybackViewModel& vm, capture::RecordViewModel& record, QWidget* outputPreview, QWidget* parent)
    : QWidget(parent)
    , vm_(vm)
    , record_(record)
    , preview_(outputPreview)
{
    setObjectName(QStringLiteral("playbackInspectorPane"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 8);
    column->setSpacing(12);

    column->addWidget(new ui::ThemedLabel(QStringLiteral("Output Preview"), headline(), ui::AppTheme::textPrimary));
    caption_ = new ui::ThemedLabel(QString(), caption(), ui::AppTheme::textSecondary);
    caption_->setObjectName(QStringLiteral("sourceCaption"));
    caption_->setWordWrap(true);
    column->addWidget(caption_);
    preview_->setFixedHeight(previewHeight);
    preview_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    column->addWidget(preview_);
    column->addWidget(
        new ui::ThemedLabel(QStringLiteral("DeckLink / HDMI Out"), caption(), ui::AppTheme::textSecondary));

    card_ = new OutputControlCard;
    card_->setOnDeviceMenuOpening([this] { record_.refreshOutputDevices(); });
    column->addWidget(card_);
    column->addWidget(new Divider);
    column->addWidget(new ui::ThemedLabel(QStringLiteral("Clip Detail"), headline(), ui::AppTheme::textPrimary));

    for (const auto& [title, value] : clipDetailValues(std::nullopt)) {
        auto* row = new QHBoxLayout;
        auto* name = new ui::ThemedLabel(title, caption(), ui::AppTheme::textSecondary);
        name->setFixedWidth(infoTitleWidth);
        auto* shown = new ui::ThemedLabel(value, caption(), ui::AppTheme::textPrimary);
        shown->setObjectName(QStringLiteral("detail") + title);
        shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(name);
        row->addStretch(1);
        row->addWidget(shown);
        column->addLayout(row);
        values_.append(shown);
    }
    column->addStretch(1);
    column->addSpacing(8);

    const auto later = [this] { updates_.request(); };
    using PVM = playback::PlaybackViewModel;
    connect(&vm_, &PVM::selectedClipIDChanged, this, later);
    connect(&vm_, &PVM::secondaryClipIDChanged, this, later);
    connect(&vm_, &PVM::clipsChanged, this, later);
    connect(&vm_, &PVM::previewTakeChanged, this, later);
    connect(&vm_, &PVM::previewTakeClipIDsChanged, this, later);
    using RVM = capture::RecordViewModel;
    connect(&record_, &RVM::isOutputRequestedOnChanged, this, later);
    connect(&record_, &RVM::outputCleanFeedChanged, this, later);
    connect(&record_, &RVM::outputFormatChanged, this, later);
    connect(&record_, &RVM::outputColorModeChanged, this, later);
    connect(&record_, &RVM::outputDeviceNamesChanged, this, later);
    connect(&record_, &RVM::selectedOutputDeviceIndexChanged, this, later);
    for (auto signal : { &RVM::outputStatusTextChanged, &RVM::outputHDMIStatusTextChanged,
             &RVM::outputSourceColorTextChanged, &RVM::outputCadenceWarningTextChanged })
        connect(&record_, signal, this, later);
    refresh();
}

void PlaybackInspectorPane::setCenterMode(CenterMode mode)
{
    if (mode_ == mode)
        return;
    mode_ = mode;
    updates_.request();
}

QString PlaybackInspectorPane::captionText() const
{
    return caption_->text();
}

QStringList PlaybackInspectorPane::detailValues() const
{
    QStringList result;
    for (const ui::ThemedLabel* label : values_)
        result.append(label->text());
    return result;
}

void PlaybackInspectorPane::refresh()
{
    const std::optional<playback::ClipItem> current = vm_.currentClip();
    caption_->setText(
        inspectorCaption(mode_, vm_.isTakePreviewActive(), vm_.previewTake(), vm_.secondaryClip(), current));
    const auto details = clipDetailValues(current);
    for (qsizetype i = 0; i < values_.size() && i < details.size(); ++i)
        values_[i]->setText(details[i].second);

    capture::RecordViewModel& record = record_;
    card_->setState(OutputControlCard::State {
        record.isOutputRequestedOn(),
        record.outputStatusText(),
        record.outputHDMIStatusText(),
        record.outputSourceColorText(),
        record.outputCadenceWarningText(),
        [&record] { record.toggleOutput(); },
        record.outputDeviceNames(),
        { record.selectedOutputDeviceIndex(),
            [&record](const int& index) { record.setSelectedOutputDeviceIndex(index); } },
        { record.outputCleanFeed(), [&record](const bool& on) { record.setOutputCleanFeed(on); } },
        settings::displayName(record.outputFormat()),
        QString::fromUtf8(capture::displayName(record.outputColorMode())),
        capture::RecordViewModel::isHDR(record.outputColorMode()),
    });
}

} // namespace playback_screen
