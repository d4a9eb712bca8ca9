#pragma once

// The external output window's content: one player view on black, filling the window. It shows
// the selected clip's player while "HDMI Out Follow Preview" is on, else the output player, and
// follows the setting at once.
//
// Main thread only.

#include <QWidget>

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

class PlayerView;

class ExternalPlaybackView final : public QWidget {
    Q_OBJECT
public:
    ExternalPlaybackView(playback::PlaybackViewModel& viewModel, settings::AppSettings& settings,
        platform::Scheduler& scheduler, QWidget* parent = nullptr);

    playback::PlaybackViewModel& viewModel() const { return viewModel_; }
    PlayerView* playerView() const { return player_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void followSetting();

    playback::PlaybackViewModel& viewModel_;
    settings::AppSettings& settings_;
    PlayerView* player_;
};

} // namespace playback_screen
