#include "record_screen/SystemPerformanceWidget.h"

#include "record_screen/PerformanceFigures.h"
#include "ui/IconRegistry.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <utility>

namespace record_screen {

SystemPerformanceWidget::SystemPerformanceWidget(int activeInputCount, int maxInputCount, bool isRecording,
    std::unique_ptr<SystemPerformanceMonitor> monitor, QWidget* parent)
    : QWidget(parent)
    , activeInputCount_(activeInputCount)
    , maxInputCount_(maxInputCount)
    , isRecording_(isRecording)
    , monitor_(monitor ? std::move(monitor) : std::make_unique<SystemPerformanceMonitor>())
{
    setObjectName(QStringLiteral("performanceWidget"));
    setMinimumHeight(sizeHint().height());
    connect(monitor_.get(), &SystemPerformanceMonitor::snapshotChanged, this, qOverload<>(&QWidget::update));
    connect(ui::AppTheme::notifier(), &ui::ThemeNotifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void SystemPerformanceWidget::setInputs(int activeInputCount, int maxInputCount, bool isRecording)
{
    activeInputCount_ = activeInputCount;
    maxInputCount_ = maxInputCount;
    isRecording_ = isRecording;
    update();
}

QString SystemPerformanceWidget::statusText() const
{
    return QStringLiteral("Inputs %1/%2").arg(activeInputCount_).arg(maxInputCount_);
}

ui::ThemeColor SystemPerformanceWidget::dotColor() const
{
    return isRecording_ ? ui::ThemeColor(ui::ColorRole::systemRed) : ui::AppTheme::accent;
}

std::vector<SystemPerformanceWidget::Figure> SystemPerformanceWidget::figures() const
{
    const SystemPerformanceSnapshot& s = monitor_->snapshot();
    const double memory = s.systemMemoryUsedRatio * 100.0;
    const double disk = s.diskUsedRatio * 100.0;
    auto bar = [](double ratio) { return std::clamp(ratio, 0.0, 1.0); };
    return {
        { QStringLiteral("App CPU"), formatPercent(s.appCPUPercent), std::nullopt,
            colorForPercent(s.appCPUPercent, 55, 80) },
        { QStringLiteral("App RAM"), formatBytesMBGB(s.appMemoryBytes), std::nullopt, ui::AppTheme::systemCyan },
        { QStringLiteral("Disk Free"), formatBytesMBGB(s.diskFreeBytes), std::nullopt, ui::AppTheme::systemMint },
        { QStringLiteral("System CPU"), formatPercent(s.systemCPUPercent), bar(s.systemCPUPercent / 100.0),
            colorForPercent(s.systemCPUPercent, 70, 90) },
        { QStringLiteral("Memory Used"), formatPercent(memory), bar(s.systemMemoryUsedRatio),
            colorForPercent(memory, 70, 88) },
        { QStringLiteral("Disk Used"), formatPercent(disk), bar(s.diskUsedRatio), colorForPercent(disk, 82, 92) },
    };
}

void SystemPerformanceWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(card.topLeft(), card.bottomRight());
    fill.setColorAt(0, ui::AppTheme::surface2.color());
    fill.setColorAt(1, ui::AppTheme::surface2.opacity(0.9).color());
    QPainterPath shape;
    shape.addRoundedRect(card, 14, 14);
    p.fillPath(shape, fill);
    p.setPen(QPen(ui::AppTheme::border.color(), 1));
    p.drawPath(shape);

    const QRectF inner = QRectF(rect()).adjusted(12, 12, -12, -12);
    const QColor primary = ui::AppTheme::textPrimary.color();
    const QColor secondary = ui::AppTheme::textSecondary.color();
    const QFont caption2 = ui::AppTheme::systemFont(10);
    const QFont bold = ui::AppTheme::systemFont(12, QFont::Bold);

    // Header: the title with its symbol, and the status pill at the trailing edge.
    double y = inner.top();
    const QSizeF symbol = ui::IconRegistry::symbolSize(bold);
    ui::IconRegistry::paint(p, QStringLiteral("waveform.path.ecg"), QRectF(inner.topLeft(), symbol), primary);
    p.setFont(bold);
    p.setPen(primary);
    p.drawText(QRectF(inner.left() + symbol.width() + 6, y, inner.width(), 22), Qt::AlignVCenter | Qt::AlignLeft,
        QStringLiteral("Performance Widget"));
    const QFont pillFont = ui::AppTheme::monospacedDigitFont(10);
    const double pillTextWidth = QFontMetricsF(pillFont).horizontalAdvance(statusText());
    const QRectF pill(inner.right() - (pillTextWidth + 7 + 6 + 16), y, pillTextWidth + 7 + 6 + 16, 22);
    QPainterPath pillShape;
    pillShape.addRoundedRect(pill, 9, 9);
    p.fillPath(pillShape, ui::AppTheme::surface.color());
    p.setPen(Qt::NoPen);
    p.setBrush(dotColor().color());
    p.drawEllipse(QRectF(pill.left() + 8, pill.center().y() - 3.5, 7, 7));
    p.setFont(pillFont);
    p.setPen(secondary);
    p.drawText(pill.adjusted(8 + 7 + 6, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, statusText());
    y += 22 + 10;

    const auto all = figures();
    // Tiles share the row equally.
    const double tileWidth = (inner.width() - 16) / 3.0;
    for (int i = 0; i < 3; ++i) {
        const Figure& f = all[static_cast<std::size_t>(i)];
        const QRectF tile(inner.left() + i * (tileWidth + 8), y, tileWidth, 44);
        QPainterPath tileShape;
        tileShape.addRoundedRect(tile, 10, 10);
        p.fillPath(tileShape, ui::AppTheme::surface.color());
        p.setPen(QPen(f.tint.opacity(0.4).color(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tileShape);
        p.setFont(caption2);
        p.setPen(secondary);
        p.drawText(tile.adjusted(10, 8, -4, -24), Qt::AlignLeft | Qt::AlignVCenter, f.title);
        QFont value = ui::AppTheme::fontMono();
        value.setPixelSize(12);
        value.setWeight(QFont::DemiBold);
        p.setFont(value);
        p.setPen(primary);
        p.drawText(tile.adjusted(10, 22, -4, -6), Qt::AlignLeft | Qt::AlignVCenter, f.valueText);
    }
    y += 44 + 10;

    for (int i = 3; i < 6; ++i) {
        const Figure& f = all[static_cast<std::size_t>(i)];
        p.setFont(caption2);
        p.setPen(secondary);
        p.drawText(QRectF(inner.left(), y, inner.width(), 14), Qt::AlignLeft | Qt::AlignVCenter, f.title);
        p.setFont(ui::AppTheme::monospacedDigitFont(10));
        p.setPen(primary);
        p.drawText(QRectF(inner.left(), y, inner.width(), 14), Qt::AlignRight | Qt::AlignVCenter, f.valueText);
        const QRectF track(inner.left(), y + 14 + 5, inner.width(), 4);
        p.setPen(Qt::NoPen);
        p.setBrush(ui::AppTheme::border.color());
        p.drawRoundedRect(track, 2, 2);
        p.setBrush(f.tint.color());
        p.drawRoundedRect(QRectF(track.topLeft(), QSizeF(track.width() * f.progress.value_or(0), 4)), 2, 2);
        y += 14 + 5 + 4 + 10;
    }
}

} // namespace record_screen
