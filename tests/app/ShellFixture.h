#pragma once

// A shell over logging fakes: every start-up, routing and quit step the application takes is
// written to `log` in order; the window gets a real project store and sidebar flag on private
// defaults, a manual scheduler and a plain widget as the library's content.

#include "app/AppServices.h"
#include "app/CorvaleApp.h"
#include "app/SettingsRootView.h"
#include "kit/FakeDialogService.h"
#include "kit/ScreenKit.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "projects/ProjectLibraryStore.h"
#include "settings/AppSettings.h"
#include "settings/RecordSidebarState.h"
#include "ui/LayoutLogger.h"

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
    std::unique_ptr<SettingsRootView> makeSettingsWindow() override;

    // Delivers a signal the way the remote side does (from whatever thread calls it).
    void deliver(const remote::WebRTCSignalMessage& message) const { route_(message); }

    QStringList log;
    std::thread::id signalThread;
    // The library sheet's content; none: a plain widget.
    std::function<QWidget*(QWidget*)> makeLibraryView;
    // The settings window; none: the shell has none.
    std::function<std::unique_ptr<SettingsRootView>()> makeSettings;
    // The layout log's logger, notifications and gesture handed to the window.
    ui::LayoutLogger* layoutLogger = nullptr;
    platform::NotificationCenter* notifications = nullptr;
    std::function<bool()> layoutLogGesture;
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
    ShellFixture()
    {
        ui::screenkit::prepare();
        services.layoutLogger = &layoutLogger;
        services.notifications = &notifications;
    }

    // The application, made on first use (so a test can store a frame or the flag first).
    CorvaleApp& app();

    QTemporaryDir folder;
    platform::UserDefaults defaults { folder.filePath(QStringLiteral("defaults.json")) };
    settings::AppSettings settings { defaults };
    projects::ProjectLibraryStore library { settings, defaults };
    settings::RecordSidebarState sidebar { defaults };
    platform::ManualScheduler scheduler;
    platform::NotificationCenter notifications;
    // Nine in the morning, in a folder of its own (none until a test makes it).
    QString layoutLogFolder = folder.filePath(QStringLiteral("Desktop"));
    ui::LayoutLogger layoutLogger { { scheduler, defaults, [] { return QDateTime(QDate(2026, 1, 2), QTime(9, 0, 0)); },
        [this] { return layoutLogFolder; } } };
    LoggingServices services { library, sidebar, defaults, scheduler };
    std::unique_ptr<CorvaleApp> application;
};

} // namespace app
