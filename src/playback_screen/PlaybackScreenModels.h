#pragma once

// What the playback screen is built over: the shared models it reads and calls, and the services
// it asks through. The application passes its shared instances; tests pass private ones.

namespace capture {
class RecordViewModel;
}
namespace platform {
class Scheduler;
}
namespace playback {
class PlaybackViewModel;
}
namespace projects {
class ProjectLibraryStore;
}
namespace settings {
class AppSettings;
class RecordSidebarState;
} // namespace settings
namespace ui {
class DialogService;
class LayoutLogger;
} // namespace ui

namespace playback_screen {

struct PlaybackScreenModels {
    playback::PlaybackViewModel& vm;
    capture::RecordViewModel& recordVM;
    projects::ProjectLibraryStore& projectLibrary;
    settings::AppSettings& settings;
    // "recordSidebarCollapsed": read, never written, by the screen.
    settings::RecordSidebarState& sidebar;
    ui::DialogService& dialogs;
    // Hover tooltips, the display tick of players that play, and other delays.
    platform::Scheduler& scheduler;
    // Where the panes report their sizes; none: the process-wide layout log.
    ui::LayoutLogger* layoutLogger = nullptr;
};

} // namespace playback_screen
