// The hooks between the screen and the engines: the initial pass, one engine selection per list
// selection with no ping-pong, clearing, selections made by the engine, the output source mode,
// the output clip and the take preview's multi-view flag.

#include "PlaybackScreenTestKit.h"
#include "playback_screen/PlaybackViewHooks.h"

using namespace playback_screen;
using playback_screen_test::ScreenTest;

namespace {

class HooksTest : public ScreenTest { };

TEST_F(HooksTest, SelectionsSettleInOnePass)
{
    const QUuid a = addClip(QStringLiteral("R1-SC1-T4-Cam1.mov"));
    const QUuid b = addClip(QStringLiteral("R1-SC1-T4-Cam2.mov"));
    engine->setOutputSourceMode(capture::OutputSourceMode::capture);
    showScreen(); // the engine already has b selected
    EXPECT_EQ(view->uiSelectedClipID(), b);
    EXPECT_EQ(engine->outputSourceMode(), capture::OutputSourceMode::playback);
    EXPECT_EQ(engine->outputPlaybackSource(), capture::PlaybackOutputSource::main);

    // A list selection: one load of the main player, ending the output clip, and no bounce.
    vm->setSecondaryClip(b);
    settle();
    EXPECT_EQ(engine->outputPlaybackSource(), capture::PlaybackOutputSource::program);
    const int loads = mainPlayer().replaceCount();
    view->setUiSelectedClipID(a);
    view->setUiSelectedClipID(b);
    view->setUiSelectedClipID(a); // changes in one turn share a pass
    settle();
    EXPECT_EQ(vm->selectedClipID(), a);
    EXPECT_FALSE(vm->secondaryClipID());
    EXPECT_EQ(engine->outputPlaybackSource(), capture::PlaybackOutputSource::main);
    EXPECT_EQ(mainPlayer().replaceCount(), loads + 1);

    // A selection made by the engine reaches the list and goes no further.
    vm->selectClip(b);
    settle();
    EXPECT_EQ(view->uiSelectedClipID(), b);
    EXPECT_EQ(mainPlayer().replaceCount(), loads + 2);

    // Clearing the list clears the engine's selection and the player.
    view->setUiSelectedClipID(std::nullopt);
    settle();
    EXPECT_FALSE(vm->selectedClipID());
    EXPECT_FALSE(mainPlayer().currentItem());
}

TEST_F(HooksTest, ModeAndTakePreviewReachTheOutput)
{
    addClip(QStringLiteral("R1-SC1-T4-Cam1.mov"));
    addClip(QStringLiteral("R1-SC1-T4-Cam2.mov"));
    showScreen();
    view->setCenterMode(CenterMode::capture);
    EXPECT_TRUE(view->hooks()->isPassPending()); // never inside the setter
    settle();
    EXPECT_EQ(engine->outputSourceMode(), capture::OutputSourceMode::capture);
    view->setCenterMode(CenterMode::playback);
    settle();
    EXPECT_EQ(engine->outputSourceMode(), capture::OutputSourceMode::playback);

    vm->previewTake(4);
    settle();
    EXPECT_TRUE(engine->playbackMultiViewActive());
    view->setUiSelectedClipID(vm->clips().back().id); // a list selection ends the preview
    settle();
    EXPECT_FALSE(vm->isTakePreviewActive());
    EXPECT_FALSE(engine->playbackMultiViewActive());
}

} // namespace
