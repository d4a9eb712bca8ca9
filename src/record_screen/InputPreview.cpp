#include "record_screen/InputPreview.h"

#include "ui/AppTheme.h"
#include "ui/IconRegistry.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

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
    connect(&scaled_, &media::ScaledFrameCache::frameReady, this, [this](QSize size) {
        if (size == canvasSize_)
            update();
    });
}

void InputPreview::setFrame(const media::Frame& frame)
{
    frame_ = frame;
    scaled_.setSource(frame);
    update();
}

media::Frame InputPreview::shownPicture() const
{
    return frame_.isNull() ? media::Frame {} : scaled_.scaledFrame(canvasSize_);
}

void InputPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    useCanvasSize();
}

void InputPreview::useCanvasSize()
{
    const QSize size = (pictureRect().size() * devicePixelRatioF()).toSize();
    if (size == canvasSize_)
        return;
    scaled_.release(canvasSize_);
    canvasSize_ = size;
    scaled_.acquire(size);
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
    // Whole pixels, so the scaled picture lands 1:1 on the screen's grid.
    const QRectF room = QRectF(rect()).adjusted(sidePadding, 0, -sidePadding, 0);
    const double width = std::round(std::min(room.width(), room.height() * 16.0 / 9.0));
    const double height = std::round(width * 9.0 / 16.0);
    return { std::round(room.center().x() - width / 2), std::round(room.center().y() - height / 2), width, height };
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
    if (!frame_.isNull()) {
        const media::Frame shown = shownPicture();
        QImage image = shown.imageView();
        if (!image.isNull()) {
            image.setDevicePixelRatio(devicePixelRatioF());
            painter.drawImage(picture.topLeft(), image);
        }
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
