// RecordViewModel: control of the program output on the card. The operator's request, the start on
// the output queue with a retry every 1.2 s while it fails, the stop, the restart after a setting
// changes, the follow-up of the project's format and colour mode, the colour and HDR settings sent
// to a running card, and the status texts, warnings and diagnostics of the output card.
//
// All state here belongs to the main thread except what the output queue keeps of the card (what
// was last sent, the HDMI read time). The queues read the main thread's values through the
// OutputState snapshot, published whole after every change.

#include "capture/RecordViewModel.h"

#include "decklink/DeckLinkOutput.h"
#include "media/frame/FrameFields.h"
#include "media/player/MediaProbe.h"
#include "platform/DebugLog.h"
#include "platform/MediaClock.h"
#include "platform/Scheduler.h"
#include "platform/SerialQueue.h"
#include "settings/AppSettings.h"
#include "settings/CaptureFormatFunctions.h"

#include <cmath>

namespace capture {

namespace {

bool isInterlacedOutputMode(std::optional<std::int32_t> mode)
{
    return mode && (*mode == 0 || *mode == 1 || *mode == 18 || *mode == 19 || *mode == 20);
}

} // namespace

// ---- Published state ---------------------------------------------------------------------------

void RecordViewModel::setupOutputObservers()
{
    auto publish = [this] { publishOutputState(); };
    connect(this, &RecordViewModel::previewImagesChanged, this, publish);
    connect(this, &RecordViewModel::activeInputCountChanged, this, publish);
    connect(this, &RecordViewModel::captureSourcesChanged, this, publish);
    connect(this, &RecordViewModel::selectedAVDeviceIDsChanged, this, publish);
    connect(this, &RecordViewModel::avDevicesChanged, this, publish);
    // The project's format and colour mode, from their next change on.
    auto follow = [this] { applyProjectOutputSettings(true); };
    projectFormatObserver_
        = connect(&settings_, &settings::AppSettings::projectFormatChanged, this, follow, Qt::QueuedConnection);
    projectColorObserver_ = connect(
        &settings_, &settings::AppSettings::projectOutputColorModeChanged, this, follow, Qt::QueuedConnection);
    publishOutputState();
}

void RecordViewModel::publishOutputState()
{
    Q_ASSERT(platform::isMainThread());
    auto state = std::make_shared<OutputState>();
    state->isOutputOn = isOutputOn_;
    state->sourceMode = outputSourceMode_;
    state->colorMode = outputColorMode_;
    state->nits = outputHDRMasteringNits_;
    state->interlacedOutput = isInterlacedOutputMode(resolveOutputModeCode());
    if (outputSourceMode_ == OutputSourceMode::playback) {
        state->sourceInterlaced = playbackSourceInterlaced_;
    } else {
        const int slot = std::clamp(outputFromInputIndex_, 0, kInputSlotCount - 1);
        state->sourceInterlaced = incomingScanModes_[slot] == settings::ProjectScanMode::interlaced;
    }
    state->cleanFeed = outputCleanFeed_;
    state->activeInputCount = activeInputCount_;
    state->previews = previewImages_;
    for (int slot = 0; slot < kInputSlotCount; ++slot)
        state->labels[slot] = overlayLabels(slot);
    std::lock_guard lock(outputStateMutex_);
    outputState_ = std::move(state);
}

std::shared_ptr<const RecordViewModel::OutputState> RecordViewModel::outputState() const
{
    std::lock_guard lock(outputStateMutex_);
    return outputState_;
}

void RecordViewModel::setIsOutputOn(bool value)
{
    assign(isOutputOn_, value, &RecordViewModel::isOutputOnChanged, true);
    publishOutputState();
}

void RecordViewModel::setIsOutputRequestedOn(bool value)
{
    assign(isOutputRequestedOn_, value, &RecordViewModel::isOutputRequestedOnChanged);
}

void RecordViewModel::setOutputPendingStart(bool value)
{
    outputPendingStart_ = value;
    publishRoadState();
}

void RecordViewModel::setOutputActiveSize(QSize size)
{
    outputActiveSize_ = size;
    publishRoadState();
}

void RecordViewModel::setOutputStatusText(const QString& text)
{
    assign(outputStatusText_, text, &RecordViewModel::outputStatusTextChanged);
}

void RecordViewModel::setOutputHDMIStatusText(const QString& text)
{
    assign(outputHDMIStatusText_, text, &RecordViewModel::outputHDMIStatusTextChanged);
}

void RecordViewModel::setOutputDeviceNames(const QStringList& names)
{
    outputDeviceNames_ = names;
    emit outputDeviceNamesChanged();
}

void RecordViewModel::setShowOutputWarningAlert(bool value)
{
    assign(showOutputWarningAlert_, value, &RecordViewModel::showOutputWarningAlertChanged);
}

void RecordViewModel::setSelectedOutputDeviceIndex(int value)
{
    assign(selectedOutputDeviceIndex_, value, &RecordViewModel::selectedOutputDeviceIndexChanged);
    if (isOutputRequestedOn_)
        restartOutputAfterSettingChange();
}

void RecordViewModel::setOutputFromInputIndex(int value)
{
    assign(outputFromInputIndex_, value, &RecordViewModel::outputFromInputIndexChanged, true);
    refreshOutputDiagnostics();
    if (isOutputRequestedOn_)
        restartOutputAfterSettingChange();
}

void RecordViewModel::setOutputSourceMode(OutputSourceMode mode)
{
    if (mode == outputSourceMode_)
        return;
    assign(outputSourceMode_, mode, &RecordViewModel::outputSourceModeChanged, true);
    refreshOutputDiagnostics();
    if (isOutputOn_) {
        setOutputStatusText(QStringLiteral("On")); // the running card keeps its mode
    } else if (isOutputRequestedOn_) {
        setOutputPendingStart(true);
        setOutputStatusText(QStringLiteral("No Signal"));
        startOutputIfPossible();
    }
}

void RecordViewModel::setOutputPlaybackSource(PlaybackOutputSource value)
{
    assign(outputPlaybackSource_, value, &RecordViewModel::outputPlaybackSourceChanged);
    refreshOutputDiagnostics();
}

void RecordViewModel::setPlaybackMultiViewActive(bool value)
{
    assign(playbackMultiViewActive_, value, &RecordViewModel::playbackMultiViewActiveChanged);
}

void RecordViewModel::setOutputCleanFeed(bool value)
{
    assign(outputCleanFeed_, value, &RecordViewModel::outputCleanFeedChanged, true);
    publishOutputState();
}

void RecordViewModel::setOutputFormat(settings::CaptureFormat value)
{
    assign(outputFormat_, value, &RecordViewModel::outputFormatChanged, true);
    publishOutputState();
}

// A running card picks the colour mode up before its next frame.
void RecordViewModel::setOutputColorMode(OutputColorMode value)
{
    assign(outputColorMode_, value, &RecordViewModel::outputColorModeChanged);
    publishOutputState();
}

void RecordViewModel::setOutputHDRMasteringNits(HDRMasteringNits value)
{
    assign(outputHDRMasteringNits_, value, &RecordViewModel::outputHDRMasteringNitsChanged);
    publishOutputState();
    if (isOutputOn_)
        updateHDRMetadataIfNeeded();
}

RecordViewModel::OutputColorMode RecordViewModel::outputColorMode(settings::ProjectOutputColorMode mode)
{
    switch (mode) {
    case settings::ProjectOutputColorMode::rec709:
        return OutputColorMode::rec709;
    case settings::ProjectOutputColorMode::rec2020:
        return OutputColorMode::rec2020;
    case settings::ProjectOutputColorMode::rec2020PQ:
        return OutputColorMode::rec2020PQ;
    case settings::ProjectOutputColorMode::rec2020HLG:
        return OutputColorMode::rec2020HLG;
    case settings::ProjectOutputColorMode::p3D65PQ:
        return OutputColorMode::p3D65PQ;
    }
    return OutputColorMode::rec709;
}

bool RecordViewModel::isHDR(OutputColorMode mode)
{
    return mode == OutputColorMode::rec2020PQ || mode == OutputColorMode::rec2020HLG
        || mode == OutputColorMode::p3D65PQ;
}

// ---- Request, start and retry ------------------------------------------------------------------

void RecordViewModel::showOutputWarning(const QString& message)
{
    const double now = clock_.now();
    if (lastOutputWarningTime_ && now - *lastOutputWarningTime_ < outputWarningCooldown)
        return;
    lastOutputWarningTime_ = now;
    assign(outputWarningAlertMessage_, message, &RecordViewModel::outputWarningAlertMessageChanged);
    setShowOutputWarningAlert(true);
}

void RecordViewModel::toggleOutput()
{
    Q_ASSERT(platform::isMainThread());
    if (isOutputRequestedOn_) {
        stopOutput();
        return;
    }
    if (outputDeviceNames_.isEmpty()) {
        setOutputStatusText(QStringLiteral("No DeckLink device"));
        showOutputWarning(QStringLiteral("No DeckLink output device found."));
        setIsOutputRequestedOn(false);
        setOutputPendingStart(false);
        return;
    }
    setIsOutputRequestedOn(true);
    setOutputPendingStart(true);
    setOutputStatusText(QStringLiteral("Starting..."));
    startOutputIfPossible();
}

void RecordViewModel::startOutputIfPossible()
{
    Q_ASSERT(platform::isMainThread());
    if (!isOutputRequestedOn_ || !outputPendingStart_ || outputStartAttemptInFlight_)
        return;
    const double now = clock_.now();
    if (now < nextOutputStartAttemptTime_) {
        scheduleOutputRetry(nextOutputStartAttemptTime_ - now);
        return;
    }
    const std::optional<std::int32_t> mode = resolveOutputModeCode();
    if (!mode) {
        setOutputStatusText(QStringLiteral("No Signal (waiting, auto retry)"));
        nextOutputStartAttemptTime_ = now + outputStartRetryInterval;
        scheduleOutputRetry();
        return;
    }
    if (isOutputOn_
        && (outputActiveModeCode_ != mode || settings::sizeForModeCode(*mode).value_or(QSize()) != outputActiveSize_)) {
        // The stop's reset applies at once, so the request set again below survives it.
        stopOutput();
        setIsOutputRequestedOn(true);
        setOutputPendingStart(true);
    }
    outputStartAttemptInFlight_ = true;
    startOutput(selectedOutputDeviceIndex_, *mode);
}

std::optional<std::int32_t> RecordViewModel::resolveOutputModeCode() const
{
    const settings::CaptureFormat project = settings_.projectFormat();
    if (project != settings::CaptureFormat::auto_)
        return settings::modeCode(project);
    if (outputFormat_ != settings::CaptureFormat::auto_)
        return settings::modeCode(outputFormat_);
    if (outputSourceMode_ == OutputSourceMode::capture) {
        const int slot = outputFromInputIndex_;
        if (slot < 0 || slot >= activeInputCount_)
            return std::nullopt;
        if (captureSources_[slot] == CaptureSourceKind::deckLink
            && selectedFormats_[slot] != settings::CaptureFormat::auto_)
            return settings::modeCode(selectedFormats_[slot]);
        const decklink::IncomingVideoInfo& info = incomingInfos_[slot];
        return settings::modeCodeFor(info.width, info.height, info.fpsEMA, incomingScanModes_[slot]);
    }
    if (playbackOutputInfo_.width > 0 && playbackOutputInfo_.height > 0)
        return settings::modeCodeFor(
            playbackOutputInfo_.width, playbackOutputInfo_.height, playbackOutputInfo_.fps, std::nullopt);
    return std::nullopt;
}

void RecordViewModel::startOutput(std::int32_t deviceIndex, std::int32_t modeCode)
{
    Q_ASSERT(platform::isMainThread());
    setOutputActiveSize(settings::sizeForModeCode(modeCode).value_or(QSize(0, 0)));
    const double cadence = cadenceFPSForModeCode(modeCode);
    outputQueue_->async([this, deviceIndex, modeCode, cadence] {
        const auto state = outputState();
        const bool forceHDR = isHDR(state->colorMode);
        bool ok = false;
        if (deckLinkOut_) {
            deckLinkOut_->setForceHDR(forceHDR);
            deckLinkOut_->setColorMode(static_cast<std::int32_t>(state->colorMode));
            sendHDRMetadata(state->nits);
            lastSentForceHDR_ = forceHDR;
            lastSentOutputColorMode_ = state->colorMode;
            lastSentHDRMasteringNits_ = forceHDR ? std::optional(state->nits) : std::nullopt;
            dlog(QStringLiteral("🎛️ StartOutput mode=%1 color=%2 nits=%3")
                     .arg(modeCode)
                     .arg(QLatin1String(displayName(state->colorMode)))
                     .arg(static_cast<int>(state->nits)));
            const auto started = deckLinkOut_->startWithDeviceIndex(deviceIndex, modeCode);
            ok = started.ok();
            if (!ok)
                dlog(QStringLiteral("❌ StartOutput failed: %1")
                         .arg(QLatin1String(decklink::DeckLinkOutput::startErrorName(started.error()))));
        }
        if (ok) {
            pumpOutputSize_ = settings::sizeForModeCode(modeCode).value_or(QSize());
            pump_->start(cadence);
            refreshHDMIStatusTextIfNeeded(true);
        } else {
            stopOutputCadencePump();
        }
        postToMain([this, ok, modeCode, forceHDR] { finishOutputStart(ok, modeCode, forceHDR); });
    });
}

void RecordViewModel::finishOutputStart(bool ok, std::int32_t modeCode, bool forceHDR)
{
    outputStartAttemptInFlight_ = false;
    setIsOutputOn(ok);
    if (ok) {
        setOutputPendingStart(false);
        setOutputStatusText(QStringLiteral("On"));
        outputActiveModeCode_ = modeCode;
        nextOutputStartAttemptTime_ = 0;
        scheduler_.cancel(std::exchange(outputRetryTimer_, 0));
        if (const auto size = settings::sizeForModeCode(modeCode))
            setOutputActiveSize(*size);
        refreshOutputDiagnostics();
        return;
    }
    setOutputPendingStart(isOutputRequestedOn_);
    if (forceHDR)
        setOutputStatusText(isOutputRequestedOn_ ? QStringLiteral("HDR start failed, retrying...")
                                                 : QStringLiteral("HDR start failed"));
    else
        setOutputStatusText(
            isOutputRequestedOn_ ? QStringLiteral("Start failed, retrying...") : QStringLiteral("Failed to start"));
    outputActiveModeCode_.reset();
    setOutputHDMIStatusText(QStringLiteral("HDMI: -"));
    if (isOutputRequestedOn_) {
        showOutputWarning(forceHDR ? QStringLiteral("HDR output failed. App will retry automatically.\nCheck HDMI "
                                                    "sink/TV HDR support, output format timing, and try UHD timing "
                                                    "for PQ.")
                                   : QStringLiteral("Output start failed. App will retry automatically."));
        nextOutputStartAttemptTime_ = clock_.now() + outputStartRetryInterval;
        scheduleOutputRetry();
    }
    setOutputActiveSize(QSize(0, 0));
    refreshOutputDiagnostics();
}

void RecordViewModel::scheduleOutputRetry(std::optional<double> after)
{
    if (!isOutputRequestedOn_ || !outputPendingStart_)
        return;
    scheduler_.cancel(std::exchange(outputRetryTimer_, 0));
    const double delay = std::max(after.value_or(outputStartRetryInterval), 0.2);
    outputRetryTimer_ = scheduler_.once(delay, [this] {
        outputRetryTimer_ = 0;
        startOutputIfPossible();
    });
}

// ---- Stop and restart ----------------------------------------------------------------------------

void RecordViewModel::resetPlaybackFeedState()
{
    lastPlaybackFrameTime_.reset();
    lastPlaybackItemTime_.reset();
    playbackFPSema_ = 0;
    playbackSourcePrimaries_ = playbackSourceTransfer_ = playbackSourceMatrix_ = QStringLiteral("-");
    playbackSourceInterlaced_ = false;
}

void RecordViewModel::stopCardOnOutputQueue()
{
    outputQueue_->async([this] {
        stopOutputCadencePump();
        if (deckLinkOut_)
            deckLinkOut_->stop();
        lastSentForceHDR_.reset();
        lastSentOutputColorMode_.reset();
        lastSentHDRMasteringNits_.reset();
    });
}

void RecordViewModel::stopOutput()
{
    Q_ASSERT(platform::isMainThread());
    scheduler_.cancel(std::exchange(outputRetryTimer_, 0));
    clearPendingOutputBuffer();
    setIsOutputRequestedOn(false);
    setIsOutputOn(false);
    setOutputPendingStart(false);
    outputStartAttemptInFlight_ = false;
    nextOutputStartAttemptTime_ = 0;
    setOutputStatusText(QStringLiteral("Off"));
    outputActiveModeCode_.reset();
    setOutputActiveSize(QSize(0, 0));
    setOutputHDMIStatusText(QStringLiteral("HDMI: -"));
    resetPlaybackFeedState();
    assign(outputSourceColorText_, QStringLiteral("Input Color: -"), &RecordViewModel::outputSourceColorTextChanged);
    assign(outputCadenceWarningText_, QString(), &RecordViewModel::outputCadenceWarningTextChanged);
    publishOutputState();
    stopCardOnOutputQueue();
}

void RecordViewModel::restartOutputAfterSettingChange()
{
    Q_ASSERT(platform::isMainThread());
    scheduler_.cancel(std::exchange(outputRetryTimer_, 0));
    outputStartAttemptInFlight_ = false;
    clearPendingOutputBuffer();
    resetPlaybackFeedState();
    lastPlaybackWebRTCComposeTime_.reset();
    playbackComposeWorkInFlight_ = false;
    if (isOutputOn_)
        stopCardOnOutputQueue();
    setIsOutputOn(false);
    outputActiveModeCode_.reset();
    setOutputActiveSize(QSize(0, 0));
    setOutputHDMIStatusText(QStringLiteral("HDMI: -"));
    assign(outputSourceColorText_, QStringLiteral("Input Color: -"), &RecordViewModel::outputSourceColorTextChanged);
    assign(outputCadenceWarningText_, QString(), &RecordViewModel::outputCadenceWarningTextChanged);
    setOutputPendingStart(true);
    setOutputStatusText(QStringLiteral("Switching..."));
    startOutputIfPossible();
}

void RecordViewModel::applyProjectOutputSettings(bool restartIfNeeded)
{
    const settings::CaptureFormat project = settings_.projectFormat();
    const settings::CaptureFormat format
        = project == settings::CaptureFormat::auto_ ? settings::CaptureFormat::hd1080p25 : project;
    const OutputColorMode color = outputColorMode(settings_.projectOutputColorMode());
    if (outputFormat_ == format && outputColorMode_ == color) {
        refreshOutputDiagnostics();
        return;
    }
    setOutputFormat(format);
    setOutputColorMode(color);
    refreshOutputDiagnostics();
    if (restartIfNeeded && isOutputRequestedOn_)
        restartOutputAfterSettingChange();
}

void RecordViewModel::clearPendingOutputBuffer()
{
    if (pump_)
        pump_->clear();
}

// ---- Colour and HDR on a running card (output queue) -------------------------------------------

void RecordViewModel::sendHDRMetadata(HDRMasteringNits nits)
{
    const double n = static_cast<double>(nits);
    deckLinkOut_->setHDRMetadataMaxNits(n, 0.005, n, n);
}

void RecordViewModel::syncOutputColorModeIfNeeded()
{
    Q_ASSERT(outputQueue_->isCurrent());
    if (!deckLinkOut_)
        return;
    const auto state = outputState();
    const bool forceHDR = isHDR(state->colorMode);
    if (lastSentForceHDR_ != forceHDR) {
        deckLinkOut_->setForceHDR(forceHDR);
        lastSentForceHDR_ = forceHDR;
    }
    if (lastSentOutputColorMode_ != state->colorMode) {
        deckLinkOut_->setColorMode(static_cast<std::int32_t>(state->colorMode));
        lastSentOutputColorMode_ = state->colorMode;
        lastSentHDRMasteringNits_.reset();
    }
    if (!forceHDR)
        lastSentHDRMasteringNits_.reset();
    else if (lastSentHDRMasteringNits_ != state->nits) {
        sendHDRMetadata(state->nits);
        lastSentHDRMasteringNits_ = state->nits;
    }
    refreshHDMIStatusTextIfNeeded(false);
}

void RecordViewModel::updateHDRMetadataIfNeeded()
{
    outputQueue_->async([this] {
        const auto state = outputState();
        if (!deckLinkOut_ || !isHDR(state->colorMode))
            return;
        sendHDRMetadata(state->nits);
        lastSentHDRMasteringNits_ = state->nits;
    });
}

void RecordViewModel::refreshHDMIStatusTextIfNeeded(bool force)
{
    Q_ASSERT(outputQueue_->isCurrent());
    const double now = clock_.now();
    if (!deckLinkOut_ || (!force && now - lastHDMIStatusUpdate_ < 1.0))
        return;
    lastHDMIStatusUpdate_ = now;
    const QString summary = QString::fromUtf8(deckLinkOut_->hdmiStatusSummary());
    postToMain([this, summary] {
        setOutputHDMIStatusText(summary);
        refreshOutputDiagnostics();
    });
}

void RecordViewModel::stopOutputCadencePump()
{
    pump_->stop();
}

// ---- Diagnostics -----------------------------------------------------------------------------------

QString RecordViewModel::outputSourceColorSummary() const
{
    if (outputSourceMode_ == OutputSourceMode::playback) {
        const QString p = settings::compactColorTag(playbackSourcePrimaries_);
        const QString t = settings::compactColorTag(playbackSourceTransfer_);
        const QString m = settings::compactColorTag(playbackSourceMatrix_);
        if (p == QLatin1String("-") && t == QLatin1String("-") && m == QLatin1String("-"))
            return QStringLiteral("-");
        return QStringLiteral("P:%1 T:%2 M:%3").arg(p, t, m);
    }
    const int slot = std::clamp(outputFromInputIndex_, 0, kInputSlotCount - 1);
    const QString a = settings::compactColorTag(incomingInfos_[slot].primaries);
    const QString b = settings::compactColorTag(incomingInfos_[slot].transfer);
    const QString none = QStringLiteral("-");
    if (a == none && b == none)
        return none;
    if (a != b && b != none)
        return a != none ? a + QStringLiteral(" / ") + b : b;
    return a;
}

QString RecordViewModel::outputInterlaceHint() const
{
    if (isInterlacedOutputMode(resolveOutputModeCode()))
        return {};
    if (outputSourceMode_ == OutputSourceMode::playback)
        return playbackSourceInterlaced_
            ? QStringLiteral("Interlaced source detected (deinterlace enabled for progressive output)")
            : QString();
    const int slot = std::clamp(outputFromInputIndex_, 0, kInputSlotCount - 1);
    return incomingScanModes_[slot] == settings::ProjectScanMode::interlaced
        ? QStringLiteral("Interlaced input detected (deinterlace enabled for progressive output)")
        : QString();
}

std::optional<double> RecordViewModel::sourceFPSForDiagnostics() const
{
    if (outputSourceMode_ == OutputSourceMode::playback)
        return playbackOutputInfo_.fps > 0 ? std::optional(playbackOutputInfo_.fps) : std::nullopt;
    const int slot = std::clamp(outputFromInputIndex_, 0, kInputSlotCount - 1);
    if (const int stable = stableFPSInt(slot); stable > 0)
        return double(stable);
    return incomingInfos_[slot].fpsEMA > 0 ? std::optional(incomingInfos_[slot].fpsEMA) : std::nullopt;
}

std::optional<double> RecordViewModel::outputFPSForDiagnostics() const
{
    if (const auto mode = resolveOutputModeCode()) {
        if (const auto fps = settings::fpsForModeCode(*mode))
            return fps;
    }
    if (outputFormat_ != settings::CaptureFormat::auto_)
        return settings::fpsValue(outputFormat_);
    return std::nullopt;
}

void RecordViewModel::refreshOutputDiagnostics()
{
    if (!platform::isMainThread()) {
        postToMain([this] { refreshOutputDiagnostics(); });
        return;
    }
    assign(outputSourceColorText_, QStringLiteral("Input Color: ") + outputSourceColorSummary(),
        &RecordViewModel::outputSourceColorTextChanged);
    const QString hint = outputInterlaceHint();
    QString text = hint;
    const auto source = sourceFPSForDiagnostics();
    const auto output = outputFPSForDiagnostics();
    if (source && output) {
        const double from = settings::normalizedCadenceRate(*source);
        const double to = settings::normalizedCadenceRate(*output);
        if (std::abs(from - to) > 0.35) {
            const QString warning = QString::asprintf("Cadence mismatch: %.2f → %.2f fps (may judder)", from, to);
            text = hint.isEmpty() ? warning : hint + QStringLiteral(" · ") + warning;
        }
    }
    assign(outputCadenceWarningText_, text, &RecordViewModel::outputCadenceWarningTextChanged);
    publishOutputState();
}

// ---- Devices, source mode, playback file -------------------------------------------------------

void RecordViewModel::refreshOutputDevices()
{
    setOutputDeviceNames(cards_.outputDeviceNames ? cards_.outputDeviceNames() : QStringList());
    const int count = static_cast<int>(outputDeviceNames_.size());
    if (selectedOutputDeviceIndex_ >= count)
        setSelectedOutputDeviceIndex(std::max(count, 1) - 1);
}

void RecordViewModel::primePlaybackOutputInfoIfNeeded(const QUrl& file)
{
    if (outputSourceMode_ != OutputSourceMode::playback)
        return;
    media::MediaProbe::probeAsync(file, this, [this](platform::Result<media::MediaInfo, QString> result) {
        if (!result || !result.value().hasVideo)
            return;
        const media::MediaInfo& info = result.value();
        const int width = std::abs(info.displayWidth());
        const int height = std::abs(info.displayHeight());
        if (width < 1 || height < 1)
            return;
        playbackOutputInfo_.width = width;
        playbackOutputInfo_.height = height;
        playbackSourceInterlaced_ = media::trackLooksInterlaced({ info.fieldInfo });
        if (info.nominalFrameRate > 0)
            playbackOutputInfo_.fps = info.nominalFrameRate;
        publishOutputState();
        startOutputIfPossible();
    });
}

double RecordViewModel::cadenceFPSForModeCode(std::int32_t modeCode) const
{
    double fps = settings::fpsForModeCode(modeCode).value_or(0);
    if (fps <= 0)
        fps = outputFormat_ != settings::CaptureFormat::auto_
            ? settings::fpsValue(outputFormat_)
            : settings::normalizedOutputFPS(playbackDeckLinkTapFPSHint());
    return std::max(fps, 1.0);
}

// ---- Frames for the card ---------------------------------------------------------------------------

void RecordViewModel::enqueueOutputFrameForDeckLink(const media::Frame& frame)
{
    pump_->enqueue(frame, pump_->generation());
}

std::size_t RecordViewModel::pendingOutputFrameCount()
{
    waitForOutputQueues();
    return pump_->pendingCount();
}

void RecordViewModel::setOutputTickObserver(std::function<void()> observer)
{
    outputQueue_->sync([&] { pump_->setTickObserver(std::move(observer)); });
}

void RecordViewModel::waitForOutputQueues()
{
    composeQueue_->sync([] {});
    outputQueue_->sync([] {});
    outputFrameStateQueue_->sync([] {});
}

} // namespace capture
