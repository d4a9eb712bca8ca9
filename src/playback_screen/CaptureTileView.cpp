#include "playback_screen/CaptureTileView.h"

#include "ui/AppTheme.h"
#include "ui/IconRegistry.h"
#include "ui/TextLines.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace playback_screen {

QFont CaptureTileView::titleFont()
{
    return ui::AppTheme::systemFont(11, QFont::DemiBold);
}

QFont CaptureTileView::sublineFont()
{
    return ui::AppTheme::systemFont(10);
}

QFont CaptureTileView::timecodeFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(12);
    font.setWeight(QFont::Medium);
    return font;
}

bool CaptureTileView::operator==(const CaptureTileView& other) const
{
    const bool sameImage = image.isNull() ? other.image.isNull() : image.sharesPixelsWith(other.image);
    return sameImage && title == other.title && subline == other.subline && timecode == other.timecode
        && isRecording == other.isRecording && isCapturing == other.isCapturing && hideHUD == other.hideHUD;
}

CaptureTileView::Hud CaptureTileView::hud(const QRectF& tile) const
{
    Hud hud;
    if (hideHUD)
        return hud;
    const QFontMetricsF titleMetrics(titleFont());
    const QSizeF chip(titleMetrics.horizontalAdvance(title) + 16, titleMetrics.height() + 8);
    const QSizeF badgeSize = badge().size();
    const double rowHeight = std::max(chip.height(), badgeSize.height());
    const double top = tile.top() + hudPadding;
    hud.chip = QRectF(QPointF(tile.left() + hudPadding, top + (rowHeight - chip.height()) / 2), chip);
    hud.badge = QRectF(QPointF(hud.chip.right() + topSpacing, top + (rowHeight - badgeSize.height()) / 2), badgeSize);

    const QFontMetricsF timecodeMetrics(timecodeFont());
    const double bottom = tile.bottom() - hudPadding;
    const double timecodeWidth = timecodeMetrics.horizontalAdvance(timecode);
    hud.timecode = QRectF(tile.right() - hudPadding - timecodeWidth, bottom - timecodeMetrics.height(), timecodeWidth,
        timecodeMetrics.height());
    const double sublineWidth = hud.timecode.left() - bottomSpacing - (tile.left() + hudPadding);
    hud.sublineLines = subline.isEmpty() || sublineWidth <= 0
        ? QStringList()
        : ui::wrapLines(subline, sublineFont(), sublineWidth, maxSublineLines);
    const double sublineHeight = QFontMetricsF(sublineFont()).lineSpacing() * hud.sublineLines.size();
    hud.subline = QRectF(tile.left() + hudPadding, bottom - sublineHeight, std::max(0.0, sublineWidth), sublineHeight);
    return hud;
}

QRectF CaptureTileView::pictureRect(const QRectF& tile) const
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return {};
    const double scale = std::min(tile.width() / image.width(), tile.height() / image.height());
    const QSizeF fitted(image.width() * scale, image.height() * scale);
    return QRectF(tile.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
}

void CaptureTileView::paint(QPainter& painter, const QRectF& tile, double dotOpacity, const media::Frame& picture) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(tile, cornerRadius, cornerRadius);
    painter.setClipPath(shape, Qt::IntersectClip);

    const QRectF place = pictureRect(tile);
    if (!place.isNull()) {
        QImage scaled = picture.imageView();
        if (!scaled.isNull()) {
            scaled.setDevicePixelRatio(painter.device()->devicePixelRatioF());
            painter.drawImage(tile.topLeft(), scaled);
        } else {
            // Until the first scaled picture is ready for this size.
            painter.fillRect(tile, Qt::black);
            painter.drawImage(place, image.imageView());
        }
    } else {
        painter.fillRect(tile, QColor::fromRgbF(0, 0, 0, 0.9f));
        const QSizeF symbol = ui::IconRegistry::symbolSize(ui::AppTheme::systemFont(26, QFont::DemiBold));
        ui::IconRegistry::paint(painter, QStringLiteral("video.slash"),
            QRectF(tile.center() - QPointF(symbol.width() / 2, symbol.height() / 2), symbol),
            QColor::fromRgbF(1, 1, 1, 0.7f));
    }

    if (!hideHUD) {
        QLinearGradient shade(QPointF(0, tile.center().y()), QPointF(0, tile.bottom()));
        shade.setColorAt(0, Qt::transparent);
        shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.72f));
        painter.fillRect(tile, shade);

        const Hud layout = hud(tile);
        QPainterPath chip;
        chip.addRoundedRect(layout.chip, layout.chip.height() / 2, layout.chip.height() / 2);
        painter.fillPath(chip, QColor::fromRgbF(0, 0, 0, 0.45f));
        painter.setFont(titleFont());
        painter.setPen(QColor::fromRgbF(1, 1, 1, 0.95f));
        painter.drawText(layout.chip, Qt::AlignCenter, title);
        badge().paint(painter, layout.badge, dotOpacity);

        painter.setFont(sublineFont());
        painter.setPen(QColor::fromRgbF(1, 1, 1, 0.75f));
        const double line = QFontMetricsF(sublineFont()).lineSpacing();
        for (qsizetype i = 0; i < layout.sublineLines.size(); ++i) {
            painter.drawText(
                QRectF(layout.subline.left(), layout.subline.top() + i * line, layout.subline.width(), line),
                Qt::AlignLeft | Qt::AlignVCenter, layout.sublineLines[i]);
        }
        painter.setFont(timecodeFont());
        painter.setPen(QColor::fromRgbF(1, 1, 1, 0.95f));
        painter.drawText(layout.timecode, Qt::AlignRight | Qt::AlignVCenter, timecode);
    }
    painter.restore();
}

} // namespace playback_screen
