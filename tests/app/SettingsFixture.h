#pragma once

// The shell's fixture with the settings window's real objects: a capture engine without cards or
// cameras, a shortcut manager listening for a playback engine on fake players, and a fake dialog
// service. CorvaleApp::showSettings() builds the window over them.

#include "ShellFixture.h"

#include "app/GeneralSettingsView.h"
#include "app/KeyboardSettingsView.h"
#include "capture/RecordViewModel.h"
#include "fakes/FakeMediaPlayer.h"
#include "platform/ManualMediaClock.h"
#include "playback/PlaybackViewModel.h"
#include "playback/keys/KeyboardShortcutManager.h"

#include <QDir>

namespace app {

class SettingsFixture : public ShellFixture {
protected:
    SettingsFixture()
    {
        QDir(folder.path()).mkpath(QStringLiteral("dev"));
        media::CameraDiscovery::Options cameras;
        cameras.deviceFolder = folder.filePath(QStringLiteral("dev")).toStdString();
        recordVM = std::make_unique<capture::RecordViewModel>(
            capture::RecordViewModel::Services { settings, scheduler, clock, notifications, {}, cameras });
        playbackVM = std::make_unique<playback::PlaybackViewModel>(
            settings, media::FakeMediaPlayer::factory(&players), scheduler, notifications);
        keyboard = std::make_unique<playback::KeyboardShortcutManager>(defaults, scheduler);
        keyboard->startListening(*playbackVM);
        services.makeSettings = [this] {
            return std::make_unique<SettingsRootView>(
                SettingsRootView::Environment { settings, *recordVM, *keyboard, settingsDialogs });
        };
    }
    ~SettingsFixture() override { application.reset(); }

    // Opens (or raises) the settings window through the application.
    SettingsRootView& openSettings()
    {
        app().showSettings();
        QApplication::processEvents();
        return *app().settingsWindow();
    }
    template <class Pane> Pane& pane()
    {
        auto* pane = qobject_cast<Pane*>(app().settingsWindow()->currentPane());
        EXPECT_NE(pane, nullptr);
        return *pane;
    }

    platform::ManualMediaClock clock;
    std::vector<media::FakeMediaPlayer*> players;
    ui::FakeDialogService settingsDialogs;
    std::unique_ptr<capture::RecordViewModel> recordVM;
    std::unique_ptr<playback::PlaybackViewModel> playbackVM;
    std::unique_ptr<playback::KeyboardShortcutManager> keyboard;
};

} // namespace app
