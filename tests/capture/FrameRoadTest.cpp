// The per-frame road: preview throttling, the mailbox that keeps a stalled main thread from piling
// up camera frames, the output hand-off, colour tags for the writer, and fitting a picture into
// the output frame.

#include "CaptureTestSupport.h"

#include "capture/MovieRecorder.h"
#include "media/frame/FramePool.h"

#include <QPainter>
#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

class FrameRoadTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        settings->setProjectFormat(settings::CaptureFormat::auto_);
        createEngine();
    }
    void startCard(int slot, int device, settings::CaptureFormat format)
    {
        engine->setCaptureSource(slot, CaptureSourceKind::deckLink);
        engine->setSelectedDeckLinkIndex(slot, device);
        engine->setSelectedFormat(slot, format);
        engine->startCapture(slot);
    }
    void outputOn(QSize size)
    {
        engine->setOutputSourceMode(OutputSourceMode::capture);
        engine->setOutputActiveSize(size);
        engine->setIsOutputOn(true);
    }
};

TEST_F(FrameRoadTest, PreviewsAreThrottledWhileEveryFrameIsOffered)
{
    corvale_sim_set_source_mode(0, 'Hp60');
    startCard(0, 0, settings::CaptureFormat::hd1080p60);
    engine->setRemotePreviewMode(RemotePreviewMode::capture);
    engine->setWebRTC(live);
    drainEvents();
    QSignalSpy previews(engine.get(), &RecordViewModel::previewImagesChanged);
    deliverCardFrames(0, 60, 60.0);
    // One preview at most every 0.05 s: every third frame at 60 frames per second.
    EXPECT_EQ(previews.count(), 20);
    EXPECT_EQ(live->acceptedFrom(0, LiveVideoSession::ActiveSource::deckLink), 60);
    for (const auto& offer : live->offers)
        EXPECT_FALSE(offer.time); // card pictures are stamped by the session
}

TEST_F(FrameRoadTest, StalledMainThreadGetsOneHopPerCameraSlotWithTheLatestFrame)
{
    engine->setRemotePreviewMode(RemotePreviewMode::capture);
    engine->setWebRTC(live);
    startCapturing(0);
    drainEvents();
    QSignalSpy previews(engine.get(), &RecordViewModel::previewImagesChanged);
    QSignalSpy texts(engine.get(), &RecordViewModel::incomingInfoTextChanged);
    const std::size_t offersBefore = live->offers.size();
    for (int i = 0; i < 10; ++i) {
        clock.advance(0.04 + 1e-7);
        engine->waitForCameraFrames(); // the main thread runs no events meanwhile
    }
    EXPECT_EQ(previews.count(), 0);
    drainEvents();
    EXPECT_EQ(previews.count(), 1);
    EXPECT_EQ(texts.count(), 1);
    ASSERT_EQ(live->offers.size(), offersBefore + 1);
    EXPECT_TRUE(live->offers.back().time); // camera frames carry their capture time
    EXPECT_EQ(engine->receivedFrameCount(0), 11u);
}

TEST_F(FrameRoadTest, OutputTakesCaptureFramesOnlyWhenItShowsCapture)
{
    startCapturing(0);
    engine->setOutputActiveSize({ 320, 180 });
    engine->setIsOutputOn(true);
    deliverCameraFrames(3); // the output shows playback
    EXPECT_EQ(engine->pendingOutputFrameCount(), 0u);

    // One camera with the clean feed: its own frames, the newest six waiting.
    engine->setOutputSourceMode(OutputSourceMode::capture);
    deliverCameraFrames(9);
    EXPECT_EQ(engine->pendingOutputFrameCount(), 6u);
}

TEST_F(FrameRoadTest, SingleCardPictureIsFittedToTheOutputOffTheMainThread)
{
    startCard(0, 0, settings::CaptureFormat::hd1080p25);
    outputOn({ 1280, 720 });
    deliverCardFrames(0, 2);
    EXPECT_EQ(engine->pendingOutputFrameCount(), 2u);
    // Another slot's frames do not reach a single-input output.
    engine->setOutputFromInputIndex(1);
    deliverCardFrames(0, 2);
    EXPECT_EQ(engine->pendingOutputFrameCount(), 2u);
}

TEST_F(FrameRoadTest, CameraColourTagsGoToTheWriterAndTheSignalText)
{
    EXPECT_FALSE(engine->lastColorProperties(0));
    startCapturing(0);
    deliverCameraFrames(2);
    const auto properties = engine->lastColorProperties(0);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->value(QLatin1String(AVVideoColorPrimariesKey)).toString(), QStringLiteral("ITU_R_709_2"));
    EXPECT_EQ(properties->value(QLatin1String(AVVideoTransferFunctionKey)).toString(), QStringLiteral("ITU_R_709_2"));
    EXPECT_EQ(properties->value(QLatin1String(AVVideoYCbCrMatrixKey)).toString(), QStringLiteral("ITU_R_709_2"));
    EXPECT_EQ(engine->incomingColorSpaces()[0], settings::ProjectColorSpace::rec709);
    EXPECT_EQ(engine->incomingScanModes()[0], settings::ProjectScanMode::progressive);
    EXPECT_TRUE(engine->incomingInfoText()[0].endsWith(QStringLiteral(" \u2022 Rec.709")));
}

TEST(FrameFittingTest, AspectFitCentresTheScaledSource)
{
    const struct {
        QSizeF source;
        QRectF expected;
    } cases[] = {
        { { 1280, 720 }, { 0, 0, 1920, 1080 } },
        { { 720, 576 }, { 285, 0, 1350, 1080 } },
        { { 1080, 1920 }, { 656.25, 0, 607.5, 1080 } },
        { { 0, 576 }, { 0, 0, 1920, 1080 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordViewModel::aspectFitRect(c.source, { 0, 0, 1920, 1080 }), c.expected);
}

TEST(FrameFittingTest, MakePixelBufferSharesAFittingPictureAndLetterboxesOthers)
{
    media::MutableFrame red(media::PixelFormat::BGRA, 8, 2);
    red.imageForPainting().fill(QColor(255, 0, 0));
    const media::Frame source = std::move(red).share();

    EXPECT_TRUE(RecordViewModel::makePixelBuffer(source, { 8, 2 }).sharesPixelsWith(source));
    EXPECT_TRUE(RecordViewModel::makePixelBuffer(source, { 0, 2 }).isNull());
    EXPECT_TRUE(RecordViewModel::makePixelBuffer({}, { 8, 8 }).isNull());

    const media::Frame fitted = RecordViewModel::makePixelBuffer(source, { 8, 8 });
    ASSERT_EQ(fitted.width(), 8);
    ASSERT_EQ(fitted.height(), 8);
    const QImage image = fitted.imageView();
    EXPECT_EQ(image.pixelColor(4, 0), QColor(Qt::black)); // bars above and below
    EXPECT_EQ(image.pixelColor(4, 7), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(4, 4), QColor(255, 0, 0));
}

TEST(FrameFittingTest, OverlayBoxSitsAtTheLowerLeftWithTheCamLineLowest)
{
    QImage canvas(400, 200, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        RecordViewModel::drawCaptureOverlay(
            painter, QRectF(0, 0, 400, 200), 0, { QStringLiteral("Cam"), QStringLiteral("f"), QStringLiteral("c") });
    }
    // The box spans x 8...248 and y 128...192 and darkens the white behind it.
    EXPECT_LT(canvas.pixelColor(200, 130).red(), 128);
    EXPECT_EQ(canvas.pixelColor(250, 130), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(200, 125), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(200, 194), QColor(Qt::white));
}

} // namespace
