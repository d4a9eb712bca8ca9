#include "playback_screen/TakeTile.h"

#include "ui/AppTheme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace playback_screen {

namespace {

constexpr double labelPadX = 8;
constexpr double labelPadY = 6;
constexpr double labelSpacing = 6;
constexpr double badgePadX = 8;
constexpr double badgePadY = 4;
constexpr double labelRadius = 8;

QFont cameraFont()
{
    // caption2 in the mini form, caption otherwise; both semibold.
    return ui::AppTheme::systemFont(10, QFont::DemiBold);
}

QFont badgeFont(bool isMini)
{
    return ui::AppTheme::systemFont(isMini ? 9 : 10, QFont::Bold);
}

QString masterText()
{
    return QStringLiteral("MASTER");
}

} // namespace

// Paints the tile's corner masks, border and label over the picture; the mouse goes to the tile.
class TakeTile::Overlay final : public QWidget {
public:
    explicit Overlay(TakeTile* tile)
        : QWidget(tile)
        , tile_(tile)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        tile_->paintOverlay(painter);
    }

private:
    TakeTile* tile_;
};

TakeTile::TakeTile(const QUuid& clipID, bool isMini, TakeTilePictures pictures, QWidget* parent)
    : QWidget(parent)
    , clipID_(clipID)
    , isMini_(isMini)
    , pictures_(std::move(pictures))
    , overlay_(new Overlay(this))
{
    setObjectName(QStringLiteral("takeTile"));
    setAttribute(Qt::WA_NoSystemBackground);
}

void TakeTile::setContent(media::MediaPlayer* player, bool offline, std::optional<qint64> inputNumber)
{
    inputNumber_ = inputNumber;
    offline_ = offline;
    if (offline) {
        delete playerView_;
        playerView_ = nullptr;
        if (!offlineCard_) {
            offlineCard_ = pictures_.makeOfflineCard(!isMini_, this);
            offlineCard_->setAttribute(Qt::WA_TransparentForMouseEvents);
            offlineCard_->setGeometry(rect());
            offlineCard_->show();
        }
    } else {
        delete offlineCard_;
        offlineCard_ = nullptr;
        if (!playerView_) {
            playerView_ = pictures_.makePlayerView(this);
            playerView_->setAttribute(Qt::WA_TransparentForMouseEvents);
            playerView_->setGeometry(rect());
            playerView_->show();
        }
        pictures_.setPlayer(playerView_, player);
    }
    overlay_->raise();
    overlay_->update();
}

void TakeTile::setMaster(bool isMaster)
{
    if (isMaster_ == isMaster)
        return;
    isMaster_ = isMaster;
    overlay_->update();
}

void TakeTile::setHideHUD(bool hide)
{
    if (hideHUD_ == hide)
        return;
    hideHUD_ = hide;
    overlay_->update();
}

QString TakeTile::cameraText() const
{
    return inputNumber_ ? QStringLiteral("Cam ") + QString::number(*inputNumber_) : QStringLiteral("Cam");
}

double TakeTile::borderWidth() const
{
    if (hideHUD_ || !isMaster_)
        return 0;
    return isMini_ ? 2 : 3;
}

QRectF TakeTile::masterBadgeRect() const
{
    if (hideHUD_ || !isMaster_)
        return {};
    const QFontMetricsF badge(badgeFont(isMini_));
    const QRectF label = labelRect();
    const QFontMetricsF camera(cameraFont());
    const QSizeF size(badge.horizontalAdvance(masterText()) + 2 * badgePadX, badge.height() + 2 * badgePadY);
    return { QPointF(label.left() + labelPadX + camera.horizontalAdvance(cameraText()) + labelSpacing,
                 label.center().y() - size.height() / 2),
        size };
}

QRectF TakeTile::labelRect() const
{
    if (hideHUD_)
        return {};
    const QFontMetricsF camera(cameraFont());
    double width = camera.horizontalAdvance(cameraText());
    double height = camera.height();
    if (isMaster_) {
        const QFontMetricsF badge(badgeFont(isMini_));
        width += labelSpacing + badge.horizontalAdvance(masterText()) + 2 * badgePadX;
        height = std::max(height, badge.height() + 2 * badgePadY);
    }
    const QSizeF size(width + 2 * labelPadX, height + 2 * labelPadY);
    return { QPointF(labelInset, this->height() - labelInset - size.height()), size };
}

void TakeTile::paintOverlay(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile = rect();
    QPainterPath shape;
    shape.addRoundedRect(tile, cornerRadius, cornerRadius);
    QPainterPath corners;
    corners.addRect(tile);
    painter.fillPath(corners.subtracted(shape), Qt::black);
    if (hideHUD_)
        return;

    painter.save();
    painter.setClipPath(shape);
    if (isMaster_) {
        // Centred on the edge: the tile's own rounding leaves the inner half.
        painter.setPen(QPen(ui::AppTheme::accent.color(), borderWidth()));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(tile, cornerRadius, cornerRadius);
    }
    const QRectF label = labelRect();
    QPainterPath chip;
    chip.addRoundedRect(label, labelRadius, labelRadius);
    painter.fillPath(chip, QColor::fromRgbF(0, 0, 0, 0.55f));
    const QColor text = QColor::fromRgbF(1, 1, 1, 0.95f);
    painter.setFont(cameraFont());
    painter.setPen(text);
    painter.drawText(label.adjusted(labelPadX, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, cameraText());
    if (isMaster_) {
        const QRectF badge = masterBadgeRect();
        QPainterPath pill;
        pill.addRoundedRect(badge, labelRadius, labelRadius);
        painter.fillPath(pill, ui::AppTheme::accent.opacity(0.85).color());
        painter.setFont(badgeFont(isMini_));
        painter.setPen(text);
        painter.drawText(badge, Qt::AlignCenter, masterText());
    }
    painter.restore();
}

void TakeTile::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (QWidget* child : { playerView_, offlineCard_, overlay_ }) {
        if (child)
            child->setGeometry(rect());
    }
}

void TakeTile::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void TakeTile::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked(clipID_);
}

} // namespace playback_screen
