// Pictures of the recording screen in both appearances, written when CORVALE_TEST_ARTIFACTS names a
// folder. The probes check what a picture must show, not the whole image.

#include "CaptureTestSupport.h"
#include "kit/FakeDialogService.h"
#include "kit/ScreenKit.h"
#include "record_screen/InputPreview.h"
#include "record_screen/RecordInputSettingsView.h"
#include "record_screen/RecordView.h"
#include "record_screen/SystemPerformanceWidget.h"
#include "settings/RecordSidebarState.h"
#include "ui/AppCard.h"

#include <algorithm>
#include <ranges>

using namespace record_screen;
namespace kit = ui::screenkit;

namespace {

class RecordScreenShots : public capturetest::EngineTest {
protected:
    std::unique_ptr<RecordView> makeView()
    {
        auto view = std::make_unique<RecordView>(
            RecordView::Environment { *engine, *settings, *sidebar, dialogs, scheduler, [] { return 100.0; } });
        view->resize(360, 1400);
        view->show();
        QApplication::processEvents();
        return view;
    }
    ui::FakeDialogService dialogs;
    std::unique_ptr<settings::RecordSidebarState> sidebar;
};

// Whether the picture of `root` shows `color` at a point of `inner`.
bool shows(const QImage& picture, QWidget* root, QWidget* inner, QPoint point, ui::ThemeColor color)
{
    return kit::sameColor(kit::pixelAt(picture, inner->mapTo(root, point)), color.color(), 12);
}

const ui::ThemeColor red { ui::ColorRole::systemRed };

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
        // The pictures of the two capturing inputs, scaled off the main thread.
        ASSERT_TRUE(capturetest::processEventsUntil([&] {
            return std::ranges::all_of(std::array { "inputCard1", "inputCard2" }, [&](const char* card) {
                return !kit::find<InputPreview>(kit::find<QWidget>(view.get(), card), "preview")
                            ->shownPicture()
                            .isNull();
            });
        }));
        const QImage expanded = kit::screenshot(view.get(), "record_sidebar_" + appearance);
        auto* idle = kit::find<QWidget>(view.get(), "inputCard0");
        auto* capturing = kit::find<QWidget>(view.get(), "inputCard1");
        auto* recording = kit::find<QWidget>(view.get(), "inputCard2");
        ASSERT_TRUE(idle && capturing && recording);
        // Each card's outline: none at rest, the accent while capturing, red while recording.
        const QPoint edge(0, idle->height() / 2);
        EXPECT_FALSE(shows(expanded, view.get(), idle, edge, ui::AppTheme::accent));
        EXPECT_TRUE(shows(expanded, view.get(), capturing, edge, ui::AppTheme::accent));
        EXPECT_TRUE(shows(expanded, view.get(), recording, edge, red));
        // The load card: one input recording, so the pill's dot is red.
        auto* load = kit::find<SystemPerformanceWidget>(view.get(), "performanceWidget");
        const QImage widget = kit::screenshot(load, "record_performance_widget_" + appearance);
        const QRect pill(load->width() / 2, 23, load->width() / 2, 1);
        EXPECT_TRUE(std::ranges::any_of(std::views::iota(pill.left(), pill.right()), [&](int x) {
            return shows(widget, load, load, { x, pill.top() }, red);
        }));

        sidebar->setCollapsed(true);
        QApplication::processEvents();
        kit::screenshot(view.get(), "record_sidebar_collapsed_" + appearance);
    });
    engine->setIsRecording(2, false);
    sidebar->setCollapsed(false);
}

TEST_F(RecordScreenShots, InputSheetWithAndWithoutCameras)
{
    startCapturing(0);
    auto bare = engineWithoutCameras();
    ASSERT_TRUE(bare);
    kit::inBothAppearances([&](const QString& appearance) {
        // The capturing input's frame is the accent; the idle one's neither that nor red.
        for (auto [vm, name, color] : { std::tuple(engine.get(), "record_input_sheet_", ui::AppTheme::accent),
                 std::tuple(bare.get(), "record_input_sheet_no_camera_", red) }) {
            RecordInputSettingsView sheet(*vm, 0);
            sheet.resize(420, 260);
            sheet.show();
            const QImage picture = kit::screenshot(&sheet, name + appearance);
            auto* card = const_cast<ui::AppCard*>(sheet.card());
            EXPECT_EQ(card->mapTo(&sheet, QPoint(0, 0)), QPoint(12, 12));
            EXPECT_EQ(shows(picture, &sheet, card, { 1, card->height() / 2 }, color), vm == engine.get());
        }
    });
}
