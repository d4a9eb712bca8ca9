#pragma once

// A shell over logging fakes: every start-up, routing and quit step the application takes is
// written to `log` in order; the window gets a real project store and sidebar flag on private
// defaults, a manual scheduler and a plain widget as the library's content.

#include "app/AppServices.h"
#include "app/CorvaleApp.h"
#include "kit/FakeDialogService.h"
#include "kit/ScreenKit.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "projects/ProjectLibraryStore.h"
#include "settings/AppSettings.h"
#include "settings/RecordSidebarState.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace app {

class LoggingServices final : public AppServices {
public:
    LoggingServices(projects::ProjectLibraryStore& library, settings::RecordSidebarState& sidebar,
        platform::UserDefaults& defaults, platform::Scheduler& scheduler);

    void applyAppearance() override { note("applyAppearance"); }
    void startKeyboardListeningOnce() override { note("startKeyboardListeningOnce"); }
    void attachWebRTC() override { note("attachWebRTC"); }
    void updateActiveTrackCount() override { note("updateActiveTrackCount"); }
    void startPlaybackTaps() override { note("startPlaybackTaps"); }
    void setupControlServer() override { note("setupControlServer"); }
    void setupRealtimeSyncPipelines() override { note("setupRealtimeSyncPipelines"); }
    void routeSignals(SignalRoute route) override { route_ = std::move(route); }
    void handleSignal(const remote::WebRTCSignalMessage& message) override;
    void shutdownCapture() override { note("shutdownCapture"); }
    void stopCaptureAndOutput() override { note("stopCaptureAndOutput"); }
    void saveUnsavedMarks() override { note("saveUnsavedMarks"); }
    void stopPlaybackTaps() override { note("stopPlaybackTaps"); }
    void cleanupPlayback() override { note("cleanupPlayback"); }
    void stopControlServer() override { note("stopControlServer"); }
    void endRealtimeSync() override { note("endRealtimeSync"); }
    void exitEventLoop() override { note("exitEventLoop"); }
    void setMainWindow(QWidget*) override { }
    MainWindow::Environment mainWindowEnvironment() override;
    ui::DialogService& dialogs() override { return dialogs_; }

    // Delivers a signal the way the remote side does (from whatever thread calls it).
    void deliver(const remote::WebRTCSignalMessage& message) const { route_(message); }

    QStringList log;
    std::thread::id signalThread;
    // The library sheet's content; none: a plain widget.
    std::function<QWidget*(QWidget*)> makeLibraryView;
    ui::FakeDialogService dialogs_;

private:
    void note(const char* step) { log << QString::fromLatin1(step); }

    projects::ProjectLibraryStore& library_;
    settings::RecordSidebarState& sidebar_;
    platform::UserDefaults& defaults_;
    platform::Scheduler& scheduler_;
    SignalRoute route_;
};

class ShellFixture : public ::testing::Test {
protected:
    ShellFixture() { ui::screenkit::prepare(); }

    // The application, made on first use (so a test can store a frame or the flag first).
    CorvaleApp& app();

    QTemporaryDir folder;
    platform::UserDefaults defaults { folder.filePath(QStringLiteral("defaults.json")) };
    settings::AppSettings settings { defaults };
    projects::ProjectLibraryStore library { settings, defaults };
    settings::RecordSidebarState sidebar { defaults };
    platform::ManualScheduler scheduler;
    LoggingServices services { library, sidebar, defaults, scheduler };
    std::unique_ptr<CorvaleApp> application;
};

} // namespace app
