// What the program output shows: capture grids and the single-input picture read back pixel by
// pixel (cell order, black cells, overlays only without the clean feed), take-preview grid shapes,
// the playback feed's measurements, rate hints and gates, and the deinterlace decision.

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
    const media::Frame letterboxed = engine->composeSingleCapturePixelBuffer(0, { 400, 400 });
    EXPECT_EQ(pixel(letterboxed, 200, 10), kBlack); // above the 2:1 picture
    EXPECT_EQ(pixel(letterboxed, 200, 200), kColors[0]);
    const media::Frame single = engine->composeSingleCapturePixelBuffer(0, size);
    EXPECT_NE(pixel(single, box0.x(), box0.y()), kColors[0]); // the overlay at the canvas's lower left
}

TEST_F(OutputCompositionTest, PlaybackGridShapesKeepTheirOrderFromTheTop)
{
    QHash<QUuid, media::Frame> frames;
    QList<QUuid> order;
    for (int i = 0; i < 12; ++i) {
        order.append(QUuid::createUuid());
        frames.insert(order.back(), solid(kColors[i % 4], { 100, 100 }));
    }
    struct Shape {
        int clips;
        int columns;
        int rows;
    };
    for (const Shape shape : { Shape { 1, 1, 1 }, { 3, 2, 2 }, { 5, 3, 2 }, { 12, 4, 3 } }) {
        SCOPED_TRACE(shape.clips);
        const QList<QUuid> shown = order.mid(0, shape.clips);
        const QSize size { 120 * shape.columns, 120 * shape.rows };
        const media::Frame grid = RecordViewModel::composePlaybackGrid(frames, shown, size);
        for (int i = 0; i < shape.columns * shape.rows; ++i) {
            const int x = 120 * (i % shape.columns) + 60, y = 120 * (i / shape.columns) + 60;
            EXPECT_EQ(pixel(grid, x, y), i < shape.clips ? kColors[i % 4] : kBlack) << i;
        }
    }
    // A clip without a frame keeps its place, black.
    frames.remove(order[0]);
    const media::Frame grid = RecordViewModel::composePlaybackGrid(frames, order.mid(0, 2), { 240, 120 });
    EXPECT_EQ(pixel(grid, 60, 60), kBlack);
    EXPECT_EQ(pixel(grid, 180, 60), kColors[1]);
}

TEST_F(OutputCompositionTest, MultiViewFeedsLiveVideoAtItsIntervalAndTheOutputWhenOn)
{
    engine->setWebRTC(live);
    drainEvents();
    engine->handlePlaybackMultiView({}, {});
    EXPECT_TRUE(engine->playbackMultiViewActive() == false);
    engine->waitForOutputQueues();
    drainEvents();
    ASSERT_EQ(live->offers.size(), 1u);
    EXPECT_EQ(live->offers.back().source, LiveVideoSession::ActiveSource::playback);
    EXPECT_EQ(live->lastFrame.width(), 1920); // all black, the default size
    EXPECT_EQ(pixel(live->lastFrame, 960, 540), kBlack);

    // Not due again within 1/25 s (the hint of the 25 fps output format): nothing is posted.
    const QUuid clip = QUuid::createUuid();
    engine->handlePlaybackMultiView({ { clip, solid(kColors[0], { 640, 360 }) } }, { clip });
    engine->waitForOutputQueues();
    drainEvents();
    EXPECT_EQ(live->offers.size(), 1u);
    EXPECT_EQ(engine->playbackOutputInfo().width, 640); // the first frame's size is still taken
    clock.advance(1.0 / 25 + 1e-6);
    engine->handlePlaybackMultiView({ { clip, solid(kColors[0], { 640, 360 }) } }, { clip });
    engine->waitForOutputQueues();
    drainEvents();
    ASSERT_EQ(live->offers.size(), 2u);
    EXPECT_EQ(live->lastFrame.width(), 640);
    EXPECT_EQ(pixel(live->lastFrame, 320, 180), kColors[0]);
}

TEST_F(OutputCompositionTest, RateHintsFollowModeFormatAndMeasuredRate)
{
    EXPECT_DOUBLE_EQ(engine->playbackDeckLinkTapFPSHint(), 25); // the output format's mode
    engine->setOutputFormat(settings::CaptureFormat::auto_);
    EXPECT_DOUBLE_EQ(engine->playbackDeckLinkTapFPSHint(), 60); // nothing known
    // Item times 1/26 s apart at 1280 x 700 (no mode): the normalised measured rate.
    for (int i = 0; i < 3; ++i)
        engine->handlePlaybackOutput(solid(kBlack, { 1280, 700 }), PlaybackOutputSource::main, i / 26.0);
    EXPECT_NEAR(engine->playbackOutputInfo().fps, 26.0, 1e-6);
    EXPECT_DOUBLE_EQ(engine->playbackDeckLinkTapFPSHint(), 25);
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

TEST_F(OutputCompositionTest, InterlacedFramesAreBlendedOnlyForProgressiveOutputs)
{
    const media::Frame interlaced
        = solid(kBlack, { 64, 64 }).withFieldInfo({ 2, media::FieldDetail::TemporalTopFirst });
    const media::Frame progressive = solid(kBlack, { 64, 64 });
    for (auto format : { settings::CaptureFormat::hd1080p25, settings::CaptureFormat::hd1080psf25 }) {
        engine->setOutputFormat(format);
        EXPECT_TRUE(engine->shouldDeinterlaceOutputFrame(interlaced));
        EXPECT_FALSE(engine->shouldDeinterlaceOutputFrame(progressive));
    }
    for (auto format : { settings::CaptureFormat::sd525i5994, settings::CaptureFormat::hd1080i50,
             settings::CaptureFormat::hd1080i60 }) {
        engine->setOutputFormat(format);
        EXPECT_FALSE(engine->shouldDeinterlaceOutputFrame(interlaced));
    }
    EXPECT_EQ(engine->outputCadenceWarningText(), QString());
}

} // namespace
