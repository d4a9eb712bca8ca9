#include "playback_screen/CaptureLiveView.h"

#include "capture/RecordViewModel.h"
#include "media/frame/FrameCompositor.h"
#include "media/frame/ScaledFrameCache.h"
#include "platform/MainThread.h"
#include "playback_screen/BadgePulseClock.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace playback_screen {

CaptureLiveView::CaptureLiveView(capture::RecordViewModel& record, BadgePulseClock& pulse, bool isMini, QWidget* parent)
    : QWidget(parent)
    , record_(record)
    , pulse_(&pulse)
    , isMini_(isMini)
{
    setObjectName(QStringLiteral("captureLiveView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    for (int i = 0; i < slotCount; ++i) {
        pictures_[i] = std::make_unique<media::ScaledFrameCache>();
        pictures_[i]->setSource(record_.previewImage(i));
        connect(pictures_[i].get(), &media::ScaledFrameCache::frameReady, this, [this, i](QSize size) {
            if (i < shownCount_ && size == acquired_[i])
                update(tileRect(i).toAlignedRect());
        });
        shown_[i] = tile(i);
    }
    shownCount_ = tileCount();

    using RVM = capture::RecordViewModel;
    connect(&record_, &RVM::activeInputCountChanged, this, &CaptureLiveView::countChanged);
    connect(&record_, &RVM::previewImagesChanged, this, &CaptureLiveView::previewChanged);
    for (auto signal : { &RVM::currentTimecodesChanged, &RVM::isRecordingFlagsChanged, &RVM::isCapturingFlagsChanged,
             &RVM::captureSourcesChanged, &RVM::selectedFormatsChanged, &RVM::selectedAVDeviceIDsChanged,
             &RVM::stableFPSLabelChanged, &RVM::incomingInfoTextChanged })
        connect(&record_, signal, this, &CaptureLiveView::inputChanged);
    connect(&record_, &RVM::avDevicesChanged, this, [this] {
        for (int i = 0; i < slotCount; ++i)
            inputChanged(i);
    });
    connect(pulse_, &BadgePulseClock::ticked, this, &CaptureLiveView::pulseTicked);
    layout_ = tileLayout();
}

CaptureLiveView::~CaptureLiveView()
{
    if (pulse_)
        pulse_->release(this);
}

void CaptureLiveView::setHideHUD(bool hide)
{
    if (hideHUD_ == hide)
        return;
    hideHUD_ = hide;
    for (auto& value : shown_)
        value.hideHUD = hide;
    if (!hide)
        restartPulses();
    updatePulseHold();
    update();
}

int CaptureLiveView::tileCount() const
{
    return std::clamp(record_.activeInputCount(), 1, slotCount);
}

CaptureTileView CaptureLiveView::tile(int index) const
{
    if (index < 0 || index >= slotCount)
        return {};
    const auto slot = static_cast<std::size_t>(index);
    return CaptureTileView { QStringLiteral("Cam %1").arg(index + 1), record_.previewImage(index),
        record_.captureFormatInfo(index), record_.currentTimecodes()[slot], record_.isRecordingFlags()[slot],
        record_.isCapturingFlags()[slot], hideHUD_ };
}

CaptureTileLayout CaptureLiveView::tileLayout() const
{
    std::array<QSize, slotCount> sizes;
    for (int i = 0; i < slotCount; ++i) {
        const media::Frame image = record_.previewImage(i);
        sizes[static_cast<std::size_t>(i)] = QSize(image.width(), image.height());
    }
    CaptureTileLayout layout = captureTileRects(QSizeF(size()), tileCount(), sizes, isMini_);
    layout.frame = QRectF(media::FrameCompositor::pixelRect(layout.frame));
    layout.clip = QRectF(media::FrameCompositor::pixelRect(layout.clip));
    for (QRectF& tile : layout.tiles)
        tile = QRectF(media::FrameCompositor::pixelRect(tile));
    return layout;
}

double CaptureLiveView::dotOpacity(int index) const
{
    if (index < 0 || index >= slotCount)
        return 1.0;
    const double period = StatusBadge::pulsePeriod(shown_[static_cast<std::size_t>(index)].badge().status);
    return StatusBadge::pulseOpacity(pulseNow() - pulseStart_[static_cast<std::size_t>(index)], period);
}

const media::ScaledFrameCache& CaptureLiveView::pictures(int index) const
{
    return *pictures_[static_cast<std::size_t>(std::clamp(index, 0, slotCount - 1))];
}

QRectF CaptureLiveView::tileRect(int index) const
{
    return index >= 0 && index < layout_.tiles.size() ? layout_.tiles[index] : QRectF();
}

QSize CaptureLiveView::pixelSize(const QRectF& rect) const
{
    const double ratio = devicePixelRatioF();
    return { static_cast<int>(std::lround(rect.width() * ratio)),
        static_cast<int>(std::lround(rect.height() * ratio)) };
}

void CaptureLiveView::inputChanged(int index)
{
    if (index < 0 || index >= slotCount)
        return;
    const auto slot = static_cast<std::size_t>(index);
    const CaptureTileView now = tile(index);
    if (now == shown_[slot])
        return;
    const bool statusChanged = now.badge().status != shown_[slot].badge().status;
    shown_[slot] = now;
    if (statusChanged) {
        pulseStart_[slot] = pulseNow();
        updatePulseHold();
    }
    if (index < shownCount_)
        update(tileRect(index).toAlignedRect());
}

void CaptureLiveView::previewChanged(int index)
{
    if (index < 0 || index >= slotCount)
        return;
    const auto slot = static_cast<std::size_t>(index);
    const media::Frame image = record_.previewImage(index);
    const bool resized = image.width() != shown_[slot].image.width() || image.height() != shown_[slot].image.height();
    pictures_[slot]->setSource(image);
    shown_[slot] = tile(index);
    if (resized) {
        // A picture of another shape can change every row's height.
        layout_ = tileLayout();
        acquirePictureSizes();
        update();
    }
    // Otherwise the tile repaints when its scaled picture is ready.
}

void CaptureLiveView::countChanged()
{
    const int count = tileCount();
    if (count == shownCount_)
        return;
    // Tiles that come back show their badges anew.
    for (int i = shownCount_; i < count; ++i)
        pulseStart_[static_cast<std::size_t>(i)] = pulseNow();
    shownCount_ = count;
    layout_ = tileLayout();
    acquirePictureSizes();
    updatePulseHold();
    update();
}

double CaptureLiveView::pulseNow() const
{
    return pulse_ ? pulse_->now() : 0.0;
}

void CaptureLiveView::restartPulses()
{
    pulseStart_.fill(pulseNow());
}

void CaptureLiveView::updatePulseHold()
{
    bool dots = false;
    for (int i = 0; i < shownCount_; ++i)
        dots = dots || shown_[static_cast<std::size_t>(i)].badge().status != StatusBadge::Status::idle;
    const bool hold = dots && !hideHUD_ && isVisible();
    if (hold == holdingPulse_)
        return;
    holdingPulse_ = hold;
    if (!pulse_)
        return;
    if (hold)
        pulse_->hold(this);
    else
        pulse_->release(this);
}

void CaptureLiveView::pulseTicked()
{
    if (!holdingPulse_)
        return;
    for (int i = 0; i < shownCount_; ++i) {
        const CaptureTileView& value = shown_[static_cast<std::size_t>(i)];
        const QRectF badge = value.hud(tileRect(i)).badge;
        const QRectF dot = value.badge().dotRect(badge);
        if (!dot.isEmpty())
            update(dot.toAlignedRect().adjusted(-1, -1, 1, 1));
    }
}

void CaptureLiveView::acquirePictureSizes()
{
    for (int i = 0; i < slotCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const QSize wanted = i < shownCount_ && isVisible() ? pixelSize(tileRect(i)) : QSize();
        if (wanted == acquired_[slot])
            continue;
        if (!acquired_[slot].isEmpty())
            pictures_[slot]->release(acquired_[slot]);
        acquired_[slot] = wanted;
        if (!wanted.isEmpty())
            pictures_[slot]->acquire(wanted);
    }
}

void CaptureLiveView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layout_ = tileLayout();
    acquirePictureSizes();
}

void CaptureLiveView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    restartPulses();
    layout_ = tileLayout();
    acquirePictureSizes();
    updatePulseHold();
}

void CaptureLiveView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    acquirePictureSizes();
    updatePulseHold();
}

void CaptureLiveView::paintEvent(QPaintEvent* event)
{
    Q_ASSERT(platform::isMainThread());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(event->rect());
    QPainterPath clip;
    clip.addRoundedRect(layout_.clip, layout_.cornerRadius, layout_.cornerRadius);
    painter.setClipPath(clip, Qt::IntersectClip);
    painter.fillRect(layout_.frame, Qt::black);
    for (int i = 0; i < shownCount_ && i < layout_.tiles.size(); ++i) {
        const QRectF rect = layout_.tiles[i];
        if (!event->rect().intersects(rect.toAlignedRect()))
            continue;
        const auto slot = static_cast<std::size_t>(i);
        media::Frame picture;
        if (!acquired_[slot].isEmpty()) {
            picture = pictures_[slot]->scaledFrame(acquired_[slot]);
            if (picture.width() != acquired_[slot].width() || picture.height() != acquired_[slot].height())
                picture = {};
        }
        shown_[slot].paint(painter, rect, dotOpacity(i), picture);
    }
}

} // namespace playback_screen
