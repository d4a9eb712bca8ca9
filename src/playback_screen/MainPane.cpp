#include "playback_screen/MainPane.h"

#include "playback_screen/PictureArea.h"
#include "playback_screen/PlaybackView.h"
#include "playback_screen/TimelineView.h"
#include "playback_screen/TransportBar.h"
#include "ui/AppTheme.h"
#include "ui/HoverTooltip.h"
#include "ui/IconRegistry.h"
#include "ui/PillButtonStyle.h"
#include "ui/SegmentedPillControl.h"
#include "ui/StyledButton.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace playback_screen {

namespace {

// The project title with a folder symbol, on one line, elided when the header is short of room.
class TitleChip final : public QWidget {
public:
    explicit TitleChip(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("projectTitleChip"));
        setFont(ui::AppTheme::systemFont(10));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void setText(const QString& text)
    {
        if (text == text_)
            return;
        text_ = text;
        setToolTip(QString());
        updateGeometry();
        update();
    }
    const QString& text() const { return text_; }
    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(font());
        const double symbol = ui::IconRegistry::symbolSize(font()).width();
        return QSizeF(8 + symbol + 6 + metrics.horizontalAdvance(text_) + 8, metrics.height() + 8).toSize();
    }
    QSize minimumSizeHint() const override { return { 40, sizeHint().height() }; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(path, ui::AppTheme::surface.opacity(0.7).color());
        const QColor colour = ui::AppTheme::textSecondary.color();
        const QSizeF symbol = ui::IconRegistry::symbolSize(font());
        ui::IconRegistry::paint(
            painter, QStringLiteral("folder"), QRectF(QPointF(8, (height() - symbol.height()) / 2), symbol), colour);
        const QRectF textRect(8 + symbol.width() + 6, 0, std::max(width() - 8 - symbol.width() - 6 - 8, 0.0), height());
        painter.setPen(colour);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(font()).elidedText(text_, Qt::ElideRight, textRect.width()));
    }

private:
    QString text_;
};

// The standard horizontal divider: one line in the separator colour.
class HairlineDivider final : public QWidget {
public:
    explicit HairlineDivider(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("transportDivider"));
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), ui::ThemeColor(ui::ColorRole::separator).color());
    }
};

ui::StyledButton* headerButton(QWidget* parent, const char* name, const QString& icon, ui::ThemeColor tint)
{
    auto* button = new ui::StyledButton(ui::ButtonLabel::symbol(icon, ui::AppTheme::systemFont(12, QFont::Medium)),
        ui::PillButtonStyle(tint, false, true), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

} // namespace

MainPane::MainPane(PlaybackView& screen, QWidget* parent)
    : QWidget(parent)
    , screen_(screen)
{
    setObjectName(QStringLiteral("playbackMainPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->addWidget(buildHeader());
    picture_ = new PictureArea(screen_, false, this);
    picture_->setMinimumHeight(pictureMinimumHeight);
    layout->addWidget(picture_, 1);
    timeline_ = new TimelineView(screen_.models().vm, this);
    layout->addWidget(timeline_);
    divider_ = new HairlineDivider(this);
    layout->addWidget(divider_);
    transport_ = new TransportBar(screen_, this);
    layout->addWidget(transport_);

    connect(&screen_, &PlaybackView::centerModeChanged, this, &MainPane::refresh);
    connect(&screen_, &PlaybackView::showTransportUIChanged, this, &MainPane::refresh);
    connect(&screen_, &PlaybackView::hideHUDChanged, this, &MainPane::refresh);
    connect(&screen_, &PlaybackView::projectTitleChanged, this, &MainPane::refresh);
    refresh();
}

QWidget* MainPane::buildHeader()
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("playbackHeader"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);

    std::vector<ui::SegmentedPillControl::Option> options;
    for (const CenterMode mode : settings::allCases<CenterMode>())
        options.push_back({ QVariant::fromValue(static_cast<int>(mode)), settings::displayName(mode),
            mode == CenterMode::playback ? QStringLiteral("play.fill")
                                         : QStringLiteral("dot.radiowaves.left.and.right") });
    modeSwitch_ = new ui::SegmentedPillControl(options, static_cast<int>(screen_.centerMode()), header);
    modeSwitch_->setObjectName(QStringLiteral("centerModeSwitch"));
    modeSwitch_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(modeSwitch_, &ui::SegmentedPillControl::activated, this,
        [this](const QVariant& value) { screen_.setCenterMode(static_cast<CenterMode>(value.toInt())); });
    row->addWidget(modeSwitch_);

    platform::Scheduler& scheduler = screen_.models().scheduler;
    auto* library
        = headerButton(header, "projectLibraryButton", QStringLiteral("books.vertical"), ui::AppTheme::accent);
    ui::hoverTooltip(library, tr("Project Library"), 0.2, scheduler);
    connect(library, &QAbstractButton::clicked, this, [this] { screen_.openProjectLibrary(); });
    row->addWidget(library);

    timelineToggle_
        = headerButton(header, "timelineToggle", QStringLiteral("timeline.selection"), ui::AppTheme::accent);
    connect(timelineToggle_, &QAbstractButton::clicked, this,
        [this] { screen_.setShowTransportUI(!screen_.showTransportUI()); });
    row->addWidget(timelineToggle_);

    hudToggle_ = headerButton(header, "hudToggle", QStringLiteral("eye"), ui::AppTheme::textSecondary);
    connect(hudToggle_, &QAbstractButton::clicked, this, [this] { screen_.setHideHUD(!screen_.hideHUD()); });
    row->addWidget(hudToggle_);

    row->addStretch(1);
    titleChip_ = new TitleChip(header);
    row->addWidget(titleChip_, 0, Qt::AlignVCenter);
    return header;
}

void MainPane::refresh()
{
    const bool transport = screen_.showTransportUI();
    const bool playback = screen_.centerMode() == CenterMode::playback;
    platform::Scheduler& scheduler = screen_.models().scheduler;

    modeSwitch_->setSelection(static_cast<int>(screen_.centerMode()));
    timelineToggle_->setLabel(ui::ButtonLabel::symbol(
        transport ? QStringLiteral("timeline.selection") : QStringLiteral("rectangle.bottomthird.inset"),
        ui::AppTheme::systemFont(12, QFont::Medium)));
    timelineToggle_->setButtonStyle(
        ui::PillButtonStyle(transport ? ui::AppTheme::accent : ui::AppTheme::textSecondary, transport, true));
    ui::hoverTooltip(timelineToggle_, transport ? tr("Hide Timeline") : tr("Show Timeline"), 0.2, scheduler);
    timelineToggle_->setEnabled(playback);

    hudToggle_->setLabel(
        ui::ButtonLabel::symbol(screen_.hideHUD() ? QStringLiteral("eye.slash") : QStringLiteral("eye"),
            ui::AppTheme::systemFont(12, QFont::Medium)));
    ui::hoverTooltip(hudToggle_, screen_.hideHUD() ? tr("Show HUD Overlay") : tr("Hide HUD Overlay"), 0.2, scheduler);

    static_cast<TitleChip*>(titleChip_)->setText(screen_.projectTitleText());

    const bool bottom = playback && transport;
    timeline_->setVisible(bottom);
    divider_->setVisible(bottom);
    transport_->setVisible(bottom);
}

} // namespace playback_screen
