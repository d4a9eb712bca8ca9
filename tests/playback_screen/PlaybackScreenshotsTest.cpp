// Pictures of the whole playback screen at 1520 x 920 in both appearances, written only when
// CORVALE_TEST_ARTIFACTS names a folder: no project, takes with a playing clip, the take grid, an
// offline clip, capture with four inputs, the compact actions and the support popover.

#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "playback_screen/PlaylistActionsBar.h"
#include "playback_screen/PlaylistPane.h"
#include "playback_screen/SupportPopover.h"

#include <QApplication>

using namespace playback_screen;
using playback_screen_test::ScreenTest;

namespace {

class PlaybackScreenshotsTest : public ScreenTest {
protected:
    void shoot(const QString& appearance, const QString& scene)
    {
        settle();
        ui::screenkit::screenshot(view.get(), QStringLiteral("playback_screen_%1_%2").arg(scene, appearance));
    }
    PlaylistPane* pane() { return ui::screenkit::find<PlaylistPane>(view.get(), "playbackPlaylistPane"); }
};

TEST_F(PlaybackScreenshotsTest, WholeScreen)
{
    if (ui::screenkit::artifactsFolder().isEmpty())
        GTEST_SKIP() << "CORVALE_TEST_ARTIFACTS is not set";
    ui::screenkit::inBothAppearances([&](const QString& appearance) {
        view.reset();
        vm->deleteAllClips();
        showScreen(QSize(1520, 920));
        shoot(appearance, "no_project");

        for (const char* name : { "R1-SC4-T2-Cam1.mov", "R1-SC4-T2-Cam2.mov", "R1-SC4-T10-Cam1.mov", "wild.mov" })
            addClip(QString::fromLatin1(name));
        vm->selectClipSingle(vm->clips().front().id);
        mainPlayer().makeReady(42.0);
        vm->togglePlayPause();
        shoot(appearance, "takes_playing");

        vm->previewTake(2);
        shoot(appearance, "take_grid");
        vm->previewTake(std::nullopt);

        addClip(QStringLiteral("R1-SC4-T11-Cam3.mov"), true);
        shoot(appearance, "offline_clip");

        PlaylistActionsBar compact(*view, *pane()->model());
        compact.resize(500, compact.heightForWidth(500));
        compact.show();
        ui::screenkit::screenshot(&compact, QStringLiteral("playback_screen_compact_actions_%1").arg(appearance));
        SupportPopover popover(SupportPopover::builtInInviteLink());
        popover.show();
        ui::screenkit::screenshot(&popover, QStringLiteral("playback_screen_support_popover_%1").arg(appearance));
        popover.hide();

        for (int slot = 0; slot < 4; ++slot)
            startCapturing(slot);
        deliverCardFrames(0, 2);
        deliverCardFrames(1, 2);
        deliverCameraFrames(2);
        view->setCenterMode(CenterMode::capture);
        shoot(appearance, "capture_4_inputs");
        for (int slot = 0; slot < 4; ++slot)
            engine->stopCaptureAllSources(slot);
        view.reset();
    });
}

} // namespace
