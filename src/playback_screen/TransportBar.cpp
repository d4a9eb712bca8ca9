#include "playback_screen/TransportBar.h"

#include "playback/PlaybackViewModel.h"
#include "playback_screen/ExternalPlaybackWindowController.h"
#include "playback_screen/PlaybackView.h"
#include "ui/AppTheme.h"
#include "ui/HoverTooltip.h"
#include "ui/HoverTooltipModifier.h"
#include "ui/IconRegistry.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <map>

namespace playback_screen {

namespace {

const ui::ThemeColor markTint(ui::ColorRole::systemRed);
const ui::ThemeColor inOutTint(ui::ColorRole::systemOrange);
// The platform's secondary colour for pills that are neither marks nor the main action.
const ui::ThemeColor quietTint = ui::AppTheme::textSecondary;

// A short vertical divider between the pill groups.
class GroupDivider final : public QWidget {
public:
    GroupDivider()
    {
        setObjectName(QStringLiteral("transportSeparator"));
        setFixedSize(1, 18);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), ui::AppTheme::border.opacity(0.4).color());
    }
};

// The two mark times, each after its symbol, framed; texts elide when the row is clipped.
class MarkReadout final : public QWidget {
public:
    explicit MarkReadout(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("markReadout"));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    void setTexts(const QString& in, const QString& out)
    {
        if (in == in_ && out == out_)
            return;
        in_ = in;
        out_ = out;
        updateGeometry();
        update();
    }
    const QString& inText() const { return in_; }
    const QString& outText() const { return out_; }

    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(font());
        const double symbol = ui::IconRegistry::symbolSize(font()).width();
        const double width = 2 * (symbol + 5) + metrics.horizontalAdvance(in_) + metrics.horizontalAdvance(out_) + 12;
        return QSizeF(width + 20, metrics.height() + 12).toSize();
    }
    QSize minimumSizeHint() const override { return { 0, sizeHint().height() }; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(frame, 8, 8);
        painter.fillPath(path, ui::AppTheme::surface.opacity(0.55).color());
        painter.setPen(QPen(ui::AppTheme::border.opacity(0.8).color(), 1));
        painter.drawPath(path);

        const QColor colour = ui::AppTheme::textSecondary.color();
        const QFontMetricsF metrics(font());
        const QSizeF symbol = ui::IconRegistry::symbolSize(font());
        // Each pair gets half the inner width; a pair that does not fit elides its time.
        const double inner = width() - 20.0;
        const double pairWidth = (inner - 12) / 2;
        double x = 10;
        painter.setPen(colour);
        for (const auto& [icon, text] : { std::pair { QStringLiteral("square.lefthalf.filled"), in_ },
                 std::pair { QStringLiteral("square.righthalf.filled"), out_ } }) {
            const double y = (height() - symbol.height()) / 2;
            ui::IconRegistry::paint(painter, icon, QRectF(QPointF(x, y), symbol), colour);
            const double textWidth = std::max(pairWidth - symbol.width() - 5, 0.0);
            const QString shown = metrics.elidedText(text, Qt::ElideRight, textWidth);
            painter.drawText(
                QRectF(x + symbol.width() + 5, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
            x += pairWidth + 12;
        }
    }

private:
    QString in_;
    QString out_;
};

} // namespace

TransportBar::TransportBar(PlaybackView& screen, QWidget* parent)
    : QWidget(parent)
    , screen_(screen)
{
    setObjectName(QStringLiteral("transportBar"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(rowSpacing);

    group_ = new QWidget(this);
    group_->setObjectName(QStringLiteral("transportGroup"));
    auto* layout = new QHBoxLayout(group_);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(groupSpacing);
    row->addWidget(group_);
    row->addStretch(1);
    readout_ = new MarkReadout(this);
    readout_->setFont(ui::AppTheme::monospacedDigitFont(10));
    row->addWidget(readout_);

    playback::PlaybackViewModel& vm = screen_.models().vm;
    connect(addButton("openFilesButton", QStringLiteral("folder.fill"), tr("Open Files")), &QAbstractButton::clicked,
        &vm, [&vm] { vm.openFiles(); });
    playPause_ = addButton("playPauseButton", QStringLiteral("play.fill"), tr("Play"));
    connect(playPause_, &QAbstractButton::clicked, &vm, [&vm] { vm.togglePlayPause(); });
    connect(addButton("externalWindowButton", QStringLiteral("pip.enter"), tr("Open in External Window")),
        &QAbstractButton::clicked, this, [this] {
            const PlaybackScreenModels& m = screen_.models();
            ExternalPlaybackWindowController::shared().show(m.vm, m.settings, m.scheduler);
        });
    layout->addWidget(new GroupDivider);
    markIn_ = addButton("markInButton", QStringLiteral("square.lefthalf.filled"), tr("Mark In  (I)"));
    connect(markIn_, &QAbstractButton::clicked, &vm, [&vm] { vm.setMarkIn(); });
    markOut_ = addButton("markOutButton", QStringLiteral("square.righthalf.filled"), tr("Mark Out  (O)"));
    connect(markOut_, &QAbstractButton::clicked, &vm, [&vm] { vm.setMarkOut(); });
    playInOut_ = addButton("playInOutButton", QStringLiteral("play.rectangle.fill"), tr("Play In–Out Selection"));
    connect(playInOut_, &QAbstractButton::clicked, &vm, [&vm] { vm.playInToOut(); });
    loop_ = addButton("loopButton", QStringLiteral("repeat"), tr("Loop In–Out"));
    connect(loop_, &QAbstractButton::clicked, &vm, [&vm] { vm.setLoopInOut(!vm.loopInOut()); });
    layout->addWidget(new GroupDivider);
    jumpIn_ = addButton("jumpInButton", QStringLiteral("arrowshape.backward.fill"), tr("Jump to Mark In"));
    connect(jumpIn_, &QAbstractButton::clicked, &vm, [&vm] {
        if (vm.markIn())
            vm.seek(*vm.markIn(), true);
    });
    jumpOut_ = addButton("jumpOutButton", QStringLiteral("arrowshape.forward.fill"), tr("Jump to Mark Out"));
    connect(jumpOut_, &QAbstractButton::clicked, &vm, [&vm] {
        if (vm.markOut())
            vm.seek(*vm.markOut(), true);
    });
    connect(addButton("clearMarksButton", QStringLiteral("eraser.fill"), tr("Clear All Marks")),
        &QAbstractButton::clicked, &vm, [&vm] { vm.clearMarks(); });

    connect(&vm, &playback::PlaybackViewModel::isPlayingChanged, this, [this] { updates_.request(); });
    connect(&vm, &playback::PlaybackViewModel::markInChanged, this, [this] { updates_.request(); });
    connect(&vm, &playback::PlaybackViewModel::markOutChanged, this, [this] { updates_.request(); });
    connect(&vm, &playback::PlaybackViewModel::loopInOutChanged, this, [this] { updates_.request(); });
    refresh();
}

ui::StyledButton* TransportBar::addButton(const char* name, const QString& icon, const QString& tooltip)
{
    // Tints follow the order of the row; the state-dependent ones are set again by refresh().
    static const std::map<QString, std::pair<ui::ThemeColor, bool>> looks {
        { QStringLiteral("openFilesButton"), { ui::AppTheme::accent, false } },
        { QStringLiteral("playPauseButton"), { ui::AppTheme::accent, true } },
        { QStringLiteral("externalWindowButton"), { quietTint, false } },
        { QStringLiteral("markInButton"), { markTint, false } },
        { QStringLiteral("markOutButton"), { markTint, false } },
        { QStringLiteral("playInOutButton"), { inOutTint, false } },
        { QStringLiteral("loopButton"), { inOutTint, false } },
        { QStringLiteral("jumpInButton"), { quietTint, false } },
        { QStringLiteral("jumpOutButton"), { quietTint, false } },
        { QStringLiteral("clearMarksButton"), { markTint, false } },
    };
    const auto& [tint, prominent] = looks.at(QString::fromLatin1(name));
    auto* button
        = new ui::StyledButton(ui::ButtonLabel::symbol(icon, ui::AppTheme::systemFont(iconSize, QFont::DemiBold),
                                   QSizeF(iconFrameWidth, iconFrameHeight)),
            ui::PillButtonStyle(tint, prominent, true), group_);
    button->setObjectName(QString::fromLatin1(name));
    ui::hoverTooltip(button, tooltip, 0.2, screen_.models().scheduler);
    group_->layout()->addWidget(button);
    return button;
}

void TransportBar::apply()
{
    const playback::PlaybackViewModel& vm = screen_.models().vm;
    const auto setProminent = [](ui::StyledButton* button, ui::ThemeColor tint, bool prominent) {
        const auto& style = static_cast<const ui::PillButtonStyle&>(button->buttonStyle());
        if (style.isProminent != prominent)
            button->setButtonStyle(ui::PillButtonStyle(tint, prominent, true));
    };
    const bool playing = vm.isPlaying();
    ui::ButtonLabel label = playPause_->label();
    label.icon = playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill");
    playPause_->setLabel(label);
    ui::hoverTooltip(playPause_, playing ? tr("Pause") : tr("Play"), 0.2, screen_.models().scheduler);
    setProminent(markIn_, markTint, vm.markIn().has_value());
    setProminent(markOut_, markTint, vm.markOut().has_value());
    setProminent(loop_, inOutTint, vm.loopInOut());
    ui::hoverTooltip(
        loop_, vm.loopInOut() ? tr("Loop On — Click to Disable") : tr("Loop In–Out"), 0.2, screen_.models().scheduler);
    playInOut_->setEnabled(vm.markIn() && vm.markOut());
    jumpIn_->setEnabled(vm.markIn().has_value());
    jumpOut_->setEnabled(vm.markOut().has_value());
    static_cast<MarkReadout*>(readout_)->setTexts(playback::PlaybackViewModel::formattedTime(vm.markIn()),
        playback::PlaybackViewModel::formattedTime(vm.markOut()));
}

QString TransportBar::markInText() const
{
    return static_cast<MarkReadout*>(readout_)->inText();
}

QString TransportBar::markOutText() const
{
    return static_cast<MarkReadout*>(readout_)->outText();
}

} // namespace playback_screen
