// The capture live view over the real capture engine (simulated card, synthetic cameras) and its
// tile rectangles.

#include "playback_screen/CaptureLiveView.h"
#include "CaptureTestSupport.h"
#include "kit/ScreenKit.h"
#include "media/frame/ScaledFrameCache.h"
#include "playback_screen/BadgePulseClock.h"

using namespace playback_screen;
namespace kit = ui::screenkit;

TEST(CaptureTileRects, OneToFourInputsInA16By9Frame)
{
    const QSize hd(1920, 1080);
    const QSize sd(640, 480);
    const double column = (1596 - 2) / 2.0; // 1600 wide, 2 in, 2 apart
    struct Case {
        int count;
        std::vector<QSize> images;
        std::vector<QSizeF> tiles;
        bool filler;
    };
    const Case cases[] = {
        { 0, {}, { { 1596, 1596 * 9 / 16.0 } }, true }, // read as 1; no picture: 9/16 of the width
        { 2, { hd, {} }, { { column, column * 9 / 16 }, { column, column * 9 / 16 } }, false },
        { 3, { hd, hd, hd }, { { column, column * 9 / 16 }, { column, column * 9 / 16 }, { column, column * 9 / 16 } },
            true },
        // A 4:3 picture makes its row taller, and its neighbour takes the row's height.
        { 7, { hd, hd, sd, hd },
            { { column, column * 9 / 16 }, { column, column * 9 / 16 }, { column, column * 3 / 4 },
                { column, column * 3 / 4 } },
            false },
    };
    for (const Case& c : cases) {
        const CaptureTileLayout layout = captureTileRects(QSizeF(1600, 900), c.count, c.images);
        EXPECT_EQ(layout.frame, QRectF(0, 0, 1600, 900)) << c.count;
        ASSERT_EQ(layout.tiles.size(), static_cast<qsizetype>(c.tiles.size())) << c.count;
        for (std::size_t i = 0; i < c.tiles.size(); ++i) {
            EXPECT_NEAR(layout.tiles[i].width(), c.tiles[i].width(), 1e-9) << c.count << " tile " << i;
            EXPECT_NEAR(layout.tiles[i].height(), c.tiles[i].height(), 1e-9) << c.count << " tile " << i;
        }
        EXPECT_EQ(!layout.filler.isNull(), c.filler) << c.count;
        EXPECT_EQ(layout.filler.height(), 0) << c.count;
        // The grid is centred in the frame (2 pt in), the filler's row counting.
        const double bottom
            = std::max(layout.tiles.back().bottom(), layout.filler.isNull() ? 0 : layout.filler.bottom());
        EXPECT_NEAR(layout.tiles[0].top() - 2, 898 - bottom, 1e-9) << c.count;
    }
    // Any space: the 16:9 frame fits and centres; the small form differs only in radius and inset.
    const CaptureTileLayout big = captureTileRects(QSizeF(1000, 900), 2, std::vector<QSize> { hd, hd });
    const CaptureTileLayout mini = captureTileRects(QSizeF(1000, 900), 2, std::vector<QSize> { hd, hd }, true);
    EXPECT_EQ(big.frame, QRectF(0, 168.75, 1000, 562.5));
    EXPECT_EQ(big.clip, big.frame.adjusted(2, 2, -2, -2));
    EXPECT_EQ(mini.clip, big.frame.adjusted(1, 1, -1, -1));
    EXPECT_EQ(std::make_pair(big.cornerRadius, mini.cornerRadius), std::make_pair(14.0, 10.0));
    EXPECT_EQ(big.tiles, mini.tiles);
}

namespace {

class CaptureLiveViewTest : public capturetest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        kit::prepare();
    }
    void TearDown() override
    {
        view.reset();
        EngineTest::TearDown();
    }
    void show(bool isMini = false)
    {
        view = std::make_unique<CaptureLiveView>(*engine, pulse, isMini);
        view->resize(800, 450);
        view->show();
        QApplication::processEvents();
    }
    // Waits until the slot's picture has been scaled to its tile.
    bool pictureReady(int slot)
    {
        const QRectF tile = view->tileLayout().tiles[slot];
        return capturetest::processEventsUntil(
            [&] { return !view->pictures(slot).scaledFrame(tile.size().toSize()).isNull(); });
    }

    BadgePulseClock pulse { scheduler };
    std::unique_ptr<CaptureLiveView> view;
};

} // namespace

TEST_F(CaptureLiveViewTest, CameraPicturesFillTheirTilesAndTheStatesShow)
{
    engine->addSource();
    engine->addSource();
    for (int slot : { 0, 2 }) {
        engine->setCaptureSource(slot, capture::CaptureSourceKind::avFoundation);
        startCapturing(slot);
    }
    deliverCameraFrames(3);
    engine->setIsRecording(2, true);
    show();
    ASSERT_EQ(view->tileCount(), 3);
    const CaptureTileLayout layout = view->tileLayout();
    EXPECT_EQ(layout.tiles[0].width(), 397); // (800 - 4 - 2) / 2
    EXPECT_NEAR(layout.tiles[0].height(), 397 * 180 / 320.0, 1.0);
    EXPECT_FALSE(layout.filler.isNull());

    const CaptureTileView live = view->tile(0);
    EXPECT_EQ(live.title, "Cam 1");
    EXPECT_EQ(QSize(live.image.width(), live.image.height()), QSize(320, 180));
    EXPECT_EQ(live.subline, engine->captureFormatInfo(0));
    EXPECT_EQ(live.badge().status, StatusBadge::Status::live);
    EXPECT_EQ(view->tile(1).badge().status, StatusBadge::Status::idle);
    EXPECT_TRUE(view->tile(1).image.isNull()); // the placeholder
    EXPECT_EQ(view->tile(2).badge().status, StatusBadge::Status::rec);
    EXPECT_EQ(view->tile(2).title, "Cam 3");

    // The picture is scaled once to the tile's size and drawn there.
    ASSERT_TRUE(pictureReady(0));
    EXPECT_TRUE(view->pictures(0).isInUse(layout.tiles[0].size().toSize()));
    const QImage shot = kit::screenshot(view.get(), "capture_live_view_probe");
    const QPoint centre = layout.tiles[0].center().toPoint();
    EXPECT_NE(kit::pixelAt(shot, centre), QColor(Qt::black));
    EXPECT_TRUE(pulse.isRunning());

    // Hiding the HUD removes every overlay and stops the pulse; a smaller view scales anew.
    view->setHideHUD(true);
    EXPECT_FALSE(pulse.isRunning());
    EXPECT_TRUE(view->tile(0).hud(layout.tiles[0]).chip.isNull());
    view->resize(400, 225);
    QApplication::processEvents();
    EXPECT_FALSE(view->pictures(0).isInUse(layout.tiles[0].size().toSize()));
    EXPECT_TRUE(pictureReady(0));
    engine->setIsRecording(2, false);
}
