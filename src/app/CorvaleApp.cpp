#include "app/CorvaleApp.h"

#include "app/AppInstallHelper.h"
#include "app/AppServices.h"
#include "app/MainWindow.h"
#include "app/QuitSignalRelay.h"
#include "app/SettingsRootView.h"
#include "platform/DebugLog.h"
#include "settings/AppearanceMode.h"
#include "ui/AppTheme.h"

#include <QApplication>
#include <QEvent>

namespace app {

CorvaleApp::CorvaleApp(AppServices& services, QObject* parent)
    : QObject(parent)
    , services_(services)
    , window_(std::make_unique<MainWindow>(services.mainWindowEnvironment()))
    , signals_(std::make_unique<QuitSignalRelay>())
{
    const auto token = alive_.token();
    services_.routeSignals([this, token](const remote::WebRTCSignalMessage& message) {
        // Only the token is touched here: this may run on the control server's thread.
        platform::runOnMain(token, [this, message] { services_.handleSignal(message); });
    });
    services_.setMainWindow(window_.get());
    window_->installEventFilter(this);
    qApp->installEventFilter(this);
    connect(window_.get(), &MainWindow::settingsRequested, this, &CorvaleApp::showSettings);
    connect(window_.get(), &MainWindow::quitRequested, this, &CorvaleApp::quit);
    connect(signals_.get(), &QuitSignalRelay::quitSignalled, this, [this](int signalNumber) {
        dlog("🛑 quit signal", signalNumber);
        quit();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &CorvaleApp::quit);
}

CorvaleApp::~CorvaleApp()
{
    qApp->removeEventFilter(this);
    services_.routeSignals({});
    services_.setMainWindow(nullptr);
}

void CorvaleApp::onSignal(const remote::WebRTCSignalMessage& message)
{
    platform::runOnMain(alive_.token(), [this, message] { services_.handleSignal(message); });
}

void CorvaleApp::show()
{
    window_->applyWindowDefaults();
    window_->show();
}

void CorvaleApp::showSettings()
{
    if (!settingsWindow_)
        settingsWindow_ = services_.makeSettingsWindow();
    if (!settingsWindow_) {
        dlog("⚙️ no settings window here");
        return;
    }
    settingsWindow_->present();
}

bool CorvaleApp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_.get() && event->type() == QEvent::Show && !event->spontaneous() && !didStartUp_)
        runStartUp();
    if (watched == qApp && (event->type() == QEvent::ThemeChange || event->type() == QEvent::ApplicationPaletteChange))
        followDesktopAppearance();
    return QObject::eventFilter(watched, event);
}

void CorvaleApp::runStartUp()
{
    didStartUp_ = true;
    services_.applyAppearance();
    services_.startKeyboardListeningOnce();
    services_.attachWebRTC();
    services_.updateActiveTrackCount();
    if (!didStartTaps_) {
        didStartTaps_ = true;
        services_.startPlaybackTaps();
    }
    if (!didSetupControlServer_) {
        didSetupControlServer_ = true;
        services_.setupControlServer();
    }
    if (!didSetupRealtimeSyncPipelines_) {
        didSetupRealtimeSyncPipelines_ = true;
        services_.setupRealtimeSyncPipelines();
    }
    // Asked once the window (and the library over it) is up, never inside the show itself.
    platform::runOnMain(this, [this] {
        AppInstallHelper::promptToMoveToApplicationsIfNeeded(
            AppInstallHelper::fromProcess(), services_.dialogs(), window_.get());
    });
}

void CorvaleApp::followDesktopAppearance()
{
    // Our own apply() changes the application palette too: that change is not the desktop's.
    if (applyingTheme_ || ui::AppTheme::appliedMode() != settings::AppearanceMode::system)
        return;
    applyingTheme_ = true;
    ui::AppTheme::apply(settings::AppearanceMode::system);
    applyingTheme_ = false;
}

void CorvaleApp::quit()
{
    if (didQuit_)
        return;
    didQuit_ = true;
    dlog("🛑 quitting: finishing recordings, then stopping everything");
    services_.shutdownCapture();
    services_.stopCaptureAndOutput();
    services_.saveUnsavedMarks();
    services_.stopPlaybackTaps();
    services_.cleanupPlayback();
    services_.stopControlServer();
    services_.endRealtimeSync();
    services_.exitEventLoop();
}

} // namespace app
