// RecordViewModel: what the program output shows of the live inputs, and the last preparation of
// every frame before it goes to the card. Compositions run on the composition queue from the
// OutputState snapshot (one consistent set of main-thread values per composition); preparation
// runs on the output queue inside the cadence pump's tick.

#include "capture/RecordViewModel.h"

#include "decklink/DeckLinkOutput.h"
#include "media/frame/FrameCompositor.h"
#include "media/frame/FrameFields.h"
#include "platform/SerialQueue.h"

#include <QPainter>

#include <cmath>

namespace capture {

namespace {

bool drawable(const media::Frame& frame)
{
    return frame.format() == media::PixelFormat::BGRA && frame.width() >= 1 && frame.height() >= 1;
}

} // namespace

media::Frame RecordViewModel::composeCapturePreviewPixelBuffer(QSize targetSize)
{
    return composeCaptureGrid(*outputState(), targetSize);
}

media::Frame RecordViewModel::composeSingleCapturePixelBuffer(int slot, QSize targetSize)
{
    return composeSingleCapture(*outputState(), slot, targetSize);
}

// Two columns; inputs 1 and 2 fill the bottom row, inputs 3 and 4 the row above it.
media::Frame RecordViewModel::composeCaptureGrid(const OutputState& state, QSize targetSize)
{
    if (targetSize.width() < 1 || targetSize.height() < 1)
        return {};
    const int count = std::clamp(state.activeInputCount, 0, kInputSlotCount);
    const int rows = (count + 1) / 2;
    const double cellWidth = targetSize.width() * 0.5;
    const double cellHeight = targetSize.height() / double(std::max(rows, 1));
    std::vector<QRect> covered;
    std::vector<std::pair<int, QRectF>> overlays;
    for (int slot = 0; slot < count; ++slot) {
        const media::Frame& preview = state.previews[slot];
        if (!drawable(preview))
            continue; // no picture: a black cell without overlay
        const int row = slot / 2;
        const QRectF cell(cellWidth * (slot % 2), targetSize.height() - cellHeight * (row + 1), cellWidth, cellHeight);
        covered.push_back(media::FrameCompositor::aspectFit(
            QSize(preview.width(), preview.height()), media::FrameCompositor::pixelRect(cell)));
        if (!state.cleanFeed)
            overlays.emplace_back(slot, cell);
    }
    media::MutableFrame canvas = media::FrameCompositor::blackCanvas(targetSize, covered);
    if (canvas.isNull())
        return {};
    for (int slot = 0, drawn = 0; slot < count; ++slot) {
        if (drawable(state.previews[slot]))
            media::FrameCompositor::draw(canvas, state.previews[slot], covered[std::size_t(drawn++)]);
    }
    if (!overlays.empty()) {
        QImage image = canvas.imageForPainting();
        QPainter painter(&image);
        for (const auto& [slot, cell] : overlays)
            drawCaptureOverlay(painter, cell, slot, state.labels[slot]);
    }
    return std::move(canvas).share();
}

media::Frame RecordViewModel::composeSingleCapture(const OutputState& state, int slot, QSize targetSize)
{
    if (!validSlot(slot))
        return {};
    media::MutableFrame canvas = media::FrameCompositor::blackCanvas(targetSize);
    if (canvas.isNull())
        return {};
    const media::Frame& preview = state.previews[slot];
    const QRect whole(QPoint(0, 0), targetSize);
    if (drawable(preview))
        media::FrameCompositor::draw(
            canvas, preview, media::FrameCompositor::aspectFit(QSize(preview.width(), preview.height()), whole));
    QImage image = canvas.imageForPainting();
    QPainter painter(&image);
    drawCaptureOverlay(painter, QRectF(whole), slot, state.labels[slot]);
    painter.end();
    return std::move(canvas).share();
}

void RecordViewModel::postOutputComposition(std::function<media::Frame(const OutputState&)> compose)
{
    const std::uint64_t generation = pump_->generation();
    composeQueue_->async([this, compose = std::move(compose), generation] {
        const media::Frame frame = compose(*outputState());
        if (!frame.isNull())
            pump_->enqueue(frame, generation);
    });
}

// ---- Overlay texts (main thread) ------------------------------------------------------------------

QString RecordViewModel::overlayInputName(int slot) const
{
    if (!validSlot(slot))
        return {};
    if (captureSources_[slot] != CaptureSourceKind::avFoundation)
        return QStringLiteral("DeckLink Input %1").arg(slot + 1);
    const media::CameraDevice* camera = cameraWithID(selectedAVDeviceIDs_[slot]);
    return camera ? QString::fromStdString(camera->localizedName) : QStringLiteral("No Camera");
}

QString RecordViewModel::overlayFormatLabel(int slot) const
{
    if (slot < 0 || slot >= kInputSlotCount || outputSourceMode_ != OutputSourceMode::capture)
        return QStringLiteral("No Signal");
    const decklink::IncomingVideoInfo& info = incomingInfos_[slot];
    if (info.width < 1 || info.height < 1)
        return QStringLiteral("No Signal");
    const QString rate = info.fpsEMA > 0 ? QString::asprintf("%.2f", info.fpsEMA) : QStringLiteral("-");
    return QStringLiteral("%1x%2 @ ").arg(info.width).arg(info.height) + rate;
}

QString RecordViewModel::overlayColorLabel(int slot) const
{
    // A fixed mode names itself; in auto the input's own signal is described.
    if (outputColorMode_ != OutputColorMode::auto_)
        return QString::fromLatin1(displayName(outputColorMode_));
    if (!validSlot(slot))
        return QStringLiteral("Unknown");
    const QString primaries = incomingInfos_[slot].primaries.toLower();
    const QString transfer = incomingInfos_[slot].transfer.toLower();
    if (primaries.contains(QStringLiteral("2020"))) {
        if (transfer.contains(QStringLiteral("2084")) || transfer.contains(QStringLiteral("pq")))
            return QStringLiteral("Rec.2020 PQ");
        if (transfer.contains(QStringLiteral("hlg")))
            return QStringLiteral("Rec.2020 HLG");
        return QStringLiteral("Rec.2020 SDR");
    }
    return primaries.contains(QStringLiteral("709")) ? QStringLiteral("Rec.709") : QStringLiteral("Unknown");
}

// ---- Preparation (output queue) --------------------------------------------------------------------

bool RecordViewModel::shouldDeinterlaceOutputFrame(const media::Frame& frame) const
{
    const auto state = outputState();
    if (state->interlacedOutput)
        return false;
    return media::isPixelBufferInterlaced(frame) || state->sourceInterlaced;
}

media::Frame RecordViewModel::resizePixelBuffer(const media::Frame& frame, QSize size)
{
    return media::FrameCompositor::scaled(frame, size);
}

media::Frame RecordViewModel::prepareOutputPixelBufferForDeckLink(const media::Frame& source)
{
    media::Frame frame = source;
    const bool deinterlace = shouldDeinterlaceOutputFrame(frame);
    auto toBGRA = [](const media::Frame& picture) {
        if (picture.format() == media::PixelFormat::BGRA || picture.width() < 1 || picture.height() < 1)
            return picture;
        const media::Frame converted = resizePixelBuffer(picture, QSize(picture.width(), picture.height()));
        return converted.isNull() ? picture : converted;
    };
    frame = toBGRA(frame);
    if (deinterlace) {
        if (media::Frame blended = media::deinterlacePixelBuffer(frame); !blended.isNull())
            frame = blended;
    }
    const QSize size = pumpOutputSize_;
    if (size.width() > 0 && (frame.width() != size.width() || frame.height() != size.height())) {
        if (media::Frame resized = resizePixelBuffer(frame, size); !resized.isNull())
            frame = resized;
    }
    return toBGRA(frame);
}

} // namespace capture
