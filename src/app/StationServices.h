#pragma once

// The station's shared objects, made once at start-up from the process-wide settings, scheduler,
// clock and notification centre, and the shell's operations performed on them: the capture and
// playback engines, the project library, cloud sync, the remote-control stack and the dialog
// service.
//
// Main thread only, except the signal route (see AppServices).

#include "app/AppServices.h"
#include "app/DialogConflictPrompter.h"
#include "app/DialogPermissionPrompter.h"
#include "app/DialogPlaybackDialogs.h"
#include "app/StationRemoteControl.h"
#include "app/WidgetDialogService.h"
#include "projects/ProjectRecorder.h"
#include "remote/ControlServer.h"

#include <memory>

namespace capture {
class CaptureHub;
class RecordViewModel;
} // namespace capture
namespace cloud {
class GoogleDriveSyncManager;
class KeychainStore;
class ProjectLibraryStoreAdapter;
} // namespace cloud
namespace playback {
class PlaybackViewModel;
class PlaybackDeckLinkTap;
class PlaybackMultiViewTap;
} // namespace playback
namespace remote {
class RemoteStack;
class ServicePublisher;
class WebRTCSessionManager;
} // namespace remote

namespace app {

class StationServices final : public AppServices {
public:
    struct Options {
        // Where tablets connect (the station listens on every interface, port 8765).
        remote::ControlServer::Options server = {};
        // None: the station's own announcement on the local network.
        remote::ServicePublisher* publisher = nullptr;
    };

    StationServices();
    explicit StationServices(Options options);
    ~StationServices() override;

    capture::RecordViewModel& recordVM() { return *recordVM_; }
    playback::PlaybackViewModel& playbackVM() { return *playbackVM_; }
    remote::RemoteStack& remoteStack() { return *remoteStack_; }

    void applyAppearance() override;
    void startKeyboardListeningOnce() override;
    void attachWebRTC() override;
    void updateActiveTrackCount() override;
    void startPlaybackTaps() override;
    void setupControlServer() override;
    void setupRealtimeSyncPipelines() override;
    void routeSignals(SignalRoute route) override;
    void handleSignal(const remote::WebRTCSignalMessage& message) override;
    void shutdownCapture() override;
    void stopCaptureAndOutput() override;
    void saveUnsavedMarks() override;
    void stopPlaybackTaps() override;
    void cleanupPlayback() override;
    void stopControlServer() override;
    void endRealtimeSync() override;
    void exitEventLoop() override;
    void setMainWindow(QWidget* window) override;
    MainWindow::Environment mainWindowEnvironment() override;
    ui::DialogService& dialogs() override { return dialogs_; }
    std::unique_ptr<SettingsRootView> makeSettingsWindow() override;

private:
    WidgetDialogService dialogs_;
    DialogPermissionPrompter prompter_;
    DialogConflictPrompter conflicts_;
    DialogPlaybackDialogs playbackDialogs_;
    std::unique_ptr<remote::RemoteStack> remoteStack_;
    // Made after the stack, whose signalling adapter it talks through; the capture engine holds
    // it weakly.
    std::shared_ptr<remote::WebRTCSessionManager> liveVideo_;
    std::unique_ptr<cloud::KeychainStore> keychain_;
    std::unique_ptr<cloud::ProjectLibraryStoreAdapter> cloudLibrary_;
    std::unique_ptr<cloud::GoogleDriveSyncManager> driveSync_;
    std::unique_ptr<capture::CaptureHub> captureHub_;
    std::unique_ptr<capture::RecordViewModel> recordVM_;
    // The library points the capture engine at an opened project's folder through this.
    std::unique_ptr<projects::ProjectRecorder> projectRecorder_;
    std::unique_ptr<playback::PlaybackViewModel> playbackVM_;
    // The program output's feeds from playback: main player, program player, take preview.
    std::unique_ptr<playback::PlaybackDeckLinkTap> mainTap_;
    std::unique_ptr<playback::PlaybackDeckLinkTap> programTap_;
    std::unique_ptr<playback::PlaybackMultiViewTap> multiViewTap_;
    // Goes before the engines and the stack it works on.
    std::unique_ptr<StationRemoteControl> remoteControl_;
};

} // namespace app
