#include "playback_screen/PlayerView.h"

#include "media/player/MediaPlayer.h"
#include "playback_screen/PlayerFrameFeed.h"

#include <QPainter>

namespace playback_screen {

PlayerView::PlayerView(platform::Scheduler& scheduler, media::MediaPlayer* player, QWidget* parent)
    : QWidget(parent)
    , scheduler_(scheduler)
{
    setObjectName(QStringLiteral("playerView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(1, 1);
    setPlayer(player);
}

PlayerView::~PlayerView()
{
    useSize({});
}

void PlayerView::setPlayer(media::MediaPlayer* player)
{
    if (player == player_ && (feed_ || !player))
        return;
    useSize({});
    disconnect(readyConnection_);
    player_ = player;
    ++assignments_;
    feed_ = PlayerFrameFeed::forPlayer(player, scheduler_);
    if (feed_) {
        readyConnection_ = connect(&feed_->cache(), &media::ScaledFrameCache::frameReady, this, [this](QSize size) {
            if (size == usedSize_)
                update();
        });
    }
    useSize(pixelSize());
    update();
}

QSize PlayerView::pixelSize() const
{
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

void PlayerView::useSize(QSize size)
{
    if (size == usedSize_)
        return;
    if (feed_ && !usedSize_.isEmpty())
        feed_->cache().release(usedSize_);
    usedSize_ = size;
    if (feed_ && !usedSize_.isEmpty())
        feed_->cache().acquire(usedSize_);
}

void PlayerView::resizeEvent(QResizeEvent*)
{
    useSize(pixelSize());
}

void PlayerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!feed_)
        return;
    const media::Frame picture = feed_->cache().scaledFrame(usedSize_);
    if (picture.isNull())
        return;
    QImage image = picture.imageView();
    image.setDevicePixelRatio(devicePixelRatioF());
    painter.drawImage(QPointF(0, 0), image);
    lastPaintedSize_ = QSize(picture.width(), picture.height());
}

} // namespace playback_screen
