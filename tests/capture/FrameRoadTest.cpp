// The per-frame road: preview throttling, the mailbox that keeps a stalled main thread from piling
// up camera frames, and the output hand-off.

#include "CaptureTestSupport.h"

#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

class FrameRoadTest : public EngineTest {
protected:
    void startCard(settings::CaptureFormat format)
    {
        engine->setCaptureSource(0, CaptureSourceKind::deckLink);
        engine->setSelectedFormat(0, format);
        engine->startCapture(0);
    }
};

TEST_F(FrameRoadTest, PreviewsAreThrottledWhileEveryFrameIsOffered)
{
    corvale_sim_set_source_mode(0, 'Hp60');
    startCard(settings::CaptureFormat::hd1080p60);
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

TEST_F(FrameRoadTest, SingleCardPictureIsFittedToTheOutputOffTheMainThread)
{
    startCard(settings::CaptureFormat::hd1080p25);
    engine->setOutputSourceMode(OutputSourceMode::capture);
    engine->setOutputActiveSize({ 1280, 720 });
    engine->setIsOutputOn(true);
    deliverCardFrames(0, 2);
    EXPECT_EQ(engine->pendingOutputFrameCount(), 2u);
    // Another slot's frames do not reach a single-input output.
    engine->setOutputFromInputIndex(1);
    deliverCardFrames(0, 2);
    EXPECT_EQ(engine->pendingOutputFrameCount(), 2u);
}

} // namespace
