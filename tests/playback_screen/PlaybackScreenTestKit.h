#pragma once

// The playback screen over real models: the capture engine on the simulated card (from the
// capture tests' fixture), a playback engine with fake players, a project library and the
// sidebar state on the same private defaults, and a dialog service that the test answers.

#include "CaptureTestSupport.h"
#include "fakes/FakeMediaPlayer.h"
#include "kit/FakeDialogService.h"
#include "playback/PlaybackViewModel.h"
#include "playback_screen/PlaybackView.h"
#include "projects/ProjectLibraryStore.h"
#include "settings/RecordSidebarState.h"
#include "ui/LayoutLogger.h"

#include <memory>
#include <vector>

namespace playback_screen_test {

class ScreenTest : public capturetest::EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The screen in a host of `size`, shown, with its first hook pass run.
    void showScreen(QSize size = QSize(1196, 880));
    playback_screen::PlaybackScreenModels models();
    // Adds a clip (an empty file, or none when `offline`) and returns its id; the engine selects
    // it. With a duration the main player makes it ready and reports its time.
    QUuid addClip(const QString& name, bool offline = false, std::optional<double> duration = std::nullopt);
    // Runs the queued hook pass and whatever else the event loop holds.
    void settle();
    media::FakeMediaPlayer& mainPlayer() { return *players.at(0); }

    std::vector<media::FakeMediaPlayer*> players;
    std::unique_ptr<playback::PlaybackViewModel> vm;
    std::unique_ptr<projects::ProjectLibraryStore> library;
    std::unique_ptr<settings::RecordSidebarState> sidebar;
    ui::FakeDialogService dialogs;
    std::unique_ptr<ui::LayoutLogger> logger;
    std::unique_ptr<playback_screen::PlaybackView> view;
};

} // namespace playback_screen_test
