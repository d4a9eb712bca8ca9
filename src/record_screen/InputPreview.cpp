#include "record_screen/InputPreview.h"

#include "ui/AppTheme.h"
#include "ui/IconRegistry.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace record_screen {

namespace {

QFont badgeFont()
{
    QFont font = ui::AppTheme::systemFont(10, QFont::Bold);
    return font;
}

QFont placeholderFont()
{
    QFont font = ui::AppTheme::systemFont(8, QFont::Medium);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    return font;
}

} // namespace

InputPreview::InputPreview(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(boxHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void InputPreview::setFrame(const media::Frame& frame)
{
    frame_ = frame;
    update();
}

void InputPreview::setRefLocked(bool locked)
{
    if (refLocked_ == locked)
        return;
    refLocked_ = locked;
    update();
}

QRectF InputPreview::pictureRect() const
{
    const QRectF room = QRectF(rect()).adjusted(sidePadding, 0, -sidePadding, 0);
    const double width = std::min(room.width(), room.height() * 16.0 / 9.0);
    const double height = width * 9.0 / 16.0;
    return { room.center().x() - width / 2, room.center().y() - height / 2, width, height };
}

QRectF InputPreview::refBadgeRect() const
{
    if (!refLocked_)
        return {};
    const QFontMetricsF metrics(badgeFont());
    const QSizeF size(metrics.horizontalAdvance(QStringLiteral("Ref.")) + 12, metrics.height() + 6);
    return { pictureRect().topLeft() + QPointF(6, 6), size };
}

void InputPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.save();
    painter.setClipPath(outline);

    const QRectF picture = pictureRect();
    painter.fillRect(picture, QColor(0, 0, 0, 230));
    const QImage image = frame_.imageView();
    if (!image.isNull() && image.width() > 0 && image.height() > 0) {
        const double scale = std::min(picture.width() / image.width(), picture.height() / image.height());
        const QSizeF fitted(image.width() * scale, image.height() * scale);
        painter.drawImage(QRectF(picture.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), image);
    } else {
        const QColor faint(255, 255, 255, 38);
        const QFont font = placeholderFont();
        const QFontMetricsF metrics(font);
        const QSizeF symbol = ui::IconRegistry::symbolSize(ui::AppTheme::systemFont(16, QFont::Thin));
        const double total = symbol.height() + 4 + metrics.height();
        const QPointF top(picture.center().x(), picture.center().y() - total / 2);
        ui::IconRegistry::paint(
            painter, QStringLiteral("video.slash"), QRectF(top - QPointF(symbol.width() / 2, 0), symbol), faint);
        painter.setFont(font);
        painter.setPen(faint);
        painter.drawText(QRectF(picture.left(), top.y() + symbol.height() + 4, picture.width(), metrics.height()),
            Qt::AlignCenter, QStringLiteral("NO INPUT"));
    }

    if (refLocked_) {
        const QRectF badge = refBadgeRect();
        QPainterPath shape;
        shape.addRoundedRect(badge, 6, 6);
        painter.fillPath(shape, ui::ThemeColor(ui::ColorRole::systemRed).opacity(0.85).color());
        painter.setPen(QPen(QColor(255, 255, 255, 38), 1));
        painter.drawPath(shape);
        painter.setFont(badgeFont());
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, QStringLiteral("Ref."));
    }
    painter.restore();

    painter.setPen(QPen(ui::AppTheme::border.color(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

} // namespace record_screen
