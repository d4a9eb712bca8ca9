#pragma once

// Everything the shell starts, routes and stops, as one set of operations: the station's own
// implementation (StationServices) drives the real engines, tests hand in a fake that logs the
// calls. The shell decides the order and which steps run once; an implementation only performs
// each step.
//
// Threads: main thread only, except that the route handed to routeSignals() may be called from
// any thread.

#include "app/MainWindow.h"
#include "remote/WebRTCSignalMessage.h"

#include <functional>
#include <memory>

namespace app {

class SettingsRootView;

class AppServices {
public:
    using SignalRoute = std::function<void(const remote::WebRTCSignalMessage&)>;

    virtual ~AppServices() = default;

    // ---- Start-up, at a main window's first show -----------------------------------------------
    virtual void applyAppearance() = 0;
    // The keyboard shortcuts guard their own once-per-process start.
    virtual void startKeyboardListeningOnce() = 0;
    // Hands the live-video session to the capture engine, which re-applies its track routing.
    virtual void attachWebRTC() = 0;
    virtual void updateActiveTrackCount() = 0;
    virtual void startPlaybackTaps() = 0;
    virtual void setupControlServer() = 0;
    virtual void setupRealtimeSyncPipelines() = 0;

    // ---- Live-video signalling -----------------------------------------------------------------
    // Incoming signals go to `route` from now on, possibly from another thread.
    virtual void routeSignals(SignalRoute route) = 0;
    virtual void handleSignal(const remote::WebRTCSignalMessage& message) = 0;

    // ---- Quit, in this order -------------------------------------------------------------------
    // Stops every recording and waits a bounded time for the movies to be finished.
    virtual void shutdownCapture() = 0;
    virtual void stopCaptureAndOutput() = 0;
    virtual void saveUnsavedMarks() = 0;
    virtual void stopPlaybackTaps() = 0;
    virtual void cleanupPlayback() = 0;
    virtual void stopControlServer() = 0;
    virtual void endRealtimeSync() = 0;
    // Leaves the event loop.
    virtual void exitEventLoop() = 0;

    // ---- The main window -----------------------------------------------------------------------
    // The window that alerts and panels are shown over from now on.
    virtual void setMainWindow(QWidget* window) = 0;
    virtual MainWindow::Environment mainWindowEnvironment() = 0;
    virtual ui::DialogService& dialogs() = 0;
    // The settings window over the shared objects; none where there is no such window.
    virtual std::unique_ptr<SettingsRootView> makeSettingsWindow() = 0;
};

} // namespace app
