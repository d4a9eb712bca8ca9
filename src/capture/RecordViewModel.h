#pragma once

// The capture engine: up to four input slots, each fed by a card input or a camera, with their
// previews, status texts, measured frame rates and format checks; the take and recording state;
// one program output on the card; and the routing of live frames to the remote-video session.
//
// Threads: the object lives on the main thread, which owns every published property and runs
// every public operation unless a comment says otherwise. Camera frames arrive on the queue
// "Corvale.AVCaptureVideoQueue"; they read the engine through an immutable snapshot of the state
// the frame road needs (RoadState) and reach the main thread through one mailbox per slot with at
// most one pending hop. Each slot's timing state is guarded by its own lock, because the camera
// queue writes it and the writer queues read it. Other threads never touch published state.
//
// The behaviour is split by concern:
//   RecordViewModel.cpp            creation, published state, adding and removing slots, queries
//   RecordViewModel_Sources.cpp    starting, stopping and switching card inputs and cameras
//   RecordViewModel_Timing.cpp     frame-rate measurement and the rates for display and timecode
//   RecordViewModel_Frames.cpp     the per-frame road: previews, writer and output hand-offs
//   RecordViewModel_Format.cpp     card status polling and the project-format check
//   RecordViewModel_LiveVideo.cpp  routing of the remote-video tracks and frame offers
//   RecordViewModel_Takes.cpp      take sessions, the recording folder and file names
//   RecordViewModel_Recording.cpp  recording control and the writers' reports
//   RecordViewModel_Timecode.cpp   the timecode of recorded frames
//   RecordViewModel_Output.cpp     program output control: start, retry, stop, colour, diagnostics
//   RecordViewModel_Composition.cpp  the output's capture compositions and frame preparation
//   RecordViewModel_PlaybackFeed.cpp playback frames and take-preview grids for the output
// Output frames wait in an OutputCadencePump, which sends one per output frame period. Card calls
// run on "Corvale.DeckLinkOutQueue"; compositions on "Corvale.OutputComposeQueue", so a slow grid
// never delays a tick.

#include "capture/CaptureSourceKind.h"
#include "capture/FPSStabilizer.h"
#include "capture/FPSWindowEstimator.h"
#include "capture/InputWriter.h"
#include "capture/LiveVideoSession.h"
#include "capture/OutputCadencePump.h"
#include "capture/OutputChoices.h"
#include "capture/TakeSession.h"
#include "decklink/IncomingVideoInfo.h"
#include "media/camera/CameraDevice.h"
#include "media/camera/CameraDiscovery.h"
#include "media/camera/CameraError.h"
#include "media/frame/Frame.h"
#include "platform/MainThread.h"
#include "settings/CaptureFormat.h"
#include "settings/ProjectColorSpace.h"
#include "settings/ProjectOutputColorMode.h"
#include "settings/ProjectScanMode.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>
#include <QVariantMap>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

class QEventLoop;
class QPainter;

namespace platform {
class MediaClock;
class NotificationCenter;
class Scheduler;
class SerialQueue;
} // namespace platform
namespace settings {
class AppSettings;
}
namespace decklink {
class DeckLinkDelegateProxy;
class DeckLinkInput;
class DeckLinkOutput;
class VideoInfoProbe;
} // namespace decklink
namespace media {
class CameraSession;
}

namespace capture {

class MovieRecorder;

inline constexpr int kInputSlotCount = 4;
template <class T> using PerSlot = std::array<T, kInputSlotCount>;

class RecordViewModel : public QObject {
    Q_OBJECT

public:
    using OutputColorMode = capture::OutputColorMode;
    using HDRMasteringNits = capture::HDRMasteringNits;
    using OutputSourceMode = capture::OutputSourceMode;
    using PlaybackOutputSource = capture::PlaybackOutputSource;
    using RemotePreviewMode = capture::RemotePreviewMode;

    // The card driver as the engine uses it: inputs and the output are made through these, so a
    // process decides once which driver (real or simulated) stands behind them.
    struct CardSystem {
        std::function<std::shared_ptr<decklink::DeckLinkInput>(const platform::MediaClock&)> makeInput;
        std::function<std::unique_ptr<decklink::DeckLinkOutput>()> makeOutput;
        std::function<QStringList()> outputDeviceNames;
        // The driver the card loader finds (the simulated one unless the environment names another).
        static CardSystem installed();
    };

    // What the engine works with; the application hands in the shared instances, tests private ones.
    struct Services {
        settings::AppSettings& settings;
        platform::Scheduler& scheduler;
        platform::MediaClock& clock;
        platform::NotificationCenter& notifications;
        CardSystem cards = CardSystem::installed();
        media::CameraDiscovery::Options cameras = media::CameraDiscovery::Options::fromEnvironment();
    };

    explicit RecordViewModel(Services services, QObject* parent = nullptr);
    // Stops every slot (finishing recordings) and the program output.
    ~RecordViewModel() override;
    RecordViewModel(const RecordViewModel&) = delete;
    RecordViewModel& operator=(const RecordViewModel&) = delete;

    // ---- Input slots -------------------------------------------------------------------------
    int activeInputCount() const { return activeInputCount_; }
    const PerSlot<CaptureSourceKind>& captureSources() const { return captureSources_; }
    const PerSlot<settings::CaptureFormat>& selectedFormats() const { return selectedFormats_; }
    const PerSlot<int>& selectedDeckLinkIndexes() const { return selectedDeckLinkIndexes_; }
    const PerSlot<std::optional<QString>>& selectedAVDeviceIDs() const { return selectedAVDeviceIDs_; }
    const std::vector<media::CameraDevice>& avDevices() const { return avDevices_; }
    const PerSlot<media::Frame>& previewImages() const { return previewImages_; }
    const PerSlot<QString>& statusTexts() const { return statusTexts_; }
    const PerSlot<bool>& isCapturingFlags() const { return isCapturingFlags_; }
    const PerSlot<bool>& isRecordingFlags() const { return isRecordingFlags_; }
    const PerSlot<QString>& currentTimecodes() const { return currentTimecodes_; }
    const PerSlot<QString>& stableFPSLabel() const { return stableFPSLabel_; }
    const PerSlot<QString>& incomingInfoText() const { return incomingInfoText_; }
    const PerSlot<bool>& inputRefLocked() const { return inputRefLocked_; }
    int droppedFrames() const { return droppedFrames_; }

    // The screens write the selections; a slot outside 0...3 is ignored.
    void setCaptureSource(int slot, CaptureSourceKind kind);
    void setSelectedFormat(int slot, settings::CaptureFormat format);
    void setSelectedDeckLinkIndex(int slot, int deviceIndex);
    void setSelectedAVDeviceID(int slot, const std::optional<QString>& uniqueID);

    void addSource();
    void removeInput();
    QString outputFolderDisplayPath() const;
    media::Frame previewImage(int slot) const;
    QString captureFormatInfo(int slot) const;

    // ---- Sources -----------------------------------------------------------------------------
    void refreshAVDevices();
    void startCapture(int slot);
    void startDeckLinkCapture(int slot);
    void startAVCapture(int slot);
    void stopCaptureAllSources(int slot);
    void finalizeStopCaptureUI(int slot);
    void resetAutoDetectState(int slot);
    void handleCaptureSourceChanged(int slot, CaptureSourceKind newSource, CaptureSourceKind oldSource);
    void handleDeckLinkDeviceChanged(int slot, int newIndex, int oldIndex);
    void handleDeckLinkFormatChanged(int slot, settings::CaptureFormat newFormat, settings::CaptureFormat oldFormat);
    void handleAVDeviceChanged(int slot, const std::optional<QString>& newID, const std::optional<QString>& oldID);
    void switchAVDeviceWhileRunning(int slot, const std::optional<QString>& deviceID);

    // ---- Frame timing ------------------------------------------------------------------------
    // Any thread.
    void updateTimingFromSampleBuffer(const media::Frame& sample, int slot);
    void updateTimingFromWallclock(int slot);
    void applyDetectedFPS(double fps, int slot);
    int currentFPS(int slot) const;
    struct FPSInfo {
        std::optional<double> fps;
        QString label;
        bool stable = false;
    };
    FPSInfo fpsInfo(int slot, const decklink::IncomingVideoInfo& info = {}) const;
    // Main thread readers of the timing state.
    double measuredFPS(int slot) const;
    int stableFPSInt(int slot) const;
    // The rate a recording fixes for its timecode (none between recordings); read by currentFPS.
    void setRecordingFPSInt(int slot, std::optional<int> fps);

    // ---- Per-frame road ----------------------------------------------------------------------
    // Main thread: one converted card picture of a slot.
    void didReceiveDeckLinkFrame(const media::Frame& image, int slot);
    // Camera queue: one camera frame of a slot's session `generation` (older sessions' frames are dropped).
    void captureOutput(const media::Frame& sample, int slot, std::uint64_t generation);
    void processFrame(const media::Frame& image, int slot);
    void handleCaptureOutput(const media::Frame& image, int slot);
    void handleCaptureOutput(const media::Frame& pixelBuffer, int slot, std::optional<double> time);
    double outputComposeMinIntervalHint() const;
    // A BGRA frame of the target size with the picture aspect-fitted on black; null for an empty size.
    static media::Frame makePixelBuffer(const media::Frame& image, QSize targetSize);
    static QRectF aspectFitRect(QSizeF sourceSize, const QRectF& rect);
    void updateColorFromPixelBuffer(const media::Frame& pixelBuffer, int slot);
    // The colour tags of the slot's camera frames for the movie writer; any thread.
    std::optional<QVariantMap> lastColorProperties(int slot) const;
    // The three texts of a slot's information overlay, taken on the main thread so that a
    // composition on another queue draws without reading engine state.
    struct OverlayLabels {
        QString inputName;
        QString format;
        QString color;
    };
    OverlayLabels overlayLabels(int slot) const;
    // Draws the slot's information box at the lower left of `rect` (picture coordinates, y down).
    // Any thread.
    static void drawCaptureOverlay(QPainter& painter, const QRectF& rect, int slot, const OverlayLabels& labels);
    // Frames of the slot that reached the engine since it was made (card pictures on the main
    // thread, camera frames on the camera queue); any thread.
    std::uint64_t receivedFrameCount(int slot) const;
    // Blocks until camera frames due by now on the clock have been through the camera queue and
    // their main-thread hops are queued (tests and benchmarks drive time by hand).
    void waitForCameraFrames();

    // ---- Format detection and project match --------------------------------------------------
    const PerSlot<std::optional<settings::ProjectScanMode>>& incomingScanModes() const { return incomingScanModes_; }
    const PerSlot<std::optional<settings::ProjectColorSpace>>& incomingColorSpaces() const
    {
        return incomingColorSpaces_;
    }
    const PerSlot<bool>& projectFormatMismatchFlags() const { return projectFormatMismatchFlags_; }
    const PerSlot<QString>& projectFormatMismatchReasons() const { return projectFormatMismatchReasons_; }
    const PerSlot<decklink::IncomingVideoInfo>& incomingInfos() const { return incomingInfos_; }
    bool showProjectFormatAlert() const { return showProjectFormatAlert_; }
    void setShowProjectFormatAlert(bool value);
    QString projectFormatAlertMessage() const { return projectFormatAlertMessage_; }
    void refreshDeckLinkStatusIfNeeded(int slot);
    void evaluateProjectFormatMatch(int slot);
    static std::optional<settings::ProjectColorSpace> projectColorSpace(const QString& primaries);
    settings::ProjectColorSpace expectedProjectColorSpaceForMatch() const;
    QString expectedProjectDescription() const;

    // ---- Live video --------------------------------------------------------------------------
    // The engine keeps the session weakly; the shell attaches it at the first appearance.
    void setWebRTC(std::weak_ptr<LiveVideoSession> session);
    std::shared_ptr<LiveVideoSession> webrtc() const { return webrtc_.lock(); }
    RemotePreviewMode remotePreviewMode() const { return remotePreviewMode_; }
    void setRemotePreviewMode(RemotePreviewMode mode);
    void applyWebRTCSourceRouting();

    // ---- Takes and recording ---------------------------------------------------------------------
    // Each input's recording runs on its writer queue (InputWriter); the main thread keeps the
    // published state and learns of the movie through the writer's reports, which carry the
    // recording's generation so that an older movie's news never lands on a newer recording.
    QString reel() const { return reel_; }
    QString scene() const { return scene_; }
    std::int64_t take() const { return take_; }
    void setReel(const QString& value);
    void setScene(const QString& value);
    void setTake(std::int64_t value);
    bool isRecordingAll() const { return isRecordingAll_; }
    const std::optional<TakeSession>& activeTakeSession() const { return activeTakeSession_; }
    std::optional<QUrl> outputFolderURL() const { return outputFolderURL_; }
    QString outputPathDisplay() const { return outputPathDisplay_; }
    QUrl defaultRecordingFolder() const;
    void stopRecording(int slot);
    bool anyRecordingActive() const;

    // Take sessions, folder and names.
    void setOutputFolderURL(const std::optional<QUrl>& folder);
    void beginAccessingOutputFolderIfNeeded();
    void endAccessingOutputFolderIfNeeded();
    bool outputFolderAccessing() const { return outputFolderAccessing_; }
    bool ensureWritableOutputFolder();
    QString makeClipTag(int slot, int segment) const;
    std::optional<QUrl> nextRecordingURL(int slot, int segment) const;
    const PerSlot<int>& segmentsPerInput() const { return segmentsPerInput_; }
    const PerSlot<std::optional<QString>>& slateReel() const { return slateReel_; }
    const PerSlot<std::optional<QString>>& slateScene() const { return slateScene_; }
    const PerSlot<std::optional<std::int64_t>>& slateTake() const { return slateTake_; }
    const PerSlot<std::optional<QUrl>>& currentRecordingURLs() const { return currentRecordingURLs_; }
    const PerSlot<std::optional<QString>>& recordingFPSLabel() const { return recordingFPSLabel_; }

    // Recording control.
    void startRecordingAll();
    void stopRecordingAll();
    void toggleRecording(int slot);
    void requestStartRecording(int slot);
    void confirmResumeSameTake();
    void cancelResumeSameTake();
    void startRecording(int slot);
    struct RecordingRate {
        int fpsInt = 30;
        QString label;
    };
    RecordingRate resolvedFPSForRecording(int slot) const;
    void handleStopAndMaybeAdvanceTakeIfAllStopped();
    bool showResumeSameTakeAlert() const { return showResumeSameTakeAlert_; }
    QString resumeSameTakeAlertMessage() const { return resumeSameTakeAlertMessage_; }
    std::optional<int> pendingStartIndex() const { return pendingStartIndex_; }
    int pendingFinishCount() const { return pendingFinishCount_; }
    // At quit: stops every recording and waits, at most `timeoutSeconds`, running the main event
    // loop, until the movies are finished. True when none is left unfinished.
    bool shutdown(double timeoutSeconds = 5.0);
    // Blocks until the frames handed to the writers so far are written (tests and benchmarks);
    // the reports they send still wait on the main thread.
    void waitForWriters();

    // Timecode. Any thread.
    static double secondsSinceMidnight(const QDateTime& date);
    static QString timecodeString(std::int64_t frameIndex, const TakeSession& session, int fps);

    // ---- Program output (completed by the output control) -------------------------------------
    bool isOutputOn() const { return isOutputOn_; }
    bool isOutputRequestedOn() const { return isOutputRequestedOn_; }
    int outputFromInputIndex() const { return outputFromInputIndex_; }
    void setOutputFromInputIndex(int value);
    OutputSourceMode outputSourceMode() const { return outputSourceMode_; }
    void setOutputSourceMode(OutputSourceMode mode);
    bool outputCleanFeed() const { return outputCleanFeed_; }
    void setOutputCleanFeed(bool value);
    settings::CaptureFormat outputFormat() const { return outputFormat_; }
    void setOutputFormat(settings::CaptureFormat value);
    OutputColorMode outputColorMode() const { return outputColorMode_; }
    void setOutputColorMode(OutputColorMode value);
    HDRMasteringNits outputHDRMasteringNits() const { return outputHDRMasteringNits_; }
    QString outputStatusText() const { return outputStatusText_; }
    QSize outputActiveSize() const { return outputActiveSize_; }
    void setOutputActiveSize(QSize size);
    void applyProjectOutputSettings(bool restartIfNeeded);
    void startOutputIfPossible();
    std::optional<std::int32_t> resolveOutputModeCode() const;
    void refreshOutputDiagnostics();
    void stopOutput();
    // Output queue.
    void syncOutputColorModeIfNeeded();
    media::Frame composeCapturePreviewPixelBuffer(QSize targetSize);
    media::Frame composeSingleCapturePixelBuffer(int slot, QSize targetSize);
    // Any thread.
    void enqueueOutputFrameForDeckLink(const media::Frame& frame);
    // Frames waiting for the card; waits for the compositions and hand-offs queued before the call.
    std::size_t pendingOutputFrameCount();
    QString overlayInputName(int slot) const;
    QString overlayFormatLabel(int slot) const;
    QString overlayColorLabel(int slot) const;

    // ---- Program output control, composition, cadence pump and playback feed -----------------
    // Main thread unless said otherwise.
    const QStringList& outputDeviceNames() const { return outputDeviceNames_; }
    int selectedOutputDeviceIndex() const { return selectedOutputDeviceIndex_; }
    void setSelectedOutputDeviceIndex(int value);
    void setOutputHDRMasteringNits(HDRMasteringNits value);
    PlaybackOutputSource outputPlaybackSource() const { return outputPlaybackSource_; }
    void setOutputPlaybackSource(PlaybackOutputSource value);
    bool playbackMultiViewActive() const { return playbackMultiViewActive_; }
    void setPlaybackMultiViewActive(bool value);
    QString outputHDMIStatusText() const { return outputHDMIStatusText_; }
    QString outputSourceColorText() const { return outputSourceColorText_; }
    QString outputCadenceWarningText() const { return outputCadenceWarningText_; }
    bool showOutputWarningAlert() const { return showOutputWarningAlert_; }
    void setShowOutputWarningAlert(bool value);
    QString outputWarningAlertMessage() const { return outputWarningAlertMessage_; }
    bool outputPendingStart() const { return outputPendingStart_; }
    std::optional<std::int32_t> outputActiveModeCode() const { return outputActiveModeCode_; }
    static OutputColorMode outputColorMode(settings::ProjectOutputColorMode mode);
    static bool isHDR(OutputColorMode mode);

    void toggleOutput();
    void startOutput(std::int32_t deviceIndex, std::int32_t modeCode);
    void scheduleOutputRetry(std::optional<double> after = std::nullopt);
    void restartOutputAfterSettingChange();
    void updateHDRMetadataIfNeeded();
    void refreshOutputDevices();
    void primePlaybackOutputInfoIfNeeded(const QUrl& file);
    QString outputSourceColorSummary() const;
    QString outputInterlaceHint() const;
    std::optional<double> sourceFPSForDiagnostics() const;
    std::optional<double> outputFPSForDiagnostics() const;
    double cadenceFPSForModeCode(std::int32_t modeCode) const;
    void clearPendingOutputBuffer();

    // Output queue.
    void refreshHDMIStatusTextIfNeeded(bool force);
    void startOutputCadencePump(std::int32_t modeCode);
    void stopOutputCadencePump();
    void pumpOutputCadenceFrame();
    media::Frame prepareOutputPixelBufferForDeckLink(const media::Frame& frame);
    bool shouldDeinterlaceOutputFrame(const media::Frame& frame) const;
    // Any thread.
    static media::Frame resizePixelBuffer(const media::Frame& frame, QSize size);

    // Playback feed (the playback taps call these on the main thread).
    struct OutputVideoInfo {
        int width = 0;
        int height = 0;
        double fps = 0;
    };
    const OutputVideoInfo& playbackOutputInfo() const { return playbackOutputInfo_; }
    bool playbackSourceInterlaced() const { return playbackSourceInterlaced_; }
    double playbackDeckLinkTapFPSHint() const;
    void handlePlaybackOutput(
        const media::Frame& pixelBuffer, PlaybackOutputSource source, std::optional<double> time = std::nullopt);
    void handlePlaybackMultiView(const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order);
    // Composition queue: the take-preview grid, row 0 at the top; null for an empty size.
    static media::Frame composePlaybackGrid(
        const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order, QSize targetSize);

    // Tests and benchmarks: waits until the compositions, card calls and hand-offs queued before
    // the call have run.
    void waitForOutputQueues();
    // Benchmarks: `observer` runs on the output queue at the start of every cadence pump tick.
    void setOutputTickObserver(std::function<void()> observer);

signals:
    void activeInputCountChanged(int value);
    void captureSourcesChanged(int slot);
    void selectedFormatsChanged(int slot);
    void selectedDeckLinkIndexesChanged(int slot);
    void selectedAVDeviceIDsChanged(int slot);
    void avDevicesChanged();
    void previewImagesChanged(int slot);
    void statusTextsChanged(int slot);
    void isCapturingFlagsChanged(int slot);
    void isRecordingFlagsChanged(int slot);
    void currentTimecodesChanged(int slot);
    void stableFPSLabelChanged(int slot);
    void incomingInfoTextChanged(int slot);
    void inputRefLockedChanged(int slot);
    void droppedFramesChanged(int value);
    void reelChanged(const QString& value);
    void sceneChanged(const QString& value);
    void takeChanged(std::int64_t value);
    void isRecordingAllChanged(bool value);
    void outputFolderURLChanged();
    void outputPathDisplayChanged(const QString& value);
    void showProjectFormatAlertChanged(bool value);
    void projectFormatAlertMessageChanged(const QString& value);
    void remotePreviewModeChanged(RemotePreviewMode value);
    void isOutputOnChanged(bool value);
    void isOutputRequestedOnChanged(bool value);
    void outputFromInputIndexChanged(int value);
    void outputSourceModeChanged(OutputSourceMode value);
    void outputCleanFeedChanged(bool value);
    void outputFormatChanged(settings::CaptureFormat value);
    void outputColorModeChanged(OutputColorMode value);
    void outputStatusTextChanged(const QString& value);
    void showResumeSameTakeAlertChanged(bool value);
    void resumeSameTakeAlertMessageChanged(const QString& value);
    void outputDeviceNamesChanged();
    void selectedOutputDeviceIndexChanged(int value);
    void outputHDRMasteringNitsChanged(HDRMasteringNits value);
    void outputPlaybackSourceChanged(PlaybackOutputSource value);
    void playbackMultiViewActiveChanged(bool value);
    void outputHDMIStatusTextChanged(const QString& value);
    void outputSourceColorTextChanged(const QString& value);
    void outputCadenceWarningTextChanged(const QString& value);
    void showOutputWarningAlertChanged(bool value);
    void outputWarningAlertMessageChanged(const QString& value);

protected:
    // Published per-slot writes: store, emit with the slot. Slots outside 0...3 are ignored.
    void setStatusText(int slot, const QString& text);
    void setIsCapturing(int slot, bool value);
    void setIsRecording(int slot, bool value);
    void setPreviewImage(int slot, const media::Frame& image);
    void setStableFPSLabel(int slot, const QString& label);
    void setIncomingInfoText(int slot, const QString& text);
    void setInputRefLocked(int slot, bool value);
    void setCurrentTimecode(int slot, const QString& text);
    void setActiveInputCount(int value);
    void setProjectFormatAlertMessage(const QString& message);
    void setIsOutputOn(bool value);

    // Security-scoped access to a folder. This platform has none: starting answers false.
    virtual bool startAccessingFolder(const QUrl& folder);
    virtual void stopAccessingFolder(const QUrl& folder);

private:
    // What the camera queue reads of the engine's state, read whole by the frame road. Whoever
    // changes one of these values on the main thread calls publishRoadState() afterwards.
    struct RoadState {
        OutputSourceMode outputSourceMode = OutputSourceMode::playback;
        int outputFromInputIndex = 0;
        int activeInputCount = 1;
        bool outputPendingStart = false;
        bool isOutputOn = false;
        QSize outputActiveSize;
        bool outputCleanFeed = true;
        double composeInterval = 1.0 / 30.0;
        PerSlot<bool> isRecording {};
        std::optional<TakeSession> takeSession;
        bool liveVideo = false;
    };

    // Frame timing of one slot: written by the slot's frame road (camera queue or main thread),
    // read by the writer queue and the main thread; guarded by `mutex`.
    struct SlotTiming {
        mutable std::mutex mutex;
        double measuredFPS = 0;
        int stableFPSInt = 0;
        FPSWindowEstimator estimator;
        FPSStabilizer stabilizer;
        std::optional<int> recordingFPSInt;
        // Copies of the slot's selection, for the timecode fallback rate.
        CaptureSourceKind source = CaptureSourceKind::avFoundation;
        settings::CaptureFormat format = settings::CaptureFormat::auto_;
        // Frame road throttles and colour, written where the slot's frames arrive.
        QString stableLabel = QStringLiteral("-"); // the label of stableFPSInt, for other threads
        // Moved on by every reset, so a label adopted before it is not published after it.
        std::uint64_t epoch = 0;
        double lastUIUpdateTime = 0;
        std::optional<QVariantMap> lastColorProperties;
        std::optional<media::ColorTags> lastColorTags;
    };

    // Camera frames' hops to the main thread: the latest of each kind waits here, and at most one
    // hop per slot is queued, so a stalled main thread never piles up frames.
    struct CameraSignal {
        QString text;
        decklink::IncomingVideoInfo info;
    };
    struct MainHop {
        std::mutex mutex;
        bool queued = false;
        std::uint64_t generation = 0;
        std::optional<CameraSignal> signal;
        media::Frame preview;
        media::Frame live;
        std::optional<double> liveTime;
        bool startOutput = false;
    };

    static bool validSlot(int slot) { return slot >= 0 && slot < kInputSlotCount; }
    // One published assignment: store, refresh the road snapshot when the frame road reads the
    // value, then emit. Per-slot fields ignore slots outside 0...3 (false: nothing stored).
    template <class T, class V, class Signal> void assign(T& field, V&& value, Signal changed, bool road = false)
    {
        Q_ASSERT(platform::isMainThread());
        field = std::forward<V>(value);
        if (road)
            publishRoadState();
        emit(this->*changed)(field);
    }
    template <class T, class V>
    bool assignSlot(PerSlot<T>& field, int slot, V&& value, void (RecordViewModel::*changed)(int), bool road = false)
    {
        Q_ASSERT(platform::isMainThread());
        if (!validSlot(slot))
            return false;
        field[static_cast<std::size_t>(slot)] = std::forward<V>(value);
        if (road)
            publishRoadState();
        emit(this->*changed)(slot);
        return true;
    }

    // RecordViewModel.cpp
    void publishRoadState();
    std::shared_ptr<const RoadState> roadState() const;
    void postToMain(std::function<void()> block) const;
    void resetSlot(int slot);
    void setAvDevices(std::vector<media::CameraDevice> devices);
    void applySelectionToTiming(int slot);
    const media::CameraDevice* cameraWithID(const std::optional<QString>& uniqueID) const;

    // RecordViewModel_Sources.cpp
    void setupSelectionObservers();
    void setDiscoveredCameras(std::vector<media::CameraDevice> devices);
    void restartCapture(int slot);
    void refuseWhileRecording(int slot, const std::function<void()>& restore, const QString& why);
    void onCaptureSourcesChanged();
    void onSelectedDeckLinkIndexesChanged();
    void onSelectedFormatsChanged();
    void onSelectedAVDeviceIDsChanged();
    void cameraStartFinished(
        int slot, std::uint64_t generation, const media::CameraDevice& camera, std::optional<media::CameraError> error);
    void cameraEnded(int slot, std::uint64_t generation);
    void resetFrameTiming(int slot);

    // RecordViewModel_Timing.cpp
    void pushFrameTime(double time, int slot);
    void applyFixedFormatTiming(int slot);
    void postStableLabel(int slot, const QString& label, std::uint64_t epoch);

    // RecordViewModel_Frames.cpp
    void drainMainHop(int slot);
    template <class Fill> void postCameraHop(int slot, std::uint64_t generation, Fill&& fill);
    // The preview and writer steps; a camera frame (with its session) hops to the main thread.
    void processFrameOn(
        const RoadState& road, const media::Frame& image, int slot, std::optional<std::uint64_t> cameraGeneration);
    void publishPreview(int slot, const media::Frame& image);
    void handleCaptureOutput(
        const RoadState& road, const media::Frame& pixelBuffer, int slot, std::uint64_t generation);
    bool claimComposeSlot(double interval);
    void queueWriterStep(int slot, const media::Frame& image, const TakeSession& session);
    void queueGridComposition(QSize targetSize);

    // RecordViewModel_Takes.cpp
    void openTakeSession();
    void setOutputPathDisplay(const QString& path);
    void clearRecordingOfSlot(int slot);

    // RecordViewModel_Recording.cpp
    void setupRecording();
    void failStart(int slot, const QString& status);
    void setIsRecordingAll(bool value);
    void setDroppedFrames(int value);
    void setShowResumeSameTakeAlert(bool value);
    void handleWriterReport(int slot, const InputWriter::Report& report);
    void finishingStep(int slot, const InputWriter::Report& report);

    // RecordViewModel_LiveVideo.cpp
    void offerLiveFrame(
        const media::Frame& frame, int slot, LiveVideoSession::ActiveSource source, std::optional<double> time);

    settings::AppSettings& settings_;
    platform::Scheduler& scheduler_;
    platform::MediaClock& clock_;
    platform::NotificationCenter& notifications_;
    const CardSystem cards_;
    const media::CameraDiscovery::Options cameraOptions_;
    // Main-thread hops posted by other threads run only while the engine lives.
    platform::LivenessFlag alive_;

    // Input slots (published).
    int activeInputCount_ = 1;
    PerSlot<CaptureSourceKind> captureSources_;
    PerSlot<settings::CaptureFormat> selectedFormats_;
    PerSlot<int> selectedDeckLinkIndexes_ {};
    PerSlot<std::optional<QString>> selectedAVDeviceIDs_;
    std::vector<media::CameraDevice> avDevices_;
    PerSlot<media::Frame> previewImages_;
    PerSlot<QString> statusTexts_;
    PerSlot<bool> isCapturingFlags_ {};
    PerSlot<bool> isRecordingFlags_ {};
    PerSlot<QString> currentTimecodes_;
    PerSlot<QString> stableFPSLabel_;
    PerSlot<QString> incomingInfoText_;
    PerSlot<bool> inputRefLocked_ {};
    int droppedFrames_ = 0;

    // Selection bookkeeping: the previous value of each selection the observers compare against.
    PerSlot<CaptureSourceKind> lastCaptureSources_;
    PerSlot<settings::CaptureFormat> lastSelectedFormats_;
    PerSlot<int> lastSelectedDeckLinkIndexes_ {};
    PerSlot<std::optional<QString>> lastSelectedAVDeviceIDs_;
    bool suppressObservers_ = false;

    // Slate, takes and recording.
    QString reel_ = QStringLiteral("1");
    QString scene_ = QStringLiteral("1");
    std::int64_t take_ = 1;
    PerSlot<std::optional<QString>> slateReel_;
    PerSlot<std::optional<QString>> slateScene_;
    PerSlot<std::optional<std::int64_t>> slateTake_;
    std::optional<TakeSession> activeTakeSession_;
    PerSlot<int> segmentsPerInput_ {};
    bool isRecordingAll_ = false;
    bool showResumeSameTakeAlert_ = false;
    QString resumeSameTakeAlertMessage_;
    std::optional<int> pendingStartIndex_;
    int pendingFinishCount_ = 0;
    PerSlot<std::optional<QUrl>> currentRecordingURLs_;
    PerSlot<std::unique_ptr<platform::SerialQueue>> writerQueues_;
    PerSlot<std::optional<QString>> recordingFPSLabel_;
    // The writer side of each slot (it holds the recorder, the file's frame count and the last
    // timecode time), and which recording of the slot is the current one: reports of another
    // generation only count toward finishing the take.
    PerSlot<std::unique_ptr<InputWriter>> inputWriters_;
    PerSlot<std::uint64_t> recordingGenerations_ {};
    std::uint64_t lastRecordingGeneration_ = 0;
    // The current recording's movie has not been finished yet (its reports still count).
    PerSlot<bool> movieOpen_ {};
    // Why the current recording's movie failed, for its status text.
    PerSlot<QString> recordingErrors_;
    QEventLoop* shutdownLoop_ = nullptr;
    std::optional<QUrl> outputFolderURL_;
    QString outputPathDisplay_;
    bool outputFolderAccessing_ = false;
    std::optional<QUrl> outputFolderAccessURL_;

    // Devices.
    PerSlot<std::shared_ptr<decklink::DeckLinkInput>> deckLinkInputs_;
    PerSlot<std::shared_ptr<decklink::DeckLinkDelegateProxy>> deckLinkProxies_;
    std::unique_ptr<decklink::DeckLinkOutput> deckLinkOut_;
    PerSlot<std::shared_ptr<media::CameraSession>> avCaptureSessions_;
    // Which camera session of a slot counts: moved on by every start and stop, so frames, ends and
    // start results of an earlier session are ignored.
    PerSlot<std::atomic<std::uint64_t>> cameraGenerations_ {};
    std::unique_ptr<platform::SerialQueue> avSessionQueue_;
    std::unique_ptr<platform::SerialQueue> avVideoQueue_;

    // Frame timing and format detection.
    PerSlot<SlotTiming> timing_;
    PerSlot<std::optional<QSize>> lastFrameSizes_;
    PerSlot<decklink::IncomingVideoInfo> incomingInfos_;
    PerSlot<std::unique_ptr<decklink::VideoInfoProbe>> probes_;
    PerSlot<MainHop> mainHops_;
    PerSlot<std::atomic<std::uint64_t>> receivedFrames_ {};
    static constexpr double uiMinInterval = 0.05;
    static constexpr double tcMinInterval = 0.1;
    bool showProjectFormatAlert_ = false;
    QString projectFormatAlertMessage_;
    PerSlot<bool> projectFormatMismatchFlags_ {};
    PerSlot<QString> projectFormatMismatchReasons_;
    PerSlot<double> lastProjectFormatCheck_ {};
    PerSlot<std::optional<double>> lastProjectFormatAlertTime_;
    PerSlot<std::optional<settings::ProjectScanMode>> incomingScanModes_;
    PerSlot<std::optional<settings::ProjectColorSpace>> incomingColorSpaces_;
    PerSlot<std::optional<double>> lastDeckLinkStatusCheck_;

    // Remote video.
    std::weak_ptr<LiveVideoSession> webrtc_;
    RemotePreviewMode remotePreviewMode_ = RemotePreviewMode::playback;

    // Program output.
    bool isOutputOn_ = false;
    int outputFromInputIndex_ = 0;
    QStringList outputDeviceNames_;
    int selectedOutputDeviceIndex_ = 0;
    settings::CaptureFormat outputFormat_ = settings::CaptureFormat::hd1080p25;
    bool outputCleanFeed_ = true;
    OutputColorMode outputColorMode_ = OutputColorMode::rec709;
    HDRMasteringNits outputHDRMasteringNits_ = HDRMasteringNits::n1000;
    QString outputStatusText_ = QStringLiteral("Off");
    QString outputHDMIStatusText_ = QStringLiteral("HDMI: -");
    QString outputSourceColorText_ = QStringLiteral("Input Color: -");
    QString outputCadenceWarningText_;
    bool showOutputWarningAlert_ = false;
    QString outputWarningAlertMessage_;
    OutputSourceMode outputSourceMode_ = OutputSourceMode::playback;
    PlaybackOutputSource outputPlaybackSource_ = PlaybackOutputSource::main;
    bool playbackMultiViewActive_ = false;
    bool isOutputRequestedOn_ = false;
    bool outputPendingStart_ = false;
    QSize outputActiveSize_ { 0, 0 };
    std::optional<std::int32_t> outputActiveModeCode_;
    std::unique_ptr<platform::SerialQueue> outputQueue_;
    std::unique_ptr<platform::SerialQueue> outputFrameStateQueue_;
    // Shared by every slot's frame road: when a grid was last composed.
    std::mutex composeMutex_;
    double lastOutputComposeTime_ = 0;

    // The road snapshot; replaced whole on the main thread.
    mutable std::mutex roadMutex_;
    std::shared_ptr<const RoadState> road_;

    // ---- Program output control, composition, cadence pump and playback feed -----------------
    // What the composition and output queues read of the main thread's state, replaced whole on
    // the main thread whenever one of its values changes (publishOutputState()).
    struct OutputState {
        bool isOutputOn = false;
        OutputSourceMode sourceMode = OutputSourceMode::playback;
        OutputColorMode colorMode = OutputColorMode::rec709;
        HDRMasteringNits nits = HDRMasteringNits::n1000;
        bool interlacedOutput = false; // the resolved mode is one of the interlaced ones
        bool sourceInterlaced = false; // the playback source, or the capture input feeding the output
        bool cleanFeed = true;
        int activeInputCount = 1;
        PerSlot<media::Frame> previews;
        PerSlot<OverlayLabels> labels;
    };
    // RecordViewModel_Output.cpp
    void setupOutputObservers();
    void publishOutputState();
    std::shared_ptr<const OutputState> outputState() const;
    void setOutputStatusText(const QString& text);
    void setIsOutputRequestedOn(bool value);
    void setOutputPendingStart(bool value);
    void setOutputHDMIStatusText(const QString& text);
    void setOutputDeviceNames(const QStringList& names);
    void showOutputWarning(const QString& message);
    void finishOutputStart(bool ok, std::int32_t modeCode, bool forceHDR);
    void resetPlaybackFeedState();
    void stopCardOnOutputQueue();
    void sendHDRMetadata(HDRMasteringNits nits);
    // RecordViewModel_Composition.cpp
    static media::Frame composeCaptureGrid(const OutputState& state, QSize targetSize);
    static media::Frame composeSingleCapture(const OutputState& state, int slot, QSize targetSize);
    // Runs a composition off the output queue; its frame is dropped when the output stopped meanwhile.
    void postOutputComposition(std::function<media::Frame(const OutputState&)> compose);
    // RecordViewModel_PlaybackFeed.cpp
    void updatePlaybackOutputInfo(const media::Frame& pixelBuffer, std::optional<double> time);
    void updatePlaybackColorFromPixelBuffer(const media::Frame& pixelBuffer);

    std::unique_ptr<platform::SerialQueue> composeQueue_;
    std::unique_ptr<OutputCadencePump> pump_;
    mutable std::mutex outputStateMutex_;
    std::shared_ptr<const OutputState> outputState_;
    bool outputStartAttemptInFlight_ = false;
    std::uint64_t outputRetryTimer_ = 0;
    double nextOutputStartAttemptTime_ = 0;
    std::optional<double> lastOutputWarningTime_;
    static constexpr double outputStartRetryInterval = 1.2;
    static constexpr double outputWarningCooldown = 4.0;
    QMetaObject::Connection projectFormatObserver_;
    QMetaObject::Connection projectColorObserver_;
    // Output queue only.
    std::optional<bool> lastSentForceHDR_;
    std::optional<OutputColorMode> lastSentOutputColorMode_;
    std::optional<HDRMasteringNits> lastSentHDRMasteringNits_;
    double lastHDMIStatusUpdate_ = 0;
    QSize pumpOutputSize_;
    // Playback feed (main thread).
    OutputVideoInfo playbackOutputInfo_;
    bool playbackSourceInterlaced_ = false;
    QString playbackSourcePrimaries_ = QStringLiteral("-");
    QString playbackSourceTransfer_ = QStringLiteral("-");
    QString playbackSourceMatrix_ = QStringLiteral("-");
    std::optional<double> lastPlaybackFrameTime_;
    std::optional<double> lastPlaybackItemTime_;
    double playbackFPSema_ = 0;
    std::optional<double> lastPlaybackWebRTCComposeTime_;
    bool playbackComposeWorkInFlight_ = false;
};

} // namespace capture
