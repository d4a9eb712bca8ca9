#pragma once

// The external output window "HDMI Output", for a second display: made on the first request and
// kept for the rest of the run (closing it only hides it), brought back, re-sized and re-centred
// on every later request. It shows the view model it was made with; it goes with that view model.
// The window never keeps the application running: closing the main window still quits.
//
// Main thread only: show() posts its work to the next turn of the event loop and returns.

#include <QPointer>
#include <QRect>

#include <optional>

class QWidget;

namespace platform {
class Scheduler;
}
namespace playback {
class PlaybackViewModel;
}
namespace settings {
class AppSettings;
}

namespace playback_screen {

class ExternalPlaybackWindowController {
public:
    static constexpr int preferredWidth = 1280;
    static constexpr int preferredHeight = 720;

    static ExternalPlaybackWindowController& shared();

    void show(playback::PlaybackViewModel& viewModel, settings::AppSettings& settings, platform::Scheduler& scheduler);
    // The window once made (null before, or after its view model went).
    QWidget* window() const { return window_; }

    // The window's frame in a screen's available area: min(1280, width) x min(720, height),
    // centred; none when there is no screen (the window is then centred by the platform).
    static std::optional<QRect> frameFor(const std::optional<QRect>& available);

private:
    ExternalPlaybackWindowController() = default;
    void showNow(
        playback::PlaybackViewModel& viewModel, settings::AppSettings& settings, platform::Scheduler& scheduler);
    void moveWindowToVisibleArea(QWidget* window);

    QPointer<QWidget> window_;
};

} // namespace playback_screen
