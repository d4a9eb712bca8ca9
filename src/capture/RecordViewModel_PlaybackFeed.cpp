// RecordViewModel: the program output fed by playback. The playback taps hand the newest frame of
// the main or program player, or the frames of every player of a take preview; single frames go
// to the output unchanged, take previews become a grid that also feeds live-video track 0. Each
// single frame is measured (size, rate, colour, interlacing) for mode resolution and diagnostics.

#include "capture/RecordViewModel.h"

#include "media/frame/FrameCompositor.h"
#include "media/frame/FrameFields.h"
#include "platform/MediaClock.h"
#include "platform/SerialQueue.h"
#include "settings/CaptureFormatFunctions.h"

#include <cmath>

namespace capture {

double RecordViewModel::playbackDeckLinkTapFPSHint() const
{
    if (const auto mode = resolveOutputModeCode()) {
        if (const auto fps = settings::fpsForModeCode(*mode))
            return *fps;
    }
    if (outputFormat_ != settings::CaptureFormat::auto_)
        return settings::fpsValue(outputFormat_);
    if (playbackOutputInfo_.fps > 0)
        return settings::normalizedOutputFPS(playbackOutputInfo_.fps);
    return 60;
}

void RecordViewModel::handlePlaybackOutput(
    const media::Frame& pixelBuffer, PlaybackOutputSource source, std::optional<double> time)
{
    Q_ASSERT(platform::isMainThread());
    if (outputSourceMode_ != OutputSourceMode::playback || source != outputPlaybackSource_ || playbackMultiViewActive_
        || pixelBuffer.isNull())
        return;
    updatePlaybackOutputInfo(pixelBuffer, time);
    if (outputPendingStart_)
        startOutputIfPossible();
    if (isOutputOn_)
        enqueueOutputFrameForDeckLink(pixelBuffer);
}

void RecordViewModel::updatePlaybackOutputInfo(const media::Frame& pixelBuffer, std::optional<double> time)
{
    playbackOutputInfo_.width = pixelBuffer.width();
    playbackOutputInfo_.height = pixelBuffer.height();
    updatePlaybackColorFromPixelBuffer(pixelBuffer);
    playbackSourceInterlaced_ = media::isPixelBufferInterlaced(pixelBuffer);
    auto measure = [this](double seconds) {
        if (!(seconds > 0.0001) || !std::isfinite(seconds))
            return;
        const double rate = 1.0 / seconds;
        playbackFPSema_ = playbackFPSema_ == 0 ? rate : 0.1 * rate + 0.9 * playbackFPSema_;
        playbackOutputInfo_.fps = playbackFPSema_;
    };
    if (time && std::isfinite(*time)) {
        if (lastPlaybackItemTime_)
            measure(*time - *lastPlaybackItemTime_);
        lastPlaybackItemTime_ = time;
    } else {
        const double now = clock_.now();
        if (lastPlaybackFrameTime_)
            measure(now - *lastPlaybackFrameTime_);
        lastPlaybackFrameTime_ = now;
    }
    refreshOutputDiagnostics();
}

void RecordViewModel::updatePlaybackColorFromPixelBuffer(const media::Frame& pixelBuffer)
{
    const media::ColorTags& tags = pixelBuffer.colorTags();
    auto text = [](auto tag) {
        if (tag == decltype(tag)::Unknown)
            return QStringLiteral("-");
        const auto name = media::platformName(tag);
        return QString::fromUtf8(name.data(), qsizetype(name.size()));
    };
    playbackSourcePrimaries_ = text(tags.primaries);
    playbackSourceTransfer_ = text(tags.transfer);
    playbackSourceMatrix_ = text(tags.matrix);
}

void RecordViewModel::handlePlaybackMultiView(const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order)
{
    Q_ASSERT(platform::isMainThread());
    if (outputSourceMode_ != OutputSourceMode::playback || playbackComposeWorkInFlight_)
        return;
    media::Frame first;
    for (const QUuid& id : order) {
        if (first.isNull())
            first = frames.value(id);
    }
    if (first.isNull() && !frames.isEmpty())
        first = frames.constBegin().value();
    if (!first.isNull()) {
        playbackOutputInfo_.width = first.width();
        playbackOutputInfo_.height = first.height();
    }
    if (outputPendingStart_)
        startOutputIfPossible();

    const QSize outputSize = outputActiveSize_;
    const bool feedsOutput = isOutputOn_ && outputSize.width() >= 1 && outputSize.height() >= 1;
    const QSize canvas = feedsOutput ? outputSize
        : first.isNull()             ? QSize(1920, 1080)
                                     : QSize(first.width(), first.height());
    const double hint = playbackDeckLinkTapFPSHint();
    const double interval = hint > 24 ? 1.0 / std::min(hint, 60.0) : 1.0 / 24.0;
    const double now = clock_.now();
    const bool feedsLive = !lastPlaybackWebRTCComposeTime_ || now - *lastPlaybackWebRTCComposeTime_ >= interval;
    if (feedsLive)
        lastPlaybackWebRTCComposeTime_ = now;
    else if (!feedsOutput)
        return;

    playbackComposeWorkInFlight_ = true;
    const std::uint64_t generation = pump_->generation();
    composeQueue_->async([this, frames, order, canvas, outputSize, feedsLive, feedsOutput, generation] {
        media::Frame grid;
        if (feedsLive) {
            grid = composePlaybackGrid(frames, order, canvas);
            if (!grid.isNull()) {
                postToMain([this, grid] {
                    if (auto session = webrtc_.lock())
                        session->push(grid, 0, LiveVideoSession::ActiveSource::playback, std::nullopt);
                });
            }
        }
        if (feedsOutput) {
            if (grid.isNull() || canvas != outputSize)
                grid = composePlaybackGrid(frames, order, outputSize);
            if (!grid.isNull())
                pump_->enqueue(grid, generation);
        }
        postToMain([this] { playbackComposeWorkInFlight_ = false; });
    });
}

// Up to four columns, row 0 at the top; clips without a frame keep their black cell.
media::Frame RecordViewModel::composePlaybackGrid(
    const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order, QSize targetSize)
{
    if (targetSize.width() < 1 || targetSize.height() < 1)
        return {};
    const int count = std::max(static_cast<int>(order.size()), 1);
    const int columns = std::clamp(static_cast<int>(std::ceil(std::sqrt(double(count)))), 1, 4);
    const int rows = std::max((count + columns - 1) / columns, 1);
    const double cellWidth = targetSize.width() / double(columns);
    const double cellHeight = targetSize.height() / double(rows);
    std::vector<std::pair<media::Frame, QRect>> cells;
    std::vector<QRect> covered;
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        const media::Frame frame = frames.value(order[i]);
        if (frame.format() != media::PixelFormat::BGRA || frame.width() < 1 || frame.height() < 1)
            continue;
        const QRectF cell(cellWidth * (i % columns), cellHeight * (i / columns), cellWidth, cellHeight);
        const QRect box = media::FrameCompositor::pixelRect(cell);
        cells.emplace_back(frame, media::FrameCompositor::aspectFit(QSize(frame.width(), frame.height()), box));
        covered.push_back(cells.back().second);
    }
    media::MutableFrame canvas = media::FrameCompositor::blackCanvas(targetSize, covered);
    if (canvas.isNull())
        return {};
    for (const auto& [frame, rect] : cells)
        media::FrameCompositor::draw(canvas, frame, rect);
    return std::move(canvas).share();
}

} // namespace capture
