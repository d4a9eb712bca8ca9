// Pictures of the recording screen in both appearances, written when CORVALE_TEST_ARTIFACTS names a
// folder. The probes check what a picture must show, not the whole image.

#include "CaptureTestSupport.h"
#include "kit/FakeDialogService.h"
#include "kit/ScreenKit.h"
#include "record_screen/RecordView.h"
#include "settings/RecordSidebarState.h"

using namespace record_screen;
namespace kit = ui::screenkit;

namespace {

class RecordScreenShots : public capturetest::EngineTest {
protected:
    std::unique_ptr<RecordView> makeView()
    {
        auto view = std::make_unique<RecordView>(
            RecordView::Environment { *engine, *settings, *sidebar, dialogs, scheduler, [] { return 100.0; } });
        view->resize(360, 1100);
        view->show();
        QApplication::processEvents();
        return view;
    }
    ui::FakeDialogService dialogs;
    std::unique_ptr<settings::RecordSidebarState> sidebar;
};

} // namespace

TEST_F(RecordScreenShots, SidebarIdleCapturingRecordingAndCollapsed)
{
    sidebar = std::make_unique<settings::RecordSidebarState>(*defaults);
    engine->addSource();
    engine->addSource();
    engine->setCaptureSource(1, capture::CaptureSourceKind::avFoundation);
    startCapturing(1);
    deliverCameraFrames(3);
    engine->setCaptureSource(2, capture::CaptureSourceKind::avFoundation);
    startCapturing(2);
    deliverCameraFrames(3);
    engine->setIsRecording(2, true);
    kit::inBothAppearances([&](const QString& appearance) {
        sidebar->setCollapsed(false);
        auto view = makeView();
        const QImage expanded = kit::screenshot(view.get(), "record_sidebar_" + appearance);
        auto* idle = kit::find<QWidget>(view.get(), "inputCard0");
        ASSERT_TRUE(idle);
        EXPECT_FALSE(expanded.isNull());

        sidebar->setCollapsed(true);
        QApplication::processEvents();
        kit::screenshot(view.get(), "record_sidebar_collapsed_" + appearance);
        EXPECT_EQ(kit::find<QWidget>(view.get(), "collapsedColumn")->width(), 72);
    });
    engine->setIsRecording(2, false);
    sidebar->setCollapsed(false);
}
