// RecordViewModel: what feeds each slot. Starting and stopping card inputs and cameras, camera
// discovery, the reset of a slot's measured signal, and the reactions to the operator's changes of
// a slot's selection (remembered when idle, restart or camera swap when capturing, refused while
// recording).

#include "capture/RecordViewModel.h"

#include "decklink/DeckLinkInput.h"
#include "media/camera/CameraSession.h"
#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "settings/AppSettings.h"

namespace capture {

namespace {

QString nameOf(const media::CameraDevice& camera)
{
    return QString::fromStdString(camera.localizedName);
}

// The status text of a camera that could not be opened.
QString cameraStartFailureText(media::CameraError error)
{
    switch (error) {
    case media::CameraError::deviceGone:
        return QStringLiteral("No camera available");
    case media::CameraError::deviceBusy:
        return QStringLiteral("Cannot add camera input");
    case media::CameraError::noUsableMode:
        return QStringLiteral("Cannot add video output");
    case media::CameraError::permissionDenied:
    case media::CameraError::notACamera:
    case media::CameraError::failed:
        break;
    }
    return QStringLiteral("Cannot open camera input");
}

} // namespace

void RecordViewModel::refreshAVDevices()
{
    // Opening every node takes a moment: discovery runs on the session queue, which also keeps it
    // from probing a device while a start opens it, and hands the list to the main thread.
    avSessionQueue_->async([this, options = cameraOptions_] {
        auto devices = media::CameraDiscovery::devices(options);
        postToMain([this, devices = std::move(devices)]() mutable { setDiscoveredCameras(std::move(devices)); });
    });
}

void RecordViewModel::setDiscoveredCameras(std::vector<media::CameraDevice> devices)
{
    QStringList names;
    for (const auto& device : devices)
        names << nameOf(device);
    dlog("🎥 Found cameras:", names.join(QStringLiteral(", ")));
    suppressObservers_ = true;
    setAvDevices(std::move(devices));
    for (int slot = 0; slot < kInputSlotCount; ++slot) {
        // A chosen camera stays chosen, even when it is no longer connected.
        if (!selectedAVDeviceIDs_[slot] && !avDevices_.empty())
            setSelectedAVDeviceID(slot, QString::fromStdString(avDevices_.front().uniqueID));
    }
    suppressObservers_ = false;
}

void RecordViewModel::startCapture(int slot)
{
    if (!validSlot(slot) || isCapturingFlags_[slot])
        return;
    resetAutoDetectState(slot);
    if (captureSources_[slot] == CaptureSourceKind::deckLink)
        startDeckLinkCapture(slot);
    else
        startAVCapture(slot);
}

void RecordViewModel::startDeckLinkCapture(int slot)
{
    if (!validSlot(slot))
        return;
    setStatusText(slot, QStringLiteral("Starting DeckLink\u2026"));
    const settings::CaptureFormat format = selectedFormats_[slot];
    const auto& input = deckLinkInputs_[slot];
    const bool started = input && input->start(selectedDeckLinkIndexes_[slot], settings::modeCode(format));
    if (started) {
        setIsCapturing(slot, true);
        setStatusText(slot,
            format == settings::CaptureFormat::auto_
                ? QStringLiteral("Waiting for video signal (Auto)\u2026")
                : QStringLiteral("Waiting for ") + settings::displayName(format) + QStringLiteral("\u2026"));
    } else {
        setIsCapturing(slot, false);
        setPreviewImage(slot, {});
        setStatusText(slot, QStringLiteral("No DeckLink signal or unsupported format"));
    }
    applyWebRTCSourceRouting();
}

void RecordViewModel::startAVCapture(int slot)
{
    if (!validSlot(slot))
        return;
    setStatusText(slot, QStringLiteral("Starting camera\u2026"));
    const media::CameraDevice* found = selectedAVDeviceIDs_[slot]
        ? cameraWithID(selectedAVDeviceIDs_[slot])
        : (avDevices_.empty() ? nullptr : &avDevices_.front());
    if (!found) {
        setStatusText(slot, QStringLiteral("No camera available"));
        return;
    }
    const media::CameraDevice camera = *found;
    const std::uint64_t generation = ++cameraGenerations_[slot];
    auto session = std::make_shared<media::CameraSession>(
        *avVideoQueue_, [this, slot, generation](const media::Frame& frame) { captureOutput(frame, slot, generation); },
        [this, slot, generation](
            media::CameraError) { postToMain([this, slot, generation] { cameraEnded(slot, generation); }); },
        cameraOptions_, clock_);
    avCaptureSessions_[slot] = session;
    setIsCapturing(slot, true);
    setStatusText(slot, QStringLiteral("Starting ") + nameOf(camera) + QStringLiteral("\u2026"));
    applyWebRTCSourceRouting();

    // Opening the device blocks, so it happens on the session queue.
    avSessionQueue_->async([this, session, camera, slot, generation] {
        auto started = session->start(camera);
        std::optional<media::CameraError> error;
        if (!started) {
            error = started.error();
            // Whatever the failed start got hold of is let go, or the next start finds it busy.
            session->stop();
        }
        postToMain([this, slot, generation, camera, error] { cameraStartFinished(slot, generation, camera, error); });
    });
}

void RecordViewModel::cameraStartFinished(
    int slot, std::uint64_t generation, const media::CameraDevice& camera, std::optional<media::CameraError> error)
{
    if (generation != cameraGenerations_[slot].load())
        return; // stopped or restarted meanwhile
    if (!error) {
        setStatusText(slot, QStringLiteral("Receiving from ") + nameOf(camera));
        return;
    }
    dlog("❌ Camera start failed:", nameOf(camera), media::displayName(*error));
    ++cameraGenerations_[slot];
    avCaptureSessions_[slot].reset();
    setIsCapturing(slot, false);
    setStatusText(slot, cameraStartFailureText(*error));
    applyWebRTCSourceRouting();
}

void RecordViewModel::cameraEnded(int slot, std::uint64_t generation)
{
    if (generation != cameraGenerations_[slot].load())
        return;
    dlog("⚠️ Camera disconnected on input", slot + 1);
    stopCaptureAllSources(slot);
    finalizeStopCaptureUI(slot);
    setStatusText(slot, QStringLiteral("Camera disconnected"));
}

void RecordViewModel::stopCaptureAllSources(int slot)
{
    if (!validSlot(slot))
        return;
    stopRecording(slot);
    if (deckLinkInputs_[slot])
        deckLinkInputs_[slot]->stop();
    ++cameraGenerations_[slot];
    if (auto session = std::exchange(avCaptureSessions_[slot], {}))
        avSessionQueue_->async([session] { session->stop(); });
}

void RecordViewModel::finalizeStopCaptureUI(int slot)
{
    if (!validSlot(slot))
        return;
    setIsCapturing(slot, false);
    setPreviewImage(slot, {});
    setStatusText(slot, QStringLiteral("Stopped"));
    recordingFPSLabel_[slot].reset();
    {
        SlotTiming& timing = timing_[slot];
        std::lock_guard lock(timing.mutex);
        timing.recordingFPSInt.reset();
        timing.estimator.timestamps.clear();
    }
    projectFormatMismatchFlags_[slot] = false;
    projectFormatMismatchReasons_[slot].clear();
    incomingScanModes_[slot].reset();
    incomingColorSpaces_[slot].reset();
    setInputRefLocked(slot, false);
    applyWebRTCSourceRouting();
}

void RecordViewModel::resetAutoDetectState(int slot)
{
    if (!validSlot(slot))
        return;
    resetFrameTiming(slot);
    lastFrameSizes_[slot].reset();
    setStableFPSLabel(slot, QStringLiteral("-"));
    recordingFPSLabel_[slot].reset();
    incomingInfos_[slot] = decklink::IncomingVideoInfo {};
    projectFormatMismatchFlags_[slot] = false;
    projectFormatMismatchReasons_[slot].clear();
    incomingScanModes_[slot].reset();
    incomingColorSpaces_[slot].reset();
    setInputRefLocked(slot, false);
    postToMain([this, slot] { setIncomingInfoText(slot, QStringLiteral("-")); });
}

// ---- Selection observers ---------------------------------------------------------------------------

void RecordViewModel::setupSelectionObservers()
{
    // Direct connections: an observer sees each write while the writer's suppressObservers_ still
    // holds, so the engine's own writes never reach a reaction.
    connect(this, &RecordViewModel::captureSourcesChanged, this, &RecordViewModel::onCaptureSourcesChanged);
    connect(this, &RecordViewModel::selectedAVDeviceIDsChanged, this, &RecordViewModel::onSelectedAVDeviceIDsChanged);
    connect(this, &RecordViewModel::selectedDeckLinkIndexesChanged, this,
        &RecordViewModel::onSelectedDeckLinkIndexesChanged);
    connect(this, &RecordViewModel::selectedFormatsChanged, this, &RecordViewModel::onSelectedFormatsChanged);
    connect(
        &settings_, &settings::AppSettings::projectFormatChanged, this, [this] { applyProjectOutputSettings(true); });
    connect(&settings_, &settings::AppSettings::projectOutputColorModeChanged, this,
        [this] { applyProjectOutputSettings(true); });
}

namespace {

// Calls `react(slot, new, old)` for every slot in use whose entry changed since the remembered
// array, and remembers the current one. The engine's own writes are remembered without a reaction,
// so the next change is compared with what the slot really holds.
template <class T, class React>
void observeSelection(PerSlot<T>& remembered, const PerSlot<T>& current, bool suppressed, int activeCount, React react)
{
    const PerSlot<T> previous = std::exchange(remembered, current);
    if (suppressed)
        return;
    for (int slot = 0; slot < activeCount; ++slot) {
        if (current[slot] != previous[slot])
            react(slot, current[slot], previous[slot]);
    }
}

} // namespace

void RecordViewModel::onCaptureSourcesChanged()
{
    observeSelection(lastCaptureSources_, captureSources_, suppressObservers_, activeInputCount_,
        [this](int slot, CaptureSourceKind now, CaptureSourceKind before) {
            handleCaptureSourceChanged(slot, now, before);
        });
}

void RecordViewModel::onSelectedDeckLinkIndexesChanged()
{
    observeSelection(lastSelectedDeckLinkIndexes_, selectedDeckLinkIndexes_, suppressObservers_, activeInputCount_,
        [this](int slot, int now, int before) { handleDeckLinkDeviceChanged(slot, now, before); });
}

void RecordViewModel::onSelectedFormatsChanged()
{
    observeSelection(lastSelectedFormats_, selectedFormats_, suppressObservers_, activeInputCount_,
        [this](int slot, settings::CaptureFormat now, settings::CaptureFormat before) {
            handleDeckLinkFormatChanged(slot, now, before);
        });
}

void RecordViewModel::onSelectedAVDeviceIDsChanged()
{
    observeSelection(lastSelectedAVDeviceIDs_, selectedAVDeviceIDs_, suppressObservers_, activeInputCount_,
        [this](int slot, const std::optional<QString>& now, const std::optional<QString>& before) {
            handleAVDeviceChanged(slot, now, before);
        });
}

void RecordViewModel::refuseWhileRecording(int slot, const std::function<void()>& restore, const QString& why)
{
    // The previous selection goes back without a reaction of its own.
    suppressObservers_ = true;
    restore();
    suppressObservers_ = false;
    setStatusText(slot, why);
}

void RecordViewModel::restartCapture(int slot)
{
    stopCaptureAllSources(slot);
    setIsCapturing(slot, false);
    startCapture(slot);
}

void RecordViewModel::handleCaptureSourceChanged(int slot, CaptureSourceKind, CaptureSourceKind oldSource)
{
    if (!validSlot(slot))
        return;
    if (isRecordingFlags_[slot]) {
        refuseWhileRecording(
            slot, [&] { setCaptureSource(slot, oldSource); }, QStringLiteral("Stop recording before changing Source"));
    } else if (isCapturingFlags_[slot]) {
        restartCapture(slot);
    }
}

void RecordViewModel::handleDeckLinkDeviceChanged(int slot, int, int oldIndex)
{
    if (!validSlot(slot) || captureSources_[slot] != CaptureSourceKind::deckLink || !isCapturingFlags_[slot])
        return;
    if (isRecordingFlags_[slot]) {
        refuseWhileRecording(
            slot, [&] { setSelectedDeckLinkIndex(slot, oldIndex); },
            QStringLiteral("Stop recording before changing DeckLink device"));
    } else {
        restartCapture(slot);
    }
}

void RecordViewModel::handleDeckLinkFormatChanged(int slot, settings::CaptureFormat, settings::CaptureFormat oldFormat)
{
    if (!validSlot(slot) || captureSources_[slot] != CaptureSourceKind::deckLink || !isCapturingFlags_[slot])
        return;
    if (isRecordingFlags_[slot]) {
        refuseWhileRecording(
            slot, [&] { setSelectedFormat(slot, oldFormat); },
            QStringLiteral("Stop recording before changing DeckLink format"));
    } else {
        restartCapture(slot);
    }
}

void RecordViewModel::handleAVDeviceChanged(
    int slot, const std::optional<QString>& newID, const std::optional<QString>& oldID)
{
    if (!validSlot(slot) || captureSources_[slot] != CaptureSourceKind::avFoundation || !isCapturingFlags_[slot])
        return;
    if (isRecordingFlags_[slot]) {
        refuseWhileRecording(
            slot, [&] { setSelectedAVDeviceID(slot, oldID); },
            QStringLiteral("Stop recording before changing Camera device"));
    } else {
        switchAVDeviceWhileRunning(slot, newID);
    }
}

void RecordViewModel::switchAVDeviceWhileRunning(int slot, const std::optional<QString>& deviceID)
{
    if (!validSlot(slot))
        return;
    const auto session = avCaptureSessions_[slot];
    if (!session)
        return;
    const media::CameraDevice* found = cameraWithID(deviceID);
    if (!found) {
        // The running camera keeps going.
        setStatusText(slot, QStringLiteral("No camera available"));
        return;
    }
    const media::CameraDevice camera = *found;
    setStatusText(slot, QStringLiteral("Switching to ") + nameOf(camera) + QStringLiteral("\u2026"));
    const std::uint64_t generation = cameraGenerations_[slot].load();
    // The new camera opens before the old one is let go: on failure the old one keeps streaming.
    avSessionQueue_->async([this, session, camera, slot, generation] {
        if (auto switched = session->switchTo(camera); !switched)
            dlog("❌ Camera switch failed:", nameOf(camera), media::displayName(switched.error()));
        postToMain([this, slot, generation, camera] {
            if (generation == cameraGenerations_[slot].load())
                setStatusText(slot, QStringLiteral("Receiving from ") + nameOf(camera));
        });
    });
}

} // namespace capture
