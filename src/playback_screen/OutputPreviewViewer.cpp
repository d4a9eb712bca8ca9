#include "playback_screen/OutputPreviewViewer.h"

#include "capture/RecordViewModel.h"
#include "ui/AppTheme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace playback_screen {

namespace {

constexpr double padX = 7;
constexpr double padY = 5;

QFont colorFont()
{
    return ui::AppTheme::systemFont(10, QFont::DemiBold);
}

QFont formatFont()
{
    return ui::AppTheme::systemFont(9, QFont::Medium);
}

QFont hdrFont()
{
    return ui::AppTheme::systemFont(8, QFont::Bold);
}

QFont pillFont()
{
    return ui::AppTheme::systemFont(9, QFont::Bold);
}

QColor orange()
{
    return ui::ThemeColor(ui::ColorRole::systemOrange).color();
}

QColor green()
{
    return ui::ThemeColor(ui::ColorRole::systemGreen).color();
}

QSizeF hdrSize()
{
    const QFontMetricsF metrics(hdrFont());
    return { metrics.horizontalAdvance(QStringLiteral("HDR")) + 8, metrics.height() + 2 };
}

void fillMaterial(QPainter& painter, const QRectF& rect)
{
    QPainterPath shape;
    shape.addRoundedRect(rect, OutputPreviewOverlay::cornerRadius, OutputPreviewOverlay::cornerRadius);
    painter.fillPath(shape, OutputPreviewOverlay::materialColor());
}

} // namespace

OutputPreviewOverlay::OutputPreviewOverlay(capture::RecordViewModel& record, QWidget* parent)
    : QWidget(parent)
    , record_(record)
{
    setObjectName(QStringLiteral("outputPreviewOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    using RVM = capture::RecordViewModel;
    connect(&record_, &RVM::outputColorModeChanged, this, qOverload<>(&QWidget::update));
    connect(&record_, &RVM::outputFormatChanged, this, qOverload<>(&QWidget::update));
    connect(&record_, &RVM::isOutputRequestedOnChanged, this, qOverload<>(&QWidget::update));
}

QColor OutputPreviewOverlay::materialColor()
{
    return QColor::fromRgbF(0.11f, 0.11f, 0.12f, 0.62f * 0.85f);
}

QString OutputPreviewOverlay::colorText() const
{
    return QString::fromUtf8(capture::displayName(record_.outputColorMode()));
}

QString OutputPreviewOverlay::formatText() const
{
    return settings::displayName(record_.outputFormat());
}

bool OutputPreviewOverlay::showsHDR() const
{
    return capture::RecordViewModel::isHDR(record_.outputColorMode());
}

bool OutputPreviewOverlay::showsOutPill() const
{
    return record_.isOutputRequestedOn();
}

QRectF OutputPreviewOverlay::cardRect() const
{
    const QFontMetricsF color(colorFont());
    const QFontMetricsF format(formatFont());
    const double hdrWidth = showsHDR() ? hdrSize().width() + 4 : 0.0;
    const double second = std::max(format.height(), showsHDR() ? hdrSize().height() : 0.0);
    const double width
        = std::max(color.horizontalAdvance(colorText()), hdrWidth + format.horizontalAdvance(formatText()));
    return { outerPadding, outerPadding, width + 2 * padX, color.height() + 2 + second + 2 * padY };
}

QRectF OutputPreviewOverlay::hdrRect() const
{
    if (!showsHDR())
        return {};
    const QRectF card = cardRect();
    const QFontMetricsF color(colorFont());
    const QFontMetricsF format(formatFont());
    const double rowTop = card.top() + padY + color.height() + 2;
    const double rowHeight = std::max(format.height(), hdrSize().height());
    return { QPointF(card.left() + padX, rowTop + (rowHeight - hdrSize().height()) / 2), hdrSize() };
}

QRectF OutputPreviewOverlay::pillRect() const
{
    if (!showsOutPill())
        return {};
    const QFontMetricsF metrics(pillFont());
    const QSizeF size(6 + 4 + metrics.horizontalAdvance(QStringLiteral("OUT")) + 2 * padX,
        std::max(6.0, metrics.height()) + 2 * padY);
    return { QPointF(width() - outerPadding - size.width(), outerPadding), size };
}

void OutputPreviewOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF card = cardRect();
    fillMaterial(painter, card);
    const QFontMetricsF color(colorFont());
    const QFontMetricsF format(formatFont());
    painter.setFont(colorFont());
    painter.setPen(Qt::white);
    painter.drawText(QRectF(card.left() + padX, card.top() + padY, card.width() - 2 * padX, color.height()),
        Qt::AlignLeft | Qt::AlignVCenter, colorText());
    const double rowTop = card.top() + padY + color.height() + 2;
    const double rowHeight = std::max(format.height(), showsHDR() ? hdrSize().height() : 0.0);
    double x = card.left() + padX;
    if (showsHDR()) {
        const QRectF tag = hdrRect();
        QPainterPath shape;
        shape.addRoundedRect(tag, 3, 3);
        QColor fill = orange();
        fill.setAlphaF(0.2f);
        painter.fillPath(shape, fill);
        painter.setFont(hdrFont());
        painter.setPen(orange());
        painter.drawText(tag, Qt::AlignCenter, QStringLiteral("HDR"));
        x = tag.right() + 4;
    }
    painter.setFont(formatFont());
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.8f));
    painter.drawText(
        QRectF(x, rowTop, card.right() - padX - x, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, formatText());

    if (showsOutPill()) {
        const QRectF pill = pillRect();
        fillMaterial(painter, pill);
        painter.setPen(Qt::NoPen);
        painter.setBrush(green());
        painter.drawEllipse(QRectF(pill.left() + padX, pill.center().y() - 3, 6, 6));
        painter.setFont(pillFont());
        painter.setPen(green());
        painter.drawText(QRectF(pill.left() + padX + 10, pill.top(), pill.width() - 2 * padX - 10, pill.height()),
            Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("OUT"));
    }
}

OutputPreviewViewer::OutputPreviewViewer(capture::RecordViewModel& record, QWidget* picture, QWidget* parent)
    : QWidget(parent)
    , picture_(picture)
    , overlay_(new OutputPreviewOverlay(record, this))
{
    setObjectName(QStringLiteral("outputPreviewViewer"));
    picture_->setParent(this);
    overlay_->raise();
}

void OutputPreviewViewer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    picture_->setGeometry(rect());
    // The pictures centre a 16:9 frame; the labels sit on its corners.
    const double w = std::min<double>(width(), height() * 16.0 / 9.0);
    const double h = w * 9.0 / 16.0;
    overlay_->setGeometry(QRectF((width() - w) / 2, (height() - h) / 2, w, h).toRect());
}

} // namespace playback_screen
