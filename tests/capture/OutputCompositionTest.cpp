// What the program output shows: capture grids and the single-input picture read back pixel by
// pixel (cell order, black cells, overlays only without the clean feed), and the playback feed's
// measurements and gates.

#include "CaptureTestSupport.h"

#include "media/frame/FrameCompositor.h"

using namespace capture;
using namespace capturetest;

namespace {

constexpr std::uint32_t kColors[] = { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu };
constexpr std::uint32_t kBlack = 0xFF000000u;

media::Frame solid(std::uint32_t argb, QSize size)
{
    media::MutableFrame frame(media::PixelFormat::BGRA, size.width(), size.height());
    media::FrameCompositor::fill(frame, QRect(QPoint(0, 0), size), argb);
    return std::move(frame).share();
}

std::uint32_t pixel(const media::Frame& frame, int x, int y)
{
    return reinterpret_cast<const std::uint32_t*>(frame.row(y))[x];
}

class OutputCompositionTest : public EngineTest {
protected:
    // Slot i shows a solid picture of colour i with the aspect of a grid cell (or nothing).
    void showInputs(int count, int missing = -1)
    {
        while (engine->activeInputCount() < count)
            engine->addSource();
        for (int slot = 0; slot < count; ++slot)
            engine->setPreviewImage(slot, slot == missing ? media::Frame {} : solid(kColors[slot], { 200, 100 }));
    }
};

TEST_F(OutputCompositionTest, CaptureGridPlacesInputsFromTheBottomRowUp)
{
    // Cells of a 400 x 200 canvas: (column, row from the top) -> slot shown, -1 for black.
    struct Case {
        int inputs;
        int missing;
        int expected[2][2]; // [row][column]
    };
    const Case cases[] = {
        { 1, -1, { { 0, -1 }, { 0, -1 } } }, // one row: the cell is the whole height
        { 2, -1, { { 0, 1 }, { 0, 1 } } },
        { 3, -1, { { 2, -1 }, { 0, 1 } } },
        { 4, -1, { { 2, 3 }, { 0, 1 } } },
        { 4, 1, { { 2, 3 }, { 0, -1 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inputs << " inputs, missing " << c.missing);
        showInputs(c.inputs, c.missing);
        const media::Frame grid = engine->composeCapturePreviewPixelBuffer({ 400, 200 });
        ASSERT_EQ(grid.width(), 400);
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 2; ++column) {
                const int slot = c.expected[row][column];
                // Cell centres; the clean feed is on, so no overlay.
                const std::uint32_t colour = pixel(grid, 100 + 200 * column, 60 + 80 * row);
                EXPECT_EQ(colour, slot < 0 ? kBlack : kColors[slot]) << row << "," << column;
            }
        }
    }
    EXPECT_TRUE(engine->composeCapturePreviewPixelBuffer({ 0, 200 }).isNull());
}

TEST_F(OutputCompositionTest, OverlaysDarkenTheLowerLeftOfEachPictureOnlyWithoutCleanFeed)
{
    showInputs(3, 1);
    const QSize size { 400, 200 };
    // Inside the overlay box of cell 0 (8 px from its lower-left corner), and the same spot of cell 1.
    const QPoint box0 { 30, 180 }, box1 { 230, 180 };
    media::Frame grid = engine->composeCapturePreviewPixelBuffer(size);
    EXPECT_EQ(pixel(grid, box0.x(), box0.y()), kColors[0]);
    engine->setOutputCleanFeed(false);
    grid = engine->composeCapturePreviewPixelBuffer(size);
    const std::uint32_t shaded = pixel(grid, box0.x(), box0.y());
    EXPECT_NE(shaded, kColors[0]);
    EXPECT_LT((shaded >> 16) & 0xFF, 0xFFu / 2); // black at 0.55 over red
    EXPECT_EQ(pixel(grid, box1.x(), box1.y()), kBlack); // no picture: no overlay either

    // The single picture is fitted with its overlay, always.
    engine->setOutputCleanFeed(true);
    const media::Frame single = engine->composeSingleCapturePixelBuffer(0, size);
    EXPECT_NE(pixel(single, box0.x(), box0.y()), kColors[0]); // the overlay at the canvas's lower left
}

TEST_F(OutputCompositionTest, SinglePlayerFramesAreMeasuredAndGated)
{
    const media::Frame frame = solid(kBlack, { 1920, 1080 })
                                   .withColorTags({ media::ColorPrimaries::ITU_R_709_2,
                                       media::TransferFunction::ITU_R_709_2, media::YCbCrMatrix::ITU_R_709_2 });
    engine->setOutputFormat(settings::CaptureFormat::hd1080p2997);
    engine->handlePlaybackOutput(frame, PlaybackOutputSource::main, 0.0);
    engine->handlePlaybackOutput(frame, PlaybackOutputSource::main, 0.04);
    EXPECT_DOUBLE_EQ(engine->playbackOutputInfo().fps, 25);
    engine->handlePlaybackOutput(frame, PlaybackOutputSource::main, 0.04); // the same frame again
    EXPECT_DOUBLE_EQ(engine->playbackOutputInfo().fps, 25);
    engine->handlePlaybackOutput(frame, PlaybackOutputSource::main, 0.04 + 1.0 / 50);
    EXPECT_DOUBLE_EQ(engine->playbackOutputInfo().fps, 0.1 * 50 + 0.9 * 25);
    EXPECT_EQ(engine->outputSourceColorText(), QStringLiteral("Input Color: P:Rec.709 T:Rec.709 M:Rec.709"));
    EXPECT_EQ(engine->outputCadenceWarningText(), QStringLiteral("Cadence mismatch: 27.50 → 29.97 fps (may judder)"));

    // Ignored: the other player, a take preview on screen, or the output showing capture.
    const double fps = engine->playbackOutputInfo().fps;
    engine->handlePlaybackOutput(frame, PlaybackOutputSource::program, 1.0);
    engine->setPlaybackMultiViewActive(true);
    engine->handlePlaybackOutput(frame, PlaybackOutputSource::main, 2.0);
    engine->setPlaybackMultiViewActive(false);
    engine->setOutputSourceMode(OutputSourceMode::capture);
    engine->handlePlaybackOutput(frame, PlaybackOutputSource::main, 3.0);
    EXPECT_DOUBLE_EQ(engine->playbackOutputInfo().fps, fps);
}

} // namespace
