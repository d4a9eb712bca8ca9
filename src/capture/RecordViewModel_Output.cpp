// RecordViewModel: the program output on the card. Holds what the capture side calls today (the
// output choices, the mode the output runs in, the hand-off of frames); output control,
// composition and the cadence pump complete it.

#include "capture/RecordViewModel.h"

#include "decklink/DeckLinkOutput.h"
#include "platform/SerialQueue.h"
#include "settings/AppSettings.h"

#include <deque>

namespace capture {

void RecordViewModel::setIsOutputOn(bool value)
{
    assign(isOutputOn_, value, &RecordViewModel::isOutputOnChanged, true);
}

void RecordViewModel::setOutputActiveSize(QSize size)
{
    outputActiveSize_ = size;
    publishRoadState();
}

void RecordViewModel::setOutputFromInputIndex(int value)
{
    assign(outputFromInputIndex_, value, &RecordViewModel::outputFromInputIndexChanged, true);
}

void RecordViewModel::setOutputSourceMode(OutputSourceMode mode)
{
    assign(outputSourceMode_, mode, &RecordViewModel::outputSourceModeChanged, true);
}

void RecordViewModel::setOutputCleanFeed(bool value)
{
    assign(outputCleanFeed_, value, &RecordViewModel::outputCleanFeedChanged, true);
}

void RecordViewModel::setOutputFormat(settings::CaptureFormat value)
{
    assign(outputFormat_, value, &RecordViewModel::outputFormatChanged, true);
}

void RecordViewModel::setOutputColorMode(OutputColorMode value)
{
    assign(outputColorMode_, value, &RecordViewModel::outputColorModeChanged);
}

void RecordViewModel::applyProjectOutputSettings(bool) { }

void RecordViewModel::startOutputIfPossible() { }

std::optional<std::int32_t> RecordViewModel::resolveOutputModeCode() const
{
    if (outputFormat_ == settings::CaptureFormat::auto_)
        return std::nullopt;
    return settings::modeCode(outputFormat_);
}

void RecordViewModel::refreshOutputDiagnostics() { }

void RecordViewModel::stopOutput() { }

void RecordViewModel::syncOutputColorModeIfNeeded() { }

media::Frame RecordViewModel::composeCapturePreviewPixelBuffer(QSize)
{
    return {};
}

media::Frame RecordViewModel::composeSingleCapturePixelBuffer(int, QSize)
{
    return {};
}

void RecordViewModel::enqueueOutputFrameForDeckLink(const media::Frame& frame)
{
    outputFrameStateQueue_->async([this, frame] {
        pendingOutputPixelBuffers_.push_back(frame);
        while (pendingOutputPixelBuffers_.size() > pendingOutputFrameLimit)
            pendingOutputPixelBuffers_.pop_front();
    });
}

std::size_t RecordViewModel::pendingOutputFrameCount()
{
    std::size_t count = 0;
    outputQueue_->sync([] {});
    outputFrameStateQueue_->sync([&] { count = pendingOutputPixelBuffers_.size(); });
    return count;
}

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
    switch (outputColorMode_) {
    case OutputColorMode::rec709:
        return QStringLiteral("Rec.709 (SDR)");
    case OutputColorMode::rec2020:
        return QStringLiteral("Rec.2020 (SDR)");
    case OutputColorMode::rec2020PQ:
        return QStringLiteral("Rec.2020 + PQ (HDR)");
    case OutputColorMode::rec2020HLG:
        return QStringLiteral("Rec.2020 + HLG (HDR)");
    case OutputColorMode::p3D65PQ:
        return QStringLiteral("P3-D65 ST2084 (HDR)");
    case OutputColorMode::auto_:
        break;
    }
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

} // namespace capture
