#include "app/StationServices.h"

#include "app/SettingsRootView.h"
#include "capture/CaptureHub.h"
#include "capture/RecordViewModel.h"
#include "cloud/GoogleDriveSyncManager.h"
#include "cloud/KeychainStore.h"
#include "cloud/ProjectLibraryStoreAdapter.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "playback/PlaybackViewModel.h"
#include "playback/keys/KeyboardShortcutManager.h"
#include "playback/taps/PlaybackDeckLinkTap.h"
#include "playback/taps/PlaybackMultiViewTap.h"
#include "playback/taps/RecordViewModelTapSink.h"
#include "playback_screen/PlaybackView.h"
#include "projects/ProjectLibraryStore.h"
#include "projects/ui/ProjectLibraryView.h"
#include "record_screen/RecordView.h"
#include "remote/RemoteStack.h"
#include "remote/WebRTCSignalingAdapter.h"
#include "remote/webrtc/WebRTCSessionManager.h"
#include "settings/AppSettings.h"
#include "settings/RecordSidebarState.h"

#include <QCoreApplication>

namespace app {

namespace {

// Takes new recordings to the folder of the project the library opens.
class RecorderFolder final : public projects::ProjectRecorder {
public:
    explicit RecorderFolder(capture::RecordViewModel& engine)
        : engine_(engine)
    {
    }
    void setOutputFolderURL(const std::optional<QUrl>& folder) override { engine_.setOutputFolderURL(folder); }

private:
    capture::RecordViewModel& engine_;
};

} // namespace

StationServices::StationServices()
    : StationServices(Options())
{
}

StationServices::StationServices(Options options)
    : prompter_(dialogs_, nullptr)
    , conflicts_(dialogs_, nullptr)
    , playbackDialogs_(dialogs_)
{
    auto& settings = settings::AppSettings::shared();
    auto& defaults = platform::UserDefaults::standard();
    auto& scheduler = platform::Scheduler::main();
    auto& clock = platform::MediaClock::system();
    auto& notifications = platform::NotificationCenter::shared();

    remoteStack_ = std::make_unique<remote::RemoteStack>(remote::RemoteStack::Dependencies {
        [] { return settings::AppSettings::shared().pairingCode(); }, prompter_, options.publisher, options.server });
    remote::WebRTCSessionManager::Options liveVideoOptions;
    liveVideoOptions.stunServer = remote::WebRTCSessionManager::stunServerSetting(&defaults);
    liveVideo_ = std::make_shared<remote::WebRTCSessionManager>(
        remoteStack_->webrtcSignalingAdapter(), std::move(liveVideoOptions));

    // Cloud sync lives from start-up: its first refresh confirms a sign-in kept in the keyring.
    keychain_ = std::make_unique<cloud::KeychainStore>();
    cloudLibrary_ = std::make_unique<cloud::ProjectLibraryStoreAdapter>(projects::ProjectLibraryStore::shared());
    driveSync_ = std::make_unique<cloud::GoogleDriveSyncManager>(cloud::GoogleDriveSyncManager::Dependencies { settings,
        defaults, *keychain_, *cloudLibrary_, scheduler, clock, notifications,
        cloud::GoogleEndpoints::fromEnvironment(defaults), cloud::openInSystemBrowser, &conflicts_ });

    captureHub_ = std::make_unique<capture::CaptureHub>();
    recordVM_ = std::make_unique<capture::RecordViewModel>(
        capture::RecordViewModel::Services { settings, scheduler, clock, notifications });
    projectRecorder_ = std::make_unique<RecorderFolder>(*recordVM_);
    playbackVM_ = std::make_unique<playback::PlaybackViewModel>(
        settings, media::FFmpegMediaPlayer::factory(), scheduler, notifications);
    playbackVM_->setDialogs(&playbackDialogs_);

    // A project sync reads the playlist the engine wrote, and may replace it or rename clip files.
    auto* playback = playbackVM_.get();
    QObject::connect(driveSync_.get(), &cloud::GoogleDriveSyncManager::projectSyncStarting, playback, [playback] {
        if (!playback->isProjectSelectionMode())
            playback->saveBeforeCloudSync();
    });
    QObject::connect(driveSync_.get(), &cloud::GoogleDriveSyncManager::projectFileReplaced, playback,
        &playback::PlaybackViewModel::reloadPlaylistFromDisk);
    QObject::connect(driveSync_.get(), &cloud::GoogleDriveSyncManager::localFileRenamed, playback,
        &playback::PlaybackViewModel::repointClips);

    remoteControl_ = std::make_unique<StationRemoteControl>(StationRemoteControl::Services { *remoteStack_,
        *playbackVM_, *recordVM_, [live = liveVideo_](int count) { live->updateActiveTrackCount(count); } });
}

StationServices::~StationServices() = default;

void StationServices::applyAppearance()
{
    settings::AppSettings::shared().applyAppearance();
}

void StationServices::startKeyboardListeningOnce()
{
    playback::KeyboardShortcutManager::shared().startListeningOnce(*playbackVM_);
}

void StationServices::attachWebRTC()
{
    recordVM_->setWebRTC(liveVideo_);
    recordVM_->applyWebRTCSourceRouting();
    // Track 0 shows the card at start-up: a task queued after the routing's, so it lands last.
    platform::runOnMain([session = std::weak_ptr<remote::WebRTCSessionManager>(liveVideo_)] {
        if (auto manager = session.lock())
            manager->setActiveSource(remote::WebRTCSessionManager::ActiveSource::deckLink);
    });
}

void StationServices::updateActiveTrackCount()
{
    liveVideo_->updateActiveTrackCount(recordVM_->activeInputCount());
}

void StationServices::startPlaybackTaps()
{
    if (!mainTap_) {
        auto* sink = new playback::RecordViewModelTapSink(*recordVM_); // a child of the engine
        auto& scheduler = platform::Scheduler::main();
        auto& clock = platform::MediaClock::system();
        mainTap_ = std::make_unique<playback::PlaybackDeckLinkTap>(
            *playbackVM_->player(), sink, capture::PlaybackOutputSource::main, scheduler, clock);
        programTap_ = std::make_unique<playback::PlaybackDeckLinkTap>(
            *playbackVM_->programPlayer(), sink, capture::PlaybackOutputSource::program, scheduler, clock);
        multiViewTap_ = std::make_unique<playback::PlaybackMultiViewTap>(*playbackVM_, sink, scheduler, clock);
    }
    mainTap_->start();
    programTap_->start();
    multiViewTap_->start();
}

void StationServices::setupControlServer()
{
    remoteStack_->setupControlServer();
}

void StationServices::setupRealtimeSyncPipelines()
{
    remoteControl_->setupRealtimeSyncPipelines();
}

void StationServices::routeSignals(SignalRoute route)
{
    remoteStack_->webrtcSignalingAdapter().setOnSignal(std::move(route));
}

void StationServices::handleSignal(const remote::WebRTCSignalMessage& message)
{
    liveVideo_->handleSignal(message);
}

void StationServices::shutdownCapture()
{
    if (!recordVM_->shutdown())
        dlog("⚠️ quitting with movies still being finished: they may be incomplete");
}

void StationServices::stopCaptureAndOutput()
{
    for (int slot = 0; slot < capture::kInputSlotCount; ++slot)
        recordVM_->stopCaptureAllSources(slot);
    recordVM_->stopOutput();
}

void StationServices::saveUnsavedMarks()
{
    if (playbackVM_->isProjectSelectionMode() || !playbackVM_->hasUnsavedChanges())
        return;
    playbackVM_->saveState();
    playbackVM_->flushPendingSaves();
}

void StationServices::stopPlaybackTaps()
{
    for (auto* tap : { mainTap_.get(), programTap_.get() })
        if (tap)
            tap->stop();
    if (multiViewTap_)
        multiViewTap_->stop();
}

void StationServices::cleanupPlayback()
{
    playbackVM_->cleanup();
}

void StationServices::stopControlServer()
{
    remoteStack_->stop();
}

void StationServices::endRealtimeSync()
{
    remoteControl_->endRealtimeSync();
}

void StationServices::exitEventLoop()
{
    QCoreApplication::quit();
}

void StationServices::setMainWindow(QWidget* window)
{
    prompter_.setParent(window);
    playbackDialogs_.setParent(window);
}

MainWindow::Environment StationServices::mainWindowEnvironment()
{
    auto* playback = playbackVM_.get();
    return MainWindow::Environment {
        projects::ProjectLibraryStore::shared(),
        [playback] { playback->enterProjectSelectionMode(); },
        [this, playback](QWidget* parent) -> QWidget* {
            projects_ui::PlaybackHooks hooks { [playback] { playback->enterProjectSelectionMode(); },
                [playback] { playback->exitProjectSelectionMode(); },
                [playback] { return playback->isProjectSelectionMode(); } };
            return new projects_ui::ProjectLibraryView(
                projects_ui::ProjectLibraryView::Environment { projects::ProjectLibraryStore::shared(),
                    projectRecorder_.get(), std::move(hooks), *driveSync_, settings::AppSettings::shared(), dialogs_,
                    platform::Scheduler::main(), QString(), QLocale() },
                parent);
        },
        settings::RecordSidebarState::shared(),
        platform::UserDefaults::standard(),
        platform::Scheduler::main(),
        nullptr,
        nullptr,
        {},
        [this]() -> QWidget* {
            return new record_screen::RecordView(record_screen::RecordView::Environment {
                *recordVM_, settings::AppSettings::shared(), settings::RecordSidebarState::shared(), dialogs_ });
        },
        [this, playback]() -> QWidget* {
            return new playback_screen::PlaybackView(playback_screen::PlaybackScreenModels { *playback, *recordVM_,
                projects::ProjectLibraryStore::shared(), settings::AppSettings::shared(),
                settings::RecordSidebarState::shared(), dialogs_, platform::Scheduler::main() });
        },
    };
}

std::unique_ptr<SettingsRootView> StationServices::makeSettingsWindow()
{
    return std::make_unique<SettingsRootView>(SettingsRootView::Environment {
        settings::AppSettings::shared(), *recordVM_, playback::KeyboardShortcutManager::shared(), dialogs_ });
}

} // namespace app
