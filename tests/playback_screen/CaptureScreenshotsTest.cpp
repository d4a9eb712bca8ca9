// Pictures of the playback screen's live inputs, take tiles and output controls in both
// appearances, written when CORVALE_TEST_ARTIFACTS names a folder. The probes check only what a
// picture must show.

#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "playback_screen/CaptureLiveView.h"
#include "playback_screen/OutputPreviewViewer.h"
#include "playback_screen/TakeMultiView.h"
#include "ui/PaneChrome.h"

using namespace playback_screen;
namespace kit = ui::screenkit;

namespace {

class CaptureScreenshots : public playback_screen_test::ScreenTest {
protected:
    // Slots 0...count-1 active; `live` ones capture a synthetic camera, `recording` ones record too.
    void inputs(int count, std::initializer_list<int> live, std::initializer_list<int> recording)
    {
        while (engine->activeInputCount() < count)
            engine->addSource();
        for (int slot : live) {
            engine->setCaptureSource(slot, capture::CaptureSourceKind::avFoundation);
            startCapturing(slot);
        }
        deliverCameraFrames(3);
        for (int slot : recording)
            engine->setIsRecording(slot, true);
    }
    void shoot(const QString& name, const std::function<void()>& check = {})
    {
        kit::inBothAppearances([&](const QString& appearance) {
            showScreen();
            view->setCenterMode(centerMode);
            settle();
            kit::screenshot(view.get(), name + "_" + appearance);
            if (check)
                check();
            view.reset();
        });
    }
    void TearDown() override
    {
        for (int slot = 0; slot < 4; ++slot)
            engine->setIsRecording(slot, false);
        ScreenTest::TearDown();
    }

    CenterMode centerMode = CenterMode::capture;
};

} // namespace

TEST_F(CaptureScreenshots, OneLiveInput)
{
    inputs(1, { 0 }, {});
    shoot("playback_capture_1_live", [&] {
        auto* live = kit::find<CaptureLiveView>(view->centrePane(), "captureLiveView");
        ASSERT_TRUE(live);
        EXPECT_EQ(live->tile(0).badge().status, StatusBadge::Status::live);
    });
}

TEST_F(CaptureScreenshots, OutputOnInHDRAndNoOutputDevice)
{
    centerMode = CenterMode::playback;
    engine->setOutputColorMode(capture::OutputColorMode::rec2020PQ);
    engine->refreshOutputDevices();
    engine->toggleOutput();
    shoot("playback_output_on_hdr", [&] {
        auto* overlay = kit::find<OutputPreviewOverlay>(view.get(), "outputPreviewOverlay");
        EXPECT_TRUE(overlay->showsHDR() && overlay->showsOutPill());
    });
    engine->toggleOutput();
    corvale_sim_set_device_count(0);
    engine->refreshOutputDevices();
    shoot("playback_output_no_device");
}

TEST_F(CaptureScreenshots, TakeOfThreeAsAGridAndOfFourAsARow)
{
    centerMode = CenterMode::playback;
    for (int cam = 1; cam <= 3; ++cam)
        addClip(QString("R1-SC1-T3-Cam%1.mov").arg(cam));
    vm->previewTake(3);
    shoot("playback_take_3_grid", [&] {
        auto* multi = kit::find<TakeMultiView>(view->centrePane(), "takeMultiView");
        ASSERT_TRUE(multi);
        EXPECT_FALSE(multi->isWideRow());
        EXPECT_EQ(multi->cellRects().size(), 4);
    });
    for (int cam = 1; cam <= 4; ++cam)
        addClip(QString("R1-SC1-T4-Cam%1.mov").arg(cam));
    vm->previewTake(4);
    sidebar->setCollapsed(true);
    shoot("playback_take_4_row", [&] {
        auto* multi = kit::find<TakeMultiView>(view->centrePane(), "takeMultiView");
        ASSERT_TRUE(multi);
        EXPECT_TRUE(multi->isWideRow());
    });
}
