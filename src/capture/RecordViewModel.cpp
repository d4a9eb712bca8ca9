// RecordViewModel: creation and teardown, the published state and its setters, adding and
// removing input slots, and the read-only queries of a slot.

#include "capture/RecordViewModel.h"

#include "decklink/DeckLinkDelegateProxy.h"
#include "decklink/DeckLinkInput.h"
#include "decklink/DeckLinkOutput.h"
#include "decklink/VideoInfoProbe.h"
#include "media/camera/CameraSession.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "settings/AppSettings.h"

#include <QFileInfo>
#include <QPointer>

namespace capture {

RecordViewModel::CardSystem RecordViewModel::CardSystem::installed()
{
    return {
        [](const platform::MediaClock& clock) { return decklink::DeckLinkInput::create(clock); },
        [] { return std::make_unique<decklink::DeckLinkOutput>(); },
        [] { return decklink::DeckLinkOutput::deviceNames(); },
    };
}

RecordViewModel::RecordViewModel(Services services, QObject* parent)
    : QObject(parent)
    , settings_(services.settings)
    , scheduler_(services.scheduler)
    , clock_(services.clock)
    , notifications_(services.notifications)
    , cards_(std::move(services.cards))
    , cameraOptions_(std::move(services.cameras))
{
    Q_ASSERT(platform::isMainThread());
    captureSources_.fill(CaptureSourceKind::avFoundation);
    selectedFormats_.fill(settings::CaptureFormat::auto_);
    statusTexts_.fill(QStringLiteral("Idle"));
    currentTimecodes_.fill(QStringLiteral("00:00:00:00"));
    stableFPSLabel_.fill(QStringLiteral("-"));
    incomingInfoText_.fill(QStringLiteral("-"));
    lastCaptureSources_ = captureSources_;
    lastSelectedFormats_ = selectedFormats_;

    outputQueue_ = std::make_unique<platform::SerialQueue>("Corvale.DeckLinkOutQueue", clock_);
    outputFrameStateQueue_ = std::make_unique<platform::SerialQueue>("Corvale.OutputFrameState", clock_);
    composeQueue_ = std::make_unique<platform::SerialQueue>("Corvale.OutputComposeQueue", clock_);
    pump_ = std::make_unique<OutputCadencePump>(*outputQueue_, *outputFrameStateQueue_,
        OutputCadencePump::Hooks {
            [this] { return outputState()->isOutputOn; },
            [this] { syncOutputColorModeIfNeeded(); },
            [this](const media::Frame& frame) { return prepareOutputPixelBufferForDeckLink(frame); },
            [this](const media::Frame& frame) {
                if (deckLinkOut_)
                    deckLinkOut_->displayPixelBuffer(frame);
            },
        });
    avSessionQueue_ = std::make_unique<platform::SerialQueue>("Corvale.AVCaptureSessionQueue", clock_);
    avVideoQueue_ = std::make_unique<platform::SerialQueue>("Corvale.AVCaptureVideoQueue", clock_);
    for (int i = 0; i < kInputSlotCount; ++i) {
        writerQueues_[i] = std::make_unique<platform::SerialQueue>("Corvale.WriterQueue." + std::to_string(i), clock_);
        probes_[i] = std::make_unique<decklink::VideoInfoProbe>();
    }
    setupRecording();
    if (cards_.makeOutput)
        deckLinkOut_ = cards_.makeOutput();
    publishRoadState();
    publishOutputState();

    applyProjectOutputSettings(false);

    QPointer<RecordViewModel> self(this);
    for (int i = 0; i < kInputSlotCount; ++i) {
        if (cards_.makeInput)
            deckLinkInputs_[i] = cards_.makeInput(clock_);
        deckLinkProxies_[i] = std::make_shared<decklink::DeckLinkDelegateProxy>([self, i](const media::Frame& image) {
            if (self)
                self->didReceiveDeckLinkFrame(image, i);
        });
        if (deckLinkInputs_[i])
            deckLinkInputs_[i]->setDelegate(deckLinkProxies_[i]);
    }

    // A saved folder that no longer exists falls back to the default one; the setting stays.
    const std::optional<QUrl> saved = settings_.resolveRecordingFolderURL();
    if (saved && QFileInfo::exists(saved->toLocalFile()))
        outputFolderURL_ = saved;
    else
        outputFolderURL_ = defaultRecordingFolder();
    outputPathDisplay_ = outputFolderDisplayPath();

    refreshAVDevices();
    setupSelectionObservers();
    setupOutputObservers();
}

RecordViewModel::~RecordViewModel()
{
    for (int i = 0; i < kInputSlotCount; ++i)
        stopCaptureAllSources(i);
    stopOutput();
    // The session queue stops the cameras, after which no frame reaches the video queue; what
    // waits there runs while the engine is still whole.
    avSessionQueue_->shutdown();
    avVideoQueue_->shutdown();
    for (auto& queue : writerQueues_)
        queue->shutdown();
    composeQueue_->shutdown();
    outputQueue_->shutdown();
    outputFrameStateQueue_->shutdown();
    for (auto& input : deckLinkInputs_) {
        if (input)
            input->setDelegate({});
    }
}

// ---- Published state ---------------------------------------------------------------------------

void RecordViewModel::postToMain(std::function<void()> block) const
{
    platform::runOnMain(alive_.token(), std::move(block));
}

void RecordViewModel::publishRoadState()
{
    auto state = std::make_shared<RoadState>();
    state->outputSourceMode = outputSourceMode_;
    state->outputFromInputIndex = outputFromInputIndex_;
    state->activeInputCount = activeInputCount_;
    state->outputPendingStart = outputPendingStart_;
    state->isOutputOn = isOutputOn_;
    state->outputActiveSize = outputActiveSize_;
    state->outputCleanFeed = outputCleanFeed_;
    state->composeInterval = outputComposeMinIntervalHint();
    state->isRecording = isRecordingFlags_;
    state->takeSession = activeTakeSession_;
    state->liveVideo = !webrtc_.expired();
    std::lock_guard lock(roadMutex_);
    road_ = std::move(state);
}

std::shared_ptr<const RecordViewModel::RoadState> RecordViewModel::roadState() const
{
    std::lock_guard lock(roadMutex_);
    return road_;
}

void RecordViewModel::setCaptureSource(int slot, CaptureSourceKind kind)
{
    if (!validSlot(slot))
        return;
    captureSources_[slot] = kind;
    applySelectionToTiming(slot);
    emit captureSourcesChanged(slot);
}

void RecordViewModel::setSelectedFormat(int slot, settings::CaptureFormat format)
{
    if (!validSlot(slot))
        return;
    selectedFormats_[slot] = format;
    applySelectionToTiming(slot);
    emit selectedFormatsChanged(slot);
}

void RecordViewModel::setSelectedDeckLinkIndex(int slot, int deviceIndex)
{
    assignSlot(selectedDeckLinkIndexes_, slot, deviceIndex, &RecordViewModel::selectedDeckLinkIndexesChanged);
}

void RecordViewModel::setSelectedAVDeviceID(int slot, const std::optional<QString>& uniqueID)
{
    assignSlot(selectedAVDeviceIDs_, slot, uniqueID, &RecordViewModel::selectedAVDeviceIDsChanged);
}

void RecordViewModel::applySelectionToTiming(int slot)
{
    SlotTiming& timing = timing_[slot];
    std::lock_guard lock(timing.mutex);
    timing.source = captureSources_[slot];
    timing.format = selectedFormats_[slot];
}

void RecordViewModel::setAvDevices(std::vector<media::CameraDevice> devices)
{
    avDevices_ = std::move(devices);
    emit avDevicesChanged();
}

void RecordViewModel::setStatusText(int slot, const QString& text)
{
    assignSlot(statusTexts_, slot, text, &RecordViewModel::statusTextsChanged);
}

void RecordViewModel::setIsCapturing(int slot, bool value)
{
    assignSlot(isCapturingFlags_, slot, value, &RecordViewModel::isCapturingFlagsChanged);
}

void RecordViewModel::setIsRecording(int slot, bool value)
{
    assignSlot(isRecordingFlags_, slot, value, &RecordViewModel::isRecordingFlagsChanged, true);
}

void RecordViewModel::setPreviewImage(int slot, const media::Frame& image)
{
    assignSlot(previewImages_, slot, image, &RecordViewModel::previewImagesChanged);
}

void RecordViewModel::setStableFPSLabel(int slot, const QString& label)
{
    assignSlot(stableFPSLabel_, slot, label, &RecordViewModel::stableFPSLabelChanged);
}

void RecordViewModel::setIncomingInfoText(int slot, const QString& text)
{
    assignSlot(incomingInfoText_, slot, text, &RecordViewModel::incomingInfoTextChanged);
}

void RecordViewModel::setInputRefLocked(int slot, bool value)
{
    assignSlot(inputRefLocked_, slot, value, &RecordViewModel::inputRefLockedChanged);
}

void RecordViewModel::setCurrentTimecode(int slot, const QString& text)
{
    assignSlot(currentTimecodes_, slot, text, &RecordViewModel::currentTimecodesChanged);
}

void RecordViewModel::setActiveInputCount(int value)
{
    assign(activeInputCount_, value, &RecordViewModel::activeInputCountChanged, true);
}

void RecordViewModel::setShowProjectFormatAlert(bool value)
{
    assign(showProjectFormatAlert_, value, &RecordViewModel::showProjectFormatAlertChanged);
}

void RecordViewModel::setProjectFormatAlertMessage(const QString& message)
{
    assign(projectFormatAlertMessage_, message, &RecordViewModel::projectFormatAlertMessageChanged);
}

void RecordViewModel::setReel(const QString& value)
{
    assign(reel_, value, &RecordViewModel::reelChanged);
}

void RecordViewModel::setScene(const QString& value)
{
    assign(scene_, value, &RecordViewModel::sceneChanged);
}

void RecordViewModel::setTake(std::int64_t value)
{
    assign(take_, value, &RecordViewModel::takeChanged);
}

// ---- Input slots ---------------------------------------------------------------------------------

const media::CameraDevice* RecordViewModel::cameraWithID(const std::optional<QString>& uniqueID) const
{
    if (!uniqueID)
        return nullptr;
    const std::string wanted = uniqueID->toStdString();
    for (const auto& device : avDevices_) {
        if (device.uniqueID == wanted)
            return &device;
    }
    return nullptr;
}

void RecordViewModel::resetSlot(int slot)
{
    setPreviewImage(slot, {});
    setStatusText(slot, QStringLiteral("Idle"));
    setIsCapturing(slot, false);
    setIsRecording(slot, false);
    setCaptureSource(slot, CaptureSourceKind::avFoundation);
    setSelectedFormat(slot, settings::CaptureFormat::auto_);
    setSelectedDeckLinkIndex(slot, 0);
}

void RecordViewModel::addSource()
{
    if (activeInputCount_ >= kInputSlotCount)
        return;
    suppressObservers_ = true;
    const int slot = activeInputCount_;
    setActiveInputCount(activeInputCount_ + 1);
    resetSlot(slot);
    // A camera chosen for the slot earlier stays.
    if (!selectedAVDeviceIDs_[slot] && !avDevices_.empty())
        setSelectedAVDeviceID(slot, QString::fromStdString(avDevices_.front().uniqueID));
    resetAutoDetectState(slot);
    suppressObservers_ = false;
    applyWebRTCSourceRouting();
}

void RecordViewModel::removeInput()
{
    if (activeInputCount_ < 2)
        return;
    suppressObservers_ = true;
    const int slot = activeInputCount_ - 1;
    stopCaptureAllSources(slot);
    finalizeStopCaptureUI(slot);
    resetSlot(slot);
    setSelectedAVDeviceID(slot,
        avDevices_.empty() ? std::nullopt
                           : std::optional<QString>(QString::fromStdString(avDevices_.front().uniqueID)));
    resetAutoDetectState(slot);
    if (outputFromInputIndex_ >= slot)
        setOutputFromInputIndex(0);
    setActiveInputCount(activeInputCount_ - 1);
    suppressObservers_ = false;
    applyWebRTCSourceRouting();
}

QString RecordViewModel::outputFolderDisplayPath() const
{
    return (outputFolderURL_ ? *outputFolderURL_ : defaultRecordingFolder()).toLocalFile();
}

media::Frame RecordViewModel::previewImage(int slot) const
{
    return validSlot(slot) ? previewImages_[slot] : media::Frame {};
}

QString RecordViewModel::captureFormatInfo(int slot) const
{
    if (!validSlot(slot))
        return {};
    const QString separator = QStringLiteral(" \u2022 ");
    QString rate;
    if (recordingFPSLabel_[slot])
        rate = *recordingFPSLabel_[slot] + QStringLiteral(" fps") + separator;
    else if (stableFPSInt(slot) >= 1)
        rate = stableFPSLabel_[slot] + QStringLiteral(" fps") + separator;
    const auto& size = lastFrameSizes_[slot];
    const QString sizeText
        = size ? QStringLiteral("%1x%2").arg(size->width()).arg(size->height()) : QStringLiteral("No signal");

    if (captureSources_[slot] == CaptureSourceKind::deckLink)
        return QStringLiteral("DeckLink: ") + settings::displayName(selectedFormats_[slot]) + separator + rate
            + sizeText;

    const media::CameraDevice* camera = cameraWithID(selectedAVDeviceIDs_[slot]);
    const QString name = camera ? QString::fromStdString(camera->localizedName) : QStringLiteral("No camera");
    const QString info
        = incomingInfoText_[slot] == QStringLiteral("-") ? QString() : separator + incomingInfoText_[slot];
    return name + separator + rate + sizeText + info;
}

} // namespace capture
