// RecordViewModel: recording control. Starting and stopping one input or all of them, the
// question asked before an input records a second file in the same take, and what the writers
// report back: the movie's name, failures, dropped frames, the running timecode and the end of
// each movie, after which the take may end.
//
// An input's recording belongs to its writer queue from start to finish (InputWriter); the main
// thread only decides and publishes. A stop is therefore always answered by one "stopped" report,
// counted by pendingFinishCount until it arrives, and the take ends with the last of them.

#include "capture/RecordViewModel.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace capture {

namespace {

const QString kRecording = QStringLiteral("Recording\u2026");

} // namespace

void RecordViewModel::setupRecording()
{
    Q_ASSERT(platform::isMainThread());
    const platform::LivenessFlag::Token token = alive_.token();
    for (int slot = 0; slot < kInputSlotCount; ++slot) {
        inputWriters_[slot] = std::make_unique<InputWriter>(
            *writerQueues_[slot], clock_, settings_, [this, slot] { return lastColorProperties(slot); },
            [this, slot, token](const InputWriter::Report& report) {
                platform::runOnMain(token, [this, slot, report] { handleWriterReport(slot, report); });
            });
    }
}

bool RecordViewModel::anyRecordingActive() const
{
    for (bool recording : isRecordingFlags_) {
        if (recording)
            return true;
    }
    return false;
}

void RecordViewModel::setIsRecordingAll(bool value)
{
    assign(isRecordingAll_, value, &RecordViewModel::isRecordingAllChanged);
}

void RecordViewModel::setDroppedFrames(int value)
{
    assign(droppedFrames_, value, &RecordViewModel::droppedFramesChanged);
}

void RecordViewModel::setShowResumeSameTakeAlert(bool value)
{
    assign(showResumeSameTakeAlert_, value, &RecordViewModel::showResumeSameTakeAlertChanged);
}

// ---- Starting and stopping -------------------------------------------------------------------------

void RecordViewModel::startRecordingAll()
{
    Q_ASSERT(platform::isMainThread());
    if (!activeTakeSession_)
        openTakeSession();
    bool started = false;
    for (int slot = 0; slot < activeInputCount_; ++slot) {
        if (isCapturingFlags_[slot] && !isRecordingFlags_[slot]) {
            startRecording(slot);
            started = true;
        }
    }
    setIsRecordingAll(started);
}

void RecordViewModel::stopRecordingAll()
{
    Q_ASSERT(platform::isMainThread());
    for (int slot = 0; slot < activeInputCount_; ++slot) {
        if (isRecordingFlags_[slot])
            stopRecording(slot);
    }
    setIsRecordingAll(false);
}

void RecordViewModel::toggleRecording(int slot)
{
    if (!validSlot(slot))
        return;
    if (isRecordingFlags_[slot])
        stopRecording(slot);
    else
        requestStartRecording(slot);
}

void RecordViewModel::requestStartRecording(int slot)
{
    if (!validSlot(slot) || isRecordingFlags_[slot])
        return;
    if (!anyRecordingActive() || segmentsPerInput_[slot] < 1) {
        startRecording(slot);
        return;
    }
    pendingStartIndex_ = slot;
    assign(resumeSameTakeAlertMessage_,
        QStringLiteral("Another channel is still recording.\n"
                       "If you confirm, this camera will start recording again in the SAME Take and create a second "
                       "file (segment).\n"
                       "Cancel if you want to stop all channels first."),
        &RecordViewModel::resumeSameTakeAlertMessageChanged);
    setShowResumeSameTakeAlert(true);
}

void RecordViewModel::confirmResumeSameTake()
{
    if (!pendingStartIndex_)
        return;
    const int slot = *std::exchange(pendingStartIndex_, std::nullopt);
    setShowResumeSameTakeAlert(false);
    startRecording(slot);
}

void RecordViewModel::cancelResumeSameTake()
{
    pendingStartIndex_.reset();
    setShowResumeSameTakeAlert(false);
}

void RecordViewModel::failStart(int slot, const QString& status)
{
    setStatusText(slot, status);
    setIsRecording(slot, false);
    recordingFPSLabel_[slot].reset();
    setRecordingFPSInt(slot, std::nullopt);
    endAccessingOutputFolderIfNeeded();
}

void RecordViewModel::startRecording(int slot)
{
    Q_ASSERT(platform::isMainThread());
    if (!validSlot(slot) || isRecordingFlags_[slot])
        return;
    if (!isCapturingFlags_[slot]) {
        setStatusText(slot, QStringLiteral("Start capture before recording"));
        return;
    }
    evaluateProjectFormatMatch(slot);
    if (!outputFolderURL_) {
        outputFolderURL_ = defaultRecordingFolder();
        emit outputFolderURLChanged();
        setOutputPathDisplay(outputFolderURL_->toLocalFile());
    }
    beginAccessingOutputFolderIfNeeded();
    if (!ensureWritableOutputFolder()) {
        failStart(slot, QStringLiteral("Recording folder not writable"));
        return;
    }
    if (!activeTakeSession_)
        openTakeSession();
    const TakeSession session = *activeTakeSession_;
    slateReel_[slot] = session.reel;
    slateScene_[slot] = session.scene;
    slateTake_[slot] = session.take;
    const int segment = ++segmentsPerInput_[slot];

    const RecordingRate rate = resolvedFPSForRecording(slot);
    const QString tag = makeClipTag(slot, segment);
    const std::optional<QUrl> url = nextRecordingURL(slot, segment);
    if (!url) {
        failStart(slot, QStringLiteral("Cannot access recording folder"));
        return;
    }

    // The writer learns of the recording before the frame road can see the flag, so every frame
    // that the road hands over belongs to it.
    const std::uint64_t generation = ++lastRecordingGeneration_;
    recordingGenerations_[slot] = generation;
    movieOpen_[slot] = true;
    recordingErrors_[slot].clear();
    inputWriters_[slot]->begin(
        { generation, *url, outputFolderURL_.value_or(defaultRecordingFolder()), tag, rate.fpsInt, session });

    setIsRecording(slot, true);
    setStatusText(slot, kRecording);
    setDroppedFrames(0);
    recordingFPSLabel_[slot] = rate.label;
    setRecordingFPSInt(slot, rate.fpsInt);
    setCurrentTimecode(slot, QStringLiteral("00:00:00:00"));
    currentRecordingURLs_[slot] = url;
    setOutputPathDisplay(url->toLocalFile());
    dlog("⏺️ Recording input", slot + 1, "to", url->fileName());
}

void RecordViewModel::stopRecording(int slot)
{
    Q_ASSERT(platform::isMainThread());
    if (!validSlot(slot) || !isRecordingFlags_[slot])
        return;
    if (isRecordingAll_)
        setIsRecordingAll(false);
    setIsRecording(slot, false);
    ++pendingFinishCount_;
    inputWriters_[slot]->stop(recordingGenerations_[slot]);
}

RecordViewModel::RecordingRate RecordViewModel::resolvedFPSForRecording(int slot) const
{
    using settings::RecordingFPSMode;
    switch (settings_.recordingFPSMode()) {
    case RecordingFPSMode::fps24:
        return { 24, QStringLiteral("24") };
    case RecordingFPSMode::fps25:
        return { 25, QStringLiteral("25") };
    case RecordingFPSMode::fps30:
        return { 30, QStringLiteral("30") };
    case RecordingFPSMode::fps50:
        return { 50, QStringLiteral("50") };
    case RecordingFPSMode::fps60:
        return { 60, QStringLiteral("60") };
    case RecordingFPSMode::auto_:
        break;
    }
    if (!validSlot(slot))
        return { 30, QStringLiteral("30") };
    double measured = 0;
    {
        const SlotTiming& timing = timing_[slot];
        std::lock_guard lock(timing.mutex);
        if (timing.stableFPSInt > 0)
            return { timing.stableFPSInt, timing.stableLabel };
        measured = timing.measuredFPS;
    }
    if (const auto reading = FPSStabilizer::quantize(measured))
        return { reading->fpsInt, reading->label };
    if (captureSources_[slot] == CaptureSourceKind::avFoundation
        || selectedFormats_[slot] == settings::CaptureFormat::auto_)
        return { 30, QStringLiteral("30") };
    const int fps = settings::fps(selectedFormats_[slot]);
    return { fps, QString::number(fps) };
}

// ---- What the writers report -----------------------------------------------------------------------

void RecordViewModel::handleWriterReport(int slot, const InputWriter::Report& report)
{
    using Kind = InputWriter::Report::Kind;
    if (report.kind == Kind::stopped) {
        finishingStep(slot, report);
        return;
    }
    // News of a recording that is no longer the slot's current one, or whose movie has ended.
    if (report.generation != recordingGenerations_[slot] || !movieOpen_[slot])
        return;
    switch (report.kind) {
    case Kind::urlChanged:
        currentRecordingURLs_[slot] = report.url;
        setOutputPathDisplay(report.url.toLocalFile());
        break;
    case Kind::cannotCreateFile:
    case Kind::initFailed:
        // The take stays open and the segment counted: a later start records the next segment.
        setIsRecording(slot, false);
        if (report.kind == Kind::cannotCreateFile)
            setStatusText(slot, QStringLiteral("Cannot create recording file"));
        else if (report.initError == MovieRecorder::RecorderError::cannotAddInput)
            setStatusText(slot, QStringLiteral("Record init failed (codec/format unsupported)"));
        else
            setStatusText(slot, QStringLiteral("Record init failed (writer)"));
        break;
    case Kind::droppedFrames:
        if (!recordingErrors_[slot].isEmpty())
            break;
        setDroppedFrames(report.droppedFrames);
        setStatusText(slot, QStringLiteral("Recording\u2026 (dropped %1 frames)").arg(report.droppedFrames));
        break;
    case Kind::writeFailed:
        // The movie cannot go on: the recording ends here, as if stopped, and keeps the reason.
        dlog("❌ Recording of input", slot + 1, "failed:", report.text);
        recordingErrors_[slot] = report.text;
        setStatusText(slot, QStringLiteral("Record failed: ") + report.text);
        stopRecording(slot);
        break;
    case Kind::timecode:
        setCurrentTimecode(slot, report.text);
        break;
    case Kind::stopped:
        break;
    }
}

void RecordViewModel::finishingStep(int slot, const InputWriter::Report& report)
{
    pendingFinishCount_ = std::max(pendingFinishCount_ - 1, 0);
    using Status = MovieRecorder::FinishStatus;
    const bool saved = report.finishStatus == Status::finished;
    const QString path = QDir::cleanPath(report.url.toLocalFile());
    if (report.generation == recordingGenerations_[slot] && movieOpen_[slot]) {
        movieOpen_[slot] = false;
        clearRecordingOfSlot(slot);
        if (saved) {
            setStatusText(slot, QStringLiteral("Saved: ") + QFileInfo(path).fileName());
            setOutputPathDisplay(path);
        } else if (report.finishStatus == Status::failed) {
            // The partial file stays on disk for whoever wants to rescue it; it is not announced.
            const QString reason = recordingErrors_[slot].isEmpty() ? QStringLiteral("The movie could not be written.")
                                                                    : recordingErrors_[slot];
            setStatusText(slot, QStringLiteral("Record failed: ") + reason);
        } else if (!report.failedBeforeMovie) {
            setStatusText(
                slot, isCapturingFlags_[slot] ? QStringLiteral("Receiving video\u2026") : QStringLiteral("Idle"));
        }
    }
    if (saved && QFileInfo::exists(path)) {
        dlog("✅ Saved take", path);
        notifications_.post(QStringLiteral("corvaleRecordingFinished"),
            QVariantMap { { QStringLiteral("url"), QUrl::fromLocalFile(path) } });
    }
    handleStopAndMaybeAdvanceTakeIfAllStopped();
    if (shutdownLoop_ && pendingFinishCount_ == 0)
        shutdownLoop_->quit();
}

// ---- Quitting and test support -----------------------------------------------------------------------

bool RecordViewModel::shutdown(double timeoutSeconds)
{
    Q_ASSERT(platform::isMainThread());
    for (int slot = 0; slot < kInputSlotCount; ++slot)
        stopRecording(slot);
    if (pendingFinishCount_ == 0)
        return true;
    QEventLoop loop;
    shutdownLoop_ = &loop;
    QTimer::singleShot(static_cast<int>(timeoutSeconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    shutdownLoop_ = nullptr;
    if (pendingFinishCount_ != 0)
        dlog("⚠️ Quit with", pendingFinishCount_, "movies still being finished");
    return pendingFinishCount_ == 0;
}

void RecordViewModel::waitForWriters()
{
    for (auto& writer : inputWriters_)
        writer->waitUntilWritten();
}

void RecordViewModel::queueWriterStep(int slot, const media::Frame& image, const TakeSession&)
{
    inputWriters_[slot]->enqueue(image);
}

} // namespace capture
