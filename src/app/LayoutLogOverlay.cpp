#include "app/LayoutLogOverlay.h"

#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "ui/AppTheme.h"
#include "ui/ButtonLabel.h"
#include "ui/LayoutLogger.h"
#include "ui/ThemedLabel.h"
#include "ui/ValueAnimator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace app {

namespace {

constexpr double presenceSeconds = 0.3;

ui::ThemeColor role(ui::ColorRole r)
{
    return ui::ThemeColor(r);
}

// A borderless button that draws only its label (symbol and text) in its colour.
class PlainButton final : public QAbstractButton {
public:
    PlainButton(const QString& name, QWidget* parent = nullptr)
        : QAbstractButton(parent)
    {
        setObjectName(name);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
    }

    void setLabel(ui::ButtonLabel label, const QFont& font, ui::ThemeColor color)
    {
        label_ = std::move(label);
        setText(label_.text);
        font_ = font;
        color_ = color;
        updateGeometry();
        update();
    }
    const ui::ButtonLabel& label() const { return label_; }
    ui::ThemeColor color() const { return color_; }

    QSize sizeHint() const override { return label_.sizeFor(font_).toSize() + QSize(2, 2); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        label_.paint(painter, QRectF(rect()), font_, color_.color());
    }

private:
    ui::ButtonLabel label_;
    QFont font_;
    ui::ThemeColor color_ { ui::ColorRole::textSecondary };
};

QFont monoFont(double size, QFont::Weight weight = QFont::Normal)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(int(size));
    font.setWeight(weight);
    return font;
}

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    return line;
}

// The header's strip on the separator colour.
class HeaderStrip final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), ui::ThemeColor(ui::ColorRole::separator).opacity(0.3).color());
    }
};

} // namespace

LayoutLogOverlay::LayoutLogOverlay(Environment environment, QWidget* parent)
    : QWidget(parent)
    , env_(environment)
{
    setObjectName(QStringLiteral("layoutLogOverlay"));
    setFixedWidth(panelWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new HeaderStrip;
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(10, 8, 10, 8);
    headerRow->setSpacing(8);
    headerRow->addWidget(new ui::ThemedLabel(
        QStringLiteral("Layout Log"), ui::AppTheme::systemFont(11, QFont::Bold), ui::AppTheme::textPrimary));
    headerRow->addStretch(1);
    auto* close = new PlainButton(QStringLiteral("layoutLogClose"));
    close->setLabel(ui::ButtonLabel::symbol(QStringLiteral("xmark.circle.fill"), ui::AppTheme::systemFont(12)),
        ui::AppTheme::systemFont(12), ui::AppTheme::textSecondary);
    closeButton_ = close;
    resetButton_ = new PlainButton(QStringLiteral("layoutLogReset"));
    auto* clear = new PlainButton(QStringLiteral("layoutLogClear"));
    clear->setLabel(ui::ButtonLabel::symbol(QStringLiteral("trash"), ui::AppTheme::systemFont(10)),
        ui::AppTheme::systemFont(10), ui::AppTheme::textSecondary);
    clearButton_ = clear;
    copyButton_ = new PlainButton(QStringLiteral("layoutLogCopy"));
    for (auto* button : { closeButton_, resetButton_, clearButton_, copyButton_ })
        headerRow->addWidget(button);
    column->addWidget(header);
    column->addWidget(divider());

    hint_ = new ui::ThemedLabel(
        QStringLiteral("ขยับ divider เพื่อ log ขนาด pane"), ui::AppTheme::systemFont(10), ui::AppTheme::textSecondary);
    hint_->setObjectName(QStringLiteral("layoutLogHint"));
    hint_->setContentsMargins(10, 10, 10, 10);
    column->addWidget(hint_);

    rows_ = new QWidget;
    rows_->setAutoFillBackground(false);
    auto* rowsLayout = new QVBoxLayout(rows_);
    rowsLayout->setContentsMargins(8, 8, 8, 8);
    rowsLayout->setSpacing(3);
    list_ = new QScrollArea;
    list_->setObjectName(QStringLiteral("layoutLogList"));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setWidgetResizable(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setWidget(rows_);
    list_->viewport()->setAutoFillBackground(false);
    column->addWidget(list_);

    column->addWidget(divider());
    auto* footer = new ui::ThemedLabel(
        QStringLiteral("📁 ~/Desktop/Corvale_layout.log"), ui::AppTheme::systemFont(9), ui::AppTheme::textTertiary);
    footer->setContentsMargins(10, 5, 10, 5);
    column->addWidget(footer);

    connect(closeButton_, &QAbstractButton::clicked, this, [this] { setShown(false); });
    connect(clearButton_, &QAbstractButton::clicked, this, &LayoutLogOverlay::clear);
    connect(copyButton_, &QAbstractButton::clicked, this, &LayoutLogOverlay::copy);
    connect(resetButton_, &QAbstractButton::clicked, this, &LayoutLogOverlay::resetLayout);
    connect(&env_.logger, &ui::LayoutLogger::entriesChanged, this, &LayoutLogOverlay::rebuildRows);

    auto* opacity = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(opacity);
    presence_ = new ui::ValueAnimator(
        0.0,
        [this, opacity](double progress) {
            opacity->setOpacity(progress);
            place();
            if (progress <= 0.0 && !shown_)
                hide();
        },
        this);
    opacity->setOpacity(0.0);

    refreshCaptions();
    rebuildRows();
    parent->installEventFilter(this);
    hide();
}

LayoutLogOverlay::~LayoutLogOverlay()
{
    for (auto timer : timers_)
        env_.scheduler.cancel(timer);
}

void LayoutLogOverlay::setShown(bool shown)
{
    if (shown == shown_)
        return;
    shown_ = shown;
    if (shown) {
        show();
        raise();
    }
    presence_->animateTo(shown ? 1.0 : 0.0, presenceSeconds, ui::ValueAnimator::easeOut());
}

void LayoutLogOverlay::copy()
{
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(env_.logger.logSummary());
    raiseFlagFor(copied_, copiedSeconds);
}

void LayoutLogOverlay::clear()
{
    env_.logger.clearEntries();
}

void LayoutLogOverlay::resetLayout()
{
    env_.logger.resetSplitViewCache();
    raiseFlagFor(resetDone_, resetSeconds);
    env_.notifications.post(QString::fromLatin1(resetSplitViewsNotification));
}

void LayoutLogOverlay::raiseFlagFor(bool& flag, double seconds)
{
    flag = true;
    refreshCaptions();
    const auto id = std::make_shared<std::uint64_t>(0);
    *id = env_.scheduler.once(seconds, [this, &flag, id] {
        std::erase(timers_, *id);
        flag = false;
        refreshCaptions();
    });
    timers_.push_back(*id);
}

void LayoutLogOverlay::refreshCaptions()
{
    const QFont font = ui::AppTheme::systemFont(10, QFont::DemiBold);
    const auto green = role(ui::ColorRole::systemGreen);
    static_cast<PlainButton*>(resetButton_)
        ->setLabel(resetDone_
                ? ui::ButtonLabel::symbolAndText(QStringLiteral("checkmark.circle.fill"), QStringLiteral("Reset!"), 4)
                : ui::ButtonLabel::symbolAndText(
                    QStringLiteral("arrow.counterclockwise"), QStringLiteral("Reset Layout"), 4),
            font, resetDone_ ? green : role(ui::ColorRole::systemOrange));
    static_cast<PlainButton*>(copyButton_)
        ->setLabel(copied_ ? ui::ButtonLabel::symbolAndText(QStringLiteral("checkmark"), QStringLiteral("Copied!"), 4)
                           : ui::ButtonLabel::symbolAndText(QStringLiteral("doc.on.doc"), QStringLiteral("Copy"), 4),
            font, copied_ ? green : ui::AppTheme::accent);
}

void LayoutLogOverlay::rebuildRows()
{
    auto* layout = rows_->layout();
    while (auto* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const auto& entries = env_.logger.entries();
    hint_->setVisible(entries.isEmpty());
    list_->setVisible(!entries.isEmpty());
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        auto* row = new QWidget;
        row->setObjectName(QStringLiteral("layoutLogRow"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(6);
        line->addWidget(new ui::ThemedLabel(it->time, monoFont(10), ui::AppTheme::textSecondary), 0, Qt::AlignTop);
        line->addWidget(
            new ui::ThemedLabel(it->label, monoFont(10, QFont::Medium), ui::AppTheme::textPrimary), 0, Qt::AlignTop);
        line->addStretch(1);
        if (it->width && *it->width >= 1)
            line->addWidget(new ui::ThemedLabel(
                                QStringLiteral("W:%1").arg(*it->width), monoFont(10), role(ui::ColorRole::systemBlue)),
                0, Qt::AlignTop);
        if (it->height && *it->height >= 1)
            line->addWidget(new ui::ThemedLabel(QStringLiteral("H:%1").arg(*it->height), monoFont(10),
                                role(ui::ColorRole::systemGreen)),
                0, Qt::AlignTop);
        layout->addWidget(row);
        // Counted by the layout before the panel is next shown.
        row->setVisible(true);
    }
    rows_->adjustSize();
    list_->setFixedHeight(std::min(rows_->sizeHint().height(), maximumListHeight));
    adjustSize();
    place();
}

QStringList LayoutLogOverlay::rowTexts() const
{
    QStringList texts;
    for (auto* row : rows_->findChildren<QWidget*>(QStringLiteral("layoutLogRow"), Qt::FindDirectChildrenOnly)) {
        QStringList parts;
        for (auto* label : row->findChildren<QLabel*>())
            parts << label->text();
        texts << parts.join(QStringLiteral(" | "));
    }
    return texts;
}

void LayoutLogOverlay::place()
{
    QWidget* host = parentWidget();
    if (!host)
        return;
    const double progress = presence_ ? presence_->value() : 0.0;
    const int slide = int((1.0 - progress) * (panelWidth + margin));
    const int height = sizeHint().height();
    setGeometry(host->width() - margin - panelWidth + slide, host->height() - margin - height, panelWidth, height);
}

bool LayoutLogOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return false;
}

void LayoutLogOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 12, 12);
    painter.fillPath(shape, ui::AppTheme::bg.opacity(0.96).color());
    painter.setPen(QPen(QColor(255, 255, 255, int(255 * 0.08)), 0.5));
    painter.drawPath(shape);
}

} // namespace app
