// RecordViewModel: the road every captured frame takes. Card pictures arrive on the main thread,
// camera frames on the camera queue; both measure the rate, describe the signal, publish a preview
// at most every 0.05 s, hand every frame of a recording slot to its writer queue, feed the program
// output and offer the frame to the remote-video session.
//
// The camera side reads the engine only through the RoadState snapshot and its slot's timing lock,
// and reaches the main thread through the slot's mailbox (one queued hop at most). The main-thread
// side does no conversion or scaling: pictures are shared, never copied, and output scaling runs
// on the output queue.

#include "capture/RecordViewModel.h"

#include "capture/MovieRecorder.h"
#include "decklink/VideoInfoProbe.h"
#include "media/camera/CameraSession.h"
#include "media/frame/FrameCompositor.h"
#include "platform/MainThread.h"
#include "platform/MediaClock.h"
#include "platform/SerialQueue.h"
#include "settings/CaptureFormatFunctions.h"

#include <QFontDatabase>
#include <QPainter>

namespace capture {

namespace {

// "1920x1080 • 25 fps • Rec.709 / HLG": the camera's size, rate and short colour tags.
QString cameraSignalText(const decklink::IncomingVideoInfo& info, const QString& rateLabel)
{
    QString text = QStringLiteral("%1x%2 \u2022 %3 fps").arg(info.width).arg(info.height).arg(rateLabel);
    const QString primaries = settings::compactColorTag(info.primaries);
    const QString transfer = settings::compactColorTag(info.transfer);
    const QString none = QStringLiteral("-");
    if (primaries == none && transfer == none)
        return text;
    if (primaries != transfer && primaries != none && transfer != none)
        return text + QStringLiteral(" \u2022 ") + primaries + QStringLiteral(" / ") + transfer;
    if (primaries == none)
        return text + QStringLiteral(" \u2022 ") + transfer;
    return text + QStringLiteral(" \u2022 ") + primaries;
}

} // namespace

// ---- Card pictures (main thread) -------------------------------------------------------------------

void RecordViewModel::didReceiveDeckLinkFrame(const media::Frame& image, int slot)
{
    Q_ASSERT(platform::isMainThread());
    if (!validSlot(slot) || image.isNull())
        return;
    receivedFrames_[slot].fetch_add(1, std::memory_order_relaxed);
    if (selectedFormats_[slot] == settings::CaptureFormat::auto_)
        updateTimingFromWallclock(slot);
    else
        applyFixedFormatTiming(slot);

    decklink::IncomingVideoInfo& info = incomingInfos_[slot];
    info.width = image.width();
    info.height = image.height();
    {
        const SlotTiming& timing = timing_[slot];
        std::lock_guard lock(timing.mutex);
        if (timing.stableFPSInt >= 1)
            info.fpsEMA = timing.stableFPSInt;
        else if (timing.measuredFPS > 0)
            info.fpsEMA = timing.measuredFPS;
    }

    offerLiveFrame(image, slot, LiveVideoSession::ActiveSource::deckLink, std::nullopt);
    handleCaptureOutput(image, slot);
    processFrame(image, slot);
    evaluateProjectFormatMatch(slot);
    refreshOutputDiagnostics();
}

// ---- Camera frames (camera queue) ------------------------------------------------------------------

void RecordViewModel::captureOutput(const media::Frame& sample, int slot, std::uint64_t generation)
{
    if (!validSlot(slot) || generation != cameraGenerations_[slot].load())
        return; // a frame of a session that was stopped or replaced
    receivedFrames_[slot].fetch_add(1, std::memory_order_relaxed);
    updateTimingFromSampleBuffer(sample, slot);
    const decklink::IncomingVideoInfo info = probes_[slot]->update(sample);
    const QString text = cameraSignalText(info, fpsInfo(slot, info).label);
    const auto road = roadState();
    const bool offerLive = road->liveVideo && !sample.isNull();
    postCameraHop(slot, generation, [&](MainHop& hop) {
        hop.signal = CameraSignal { text, info };
        if (offerLive) {
            hop.live = sample;
            hop.liveTime = sample.hostTime();
        }
    });
    if (sample.isNull())
        return;
    handleCaptureOutput(*road, sample, slot, generation);
    updateColorFromPixelBuffer(sample, slot);
    processFrameOn(*road, sample, slot, generation);
}

template <class Fill> void RecordViewModel::postCameraHop(int slot, std::uint64_t generation, Fill&& fill)
{
    MainHop& hop = mainHops_[slot];
    bool schedule = false;
    {
        std::lock_guard lock(hop.mutex);
        if (hop.generation != generation) {
            hop.signal.reset();
            hop.preview = {};
            hop.live = {};
            hop.liveTime.reset();
            hop.startOutput = false;
            hop.generation = generation;
        }
        fill(hop);
        schedule = !hop.queued;
        hop.queued = true;
    }
    if (schedule)
        postToMain([this, slot] { drainMainHop(slot); });
}

void RecordViewModel::drainMainHop(int slot)
{
    MainHop& hop = mainHops_[slot];
    std::optional<CameraSignal> signal;
    media::Frame preview;
    media::Frame live;
    std::optional<double> liveTime;
    bool startOutput = false;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(hop.mutex);
        hop.queued = false;
        generation = hop.generation;
        signal = std::exchange(hop.signal, std::nullopt);
        preview = std::exchange(hop.preview, {});
        live = std::exchange(hop.live, {});
        liveTime = std::exchange(hop.liveTime, std::nullopt);
        startOutput = std::exchange(hop.startOutput, false);
    }
    if (generation != cameraGenerations_[slot].load())
        return;
    if (signal) {
        setIncomingInfoText(slot, signal->text);
        incomingInfos_[slot] = signal->info;
        incomingColorSpaces_[slot] = projectColorSpace(signal->info.primaries);
        // Cameras are taken as progressive.
        if (!incomingScanModes_[slot])
            incomingScanModes_[slot] = settings::ProjectScanMode::progressive;
        evaluateProjectFormatMatch(slot);
        refreshOutputDiagnostics();
    }
    if (!live.isNull()) {
        if (auto session = webrtc_.lock())
            session->push(live, slot, LiveVideoSession::ActiveSource::avFoundation, liveTime);
    }
    if (startOutput)
        startOutputIfPossible();
    if (!preview.isNull())
        publishPreview(slot, preview);
}

// ---- Preview and writer hand-off -------------------------------------------------------------------

void RecordViewModel::processFrame(const media::Frame& image, int slot)
{
    Q_ASSERT(platform::isMainThread());
    if (validSlot(slot) && !image.isNull())
        processFrameOn(*roadState(), image, slot, std::nullopt);
}

void RecordViewModel::processFrameOn(
    const RoadState& road, const media::Frame& image, int slot, std::optional<std::uint64_t> cameraGeneration)
{
    const double now = clock_.now();
    bool due = false;
    {
        SlotTiming& timing = timing_[slot];
        std::lock_guard lock(timing.mutex);
        due = now - timing.lastUIUpdateTime >= uiMinInterval;
        if (due)
            timing.lastUIUpdateTime = now;
    }
    if (due) {
        if (cameraGeneration)
            postCameraHop(slot, *cameraGeneration, [&](MainHop& hop) { hop.preview = image; });
        else
            publishPreview(slot, image);
    }
    if (road.isRecording[slot] && road.takeSession)
        queueWriterStep(slot, image, *road.takeSession);
}

void RecordViewModel::publishPreview(int slot, const media::Frame& image)
{
    setPreviewImage(slot, image);
    lastFrameSizes_[slot] = QSize(image.width(), image.height());
    if (statusTexts_[slot].startsWith(QStringLiteral("Waiting for")))
        setStatusText(slot,
            isRecordingFlags_[slot] ? QStringLiteral("Recording\u2026") : QStringLiteral("Receiving video\u2026"));
}

void RecordViewModel::updateColorFromPixelBuffer(const media::Frame& pixelBuffer, int slot)
{
    if (!validSlot(slot) || pixelBuffer.isNull())
        return;
    const media::ColorTags& tags = pixelBuffer.colorTags();
    SlotTiming& timing = timing_[slot];
    std::lock_guard lock(timing.mutex);
    if (timing.lastColorTags == tags)
        return; // the dictionary is only rebuilt when the tags change
    timing.lastColorTags = tags;
    QVariantMap properties;
    auto put = [&](const char* key, auto tag) {
        if (tag != decltype(tag)::Unknown) {
            const auto name = media::platformName(tag);
            properties.insert(QLatin1String(key), QString::fromUtf8(name.data(), qsizetype(name.size())));
        }
    };
    put(colorPrimariesKey, tags.primaries);
    put(transferFunctionKey, tags.transfer);
    put(yCbCrMatrixKey, tags.matrix);
    timing.lastColorProperties = properties.isEmpty() ? std::nullopt : std::optional<QVariantMap>(properties);
}

std::optional<QVariantMap> RecordViewModel::lastColorProperties(int slot) const
{
    if (!validSlot(slot))
        return std::nullopt;
    std::lock_guard lock(timing_[slot].mutex);
    return timing_[slot].lastColorProperties;
}

// ---- Output hand-off -------------------------------------------------------------------------------

void RecordViewModel::handleCaptureOutput(const media::Frame& image, int slot)
{
    Q_ASSERT(platform::isMainThread());
    if (!validSlot(slot) || outputSourceMode_ != OutputSourceMode::capture)
        return;
    if (slot != outputFromInputIndex_ && activeInputCount_ < 2)
        return;
    if (outputPendingStart_)
        startOutputIfPossible();
    const QSize size = outputActiveSize_;
    if (!isOutputOn_ || size.width() < 1 || size.height() < 1)
        return;
    if (activeInputCount_ < 2) {
        // Fitting the picture to the output is done off the main thread.
        postOutputComposition([image, size](const OutputState&) { return makePixelBuffer(image, size); });
    } else if (claimComposeSlot(outputComposeMinIntervalHint())) {
        queueGridComposition(size);
    }
}

void RecordViewModel::handleCaptureOutput(const media::Frame& pixelBuffer, int slot, std::optional<double>)
{
    if (validSlot(slot) && !pixelBuffer.isNull())
        handleCaptureOutput(*roadState(), pixelBuffer, slot, cameraGenerations_[slot].load());
}

void RecordViewModel::handleCaptureOutput(
    const RoadState& road, const media::Frame& pixelBuffer, int slot, std::uint64_t generation)
{
    if (road.outputSourceMode != OutputSourceMode::capture)
        return;
    if (slot != road.outputFromInputIndex && road.activeInputCount < 2)
        return;
    if (road.outputPendingStart)
        postCameraHop(slot, generation, [](MainHop& hop) { hop.startOutput = true; });
    if (!road.isOutputOn)
        return;
    const QSize size = road.outputActiveSize;
    const bool hasSize = size.width() >= 1 && size.height() >= 1;
    if (road.activeInputCount < 2) {
        if (road.outputCleanFeed) {
            enqueueOutputFrameForDeckLink(pixelBuffer);
        } else if (hasSize) {
            postOutputComposition(
                [slot, size](const OutputState& state) { return composeSingleCapture(state, slot, size); });
        }
        return;
    }
    if (claimComposeSlot(road.composeInterval) && hasSize)
        queueGridComposition(size);
}

bool RecordViewModel::claimComposeSlot(double interval)
{
    const double now = clock_.now();
    std::lock_guard lock(composeMutex_);
    if (now - lastOutputComposeTime_ < interval)
        return false;
    lastOutputComposeTime_ = now;
    return true;
}

void RecordViewModel::queueGridComposition(QSize targetSize)
{
    postOutputComposition([targetSize](const OutputState& state) { return composeCaptureGrid(state, targetSize); });
}

double RecordViewModel::outputComposeMinIntervalHint() const
{
    if (const auto mode = resolveOutputModeCode()) {
        if (const auto rate = settings::fpsForModeCode(*mode); rate && *rate > 0)
            return 1.0 / *rate;
    }
    if (outputFormat_ != settings::CaptureFormat::auto_)
        return 1.0 / std::max(settings::fpsValue(outputFormat_), 1.0);
    return 1.0 / 30.0;
}

media::Frame RecordViewModel::makePixelBuffer(const media::Frame& image, QSize targetSize)
{
    // Frames are immutable: a picture that already fits is the output frame itself.
    if (image.width() == targetSize.width() && image.height() == targetSize.height()
        && image.format() == media::PixelFormat::BGRA)
        return image;
    media::MutableFrame canvas = media::FrameCompositor::blackCanvas(targetSize);
    if (canvas.isNull() || image.format() != media::PixelFormat::BGRA)
        return {};
    media::FrameCompositor::draw(canvas, image,
        media::FrameCompositor::aspectFit(QSize(image.width(), image.height()), QRect(QPoint(0, 0), targetSize)));
    canvas.setColorTags(image.colorTags());
    return std::move(canvas).share();
}

QRectF RecordViewModel::aspectFitRect(QSizeF sourceSize, const QRectF& rect)
{
    if (sourceSize.width() <= 0 || sourceSize.height() <= 0)
        return rect;
    const double scale = std::min(rect.width() / sourceSize.width(), rect.height() / sourceSize.height());
    const QSizeF size(sourceSize.width() * scale, sourceSize.height() * scale);
    return QRectF(
        rect.center().x() - size.width() / 2, rect.center().y() - size.height() / 2, size.width(), size.height());
}

// ---- Information overlay -------------------------------------------------------------------------

RecordViewModel::OverlayLabels RecordViewModel::overlayLabels(int slot) const
{
    return { overlayInputName(slot), overlayFormatLabel(slot), overlayColorLabel(slot) };
}

void RecordViewModel::drawCaptureOverlay(QPainter& painter, const QRectF& rect, int slot, const OverlayLabels& labels)
{
    const QString lines[3] = {
        QStringLiteral("Cam %1 \u2022 ").arg(slot + 1) + labels.inputName,
        QStringLiteral("Format: ") + labels.format,
        QStringLiteral("Color: ") + labels.color,
    };
    // Picture coordinates grow downwards: the box sits 8 pixels above the bottom edge, and the
    // "Cam" line is its lowest line.
    const QRectF box(rect.left() + 8, rect.bottom() - 8 - 64, 0.6 * rect.width(), 64);
    painter.save();
    painter.fillRect(box, QColor(0, 0, 0, int(0.55 * 255 + 0.5)));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int k = 0; k < 3; ++k) {
        const QRectF line(box.left() + 8, box.bottom() - 8 - 16 * (k + 1), box.width() - 16, 16);
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, lines[k]);
    }
    painter.restore();
}

// ---- Test and benchmark support ------------------------------------------------------------------

std::uint64_t RecordViewModel::receivedFrameCount(int slot) const
{
    return validSlot(slot) ? receivedFrames_[slot].load(std::memory_order_relaxed) : 0;
}

void RecordViewModel::waitForCameraFrames()
{
    Q_ASSERT(platform::isMainThread());
    avSessionQueue_->sync([] {});
    for (const auto& session : avCaptureSessions_) {
        if (session)
            session->waitUntilCurrent();
    }
    avVideoQueue_->sync([] {});
}

} // namespace capture
