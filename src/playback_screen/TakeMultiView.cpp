#include "playback_screen/TakeMultiView.h"

#include "media/frame/FrameCompositor.h"
#include "playback/PlaybackViewModel.h"
#include "playback_screen/TakeGridLayout.h"
#include "playback_screen/TakeTile.h"

#include <QPainter>

namespace playback_screen {

bool TakeMultiView::usesRow(bool isMini, bool isRecordCollapsed, int clipCount)
{
    return !isMini && isRecordCollapsed && clipCount < 5;
}

TakeMultiView::TakeMultiView(playback::PlaybackViewModel& vm, TakeTilePictures pictures, bool isMini, bool wideRow,
    double cornerRadius, QWidget* parent)
    : QWidget(parent)
    , vm_(vm)
    , pictures_(std::move(pictures))
    , isMini_(isMini)
    , wideRow_(wideRow && !isMini)
    , cornerRadius_(cornerRadius)
{
    setObjectName(QStringLiteral("takeMultiView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    using PVM = playback::PlaybackViewModel;
    const auto later = [this] { updates_.request(); };
    connect(&vm_, &PVM::previewTakeClipIDsChanged, this, later);
    connect(&vm_, &PVM::clipsChanged, this, later);
    connect(&vm_, &PVM::selectedClipIDChanged, this, later);
    refresh();
}

void TakeMultiView::setHideHUD(bool hide)
{
    hideHUD_ = hide;
    for (TakeTile* tile : std::as_const(tiles_))
        tile->setHideHUD(hide);
}

QList<TakeTile*> TakeMultiView::tiles() const
{
    QList<TakeTile*> result;
    for (const QUuid& id : order_)
        result.append(tiles_.value(id));
    return result;
}

void TakeMultiView::refresh()
{
    const QList<playback::ClipItem> clips = vm_.previewTakeClips();
    const std::optional<QUuid> master = vm_.selectedClipID();
    QHash<QUuid, TakeTile*> kept;
    order_.clear();
    for (const playback::ClipItem& clip : clips) {
        TakeTile* tile = tiles_.take(clip.id);
        if (!tile) {
            tile = new TakeTile(clip.id, isMini_, pictures_, this);
            tile->setHideHUD(hideHUD_);
            connect(tile, &TakeTile::clicked, this, [this](const QUuid& id) { vm_.setTakePreviewMaster(id); });
            tile->show();
        }
        tile->setContent(clip.offline ? nullptr : vm_.playerForTakeTile(clip.id), clip.offline, clip.inputNumber);
        tile->setMaster(master && *master == clip.id);
        kept.insert(clip.id, tile);
        order_.append(clip.id);
    }
    qDeleteAll(tiles_);
    tiles_ = kept;
    layoutTiles();
}

void TakeMultiView::layoutTiles()
{
    const int count = static_cast<int>(order_.size());
    cells_ = wideRow_ ? takeRowRects(QSizeF(size()), count) : takeGridRects(QSizeF(size()), count);
    for (int i = 0; i < count; ++i) {
        TakeTile* tile = tiles_.value(order_[i]);
        if (i < cells_.size())
            tile->setGeometry(media::FrameCompositor::pixelRect(cells_[i]));
        tile->setVisible(i < cells_.size());
    }
    update();
}

void TakeMultiView::paintEvent(QPaintEvent*)
{
    // Empty cells and the spacing show this black, rounded like the viewer's frame around it.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
}

void TakeMultiView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutTiles();
}

} // namespace playback_screen
