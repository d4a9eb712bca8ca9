#pragma once

// The application: owns the main window built over the shared objects it is handed, runs the
// start-up steps at the window's first show and the one quit path.
//
// Start-up, once, at the first show that the application itself caused: the appearance, keyboard
// listening, the live-video routing and track count, the playback taps, the control server and
// the remote state broadcasts; then the window's own step (project-selection mode and the library).
// Quit, once, whatever asked for it (closing the window, "Quit", the session ending, SIGTERM or
// SIGINT): recordings are finished first, then capture and program output stop, unsaved marks are
// saved, then the taps, playback, the control server and the broadcasts stop.
//
// Threads: main thread only, except onSignal(), which any thread may call.

#include "platform/MainThread.h"
#include "remote/WebRTCSignalMessage.h"

#include <QObject>

#include <memory>

namespace app {

class AppServices;
class MainWindow;
class QuitSignalRelay;
class SettingsRootView;

class CorvaleApp : public QObject {
    Q_OBJECT
public:
    explicit CorvaleApp(AppServices& services, QObject* parent = nullptr);
    ~CorvaleApp() override;

    MainWindow& mainWindow() { return *window_; }
    // Gives the window its stored or first-launch frame and shows it.
    void show();
    // Opens the one settings window (on General) or raises it when it is open.
    void showSettings();
    // The settings window once it has been opened; none before.
    SettingsRootView* settingsWindow() const { return settingsWindow_.get(); }
    // The one quit path; later calls do nothing.
    void quit();
    bool hasQuit() const { return didQuit_; }

    // An incoming live-video signal; handled later on the main thread. Any thread.
    void onSignal(const remote::WebRTCSignalMessage& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runStartUp();
    void followDesktopAppearance();

    AppServices& services_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QuitSignalRelay> signals_;
    std::unique_ptr<SettingsRootView> settingsWindow_;
    bool didStartUp_ = false;
    bool didStartTaps_ = false;
    bool didSetupControlServer_ = false;
    bool didSetupRealtimeSyncPipelines_ = false;
    bool didQuit_ = false;
    bool applyingTheme_ = false;
    platform::LivenessFlag alive_;
};

} // namespace app
