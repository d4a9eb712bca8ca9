// Which producer feeds each remote-video track, and which offers the session takes.

#include "CaptureTestSupport.h"

using namespace capture;
using namespace capturetest;

namespace {

using Source = LiveVideoSession::ActiveSource;

class LiveVideoRoutingTest : public EngineTest {
protected:
    std::array<Source, 4> routed()
    {
        drainEvents();
        return live->activeSources;
    }
};

TEST_F(LiveVideoRoutingTest, WithoutASessionNothingIsRoutedOrOffered)
{
    engine->setRemotePreviewMode(RemotePreviewMode::capture);
    startCapturing(0);
    deliverCameraFrames(3);
    EXPECT_EQ(routed()[0], Source::playback);
    EXPECT_TRUE(live->offers.empty());

    // A session that went away is the same as none.
    auto gone = std::make_shared<FakeLiveVideoSession>();
    engine->setWebRTC(gone);
    gone.reset();
    deliverCameraFrames(3);
    engine->applyWebRTCSourceRouting();
    drainEvents();
}

TEST_F(LiveVideoRoutingTest, TracksFollowThePreviewModeAndWhatEachSlotCaptures)
{
    engine->setWebRTC(live);
    EXPECT_EQ(routed(), (std::array { Source::playback, Source::playback, Source::playback, Source::playback }));

    // Slot 0 a capturing card, slot 1 an idle camera, slot 2 capturing but not in use.
    engine->addSource();
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
    engine->startCapture(0);
    engine->setCaptureSource(2, CaptureSourceKind::deckLink);
    engine->setSelectedDeckLinkIndex(2, 1);
    engine->startCapture(2);
    ASSERT_TRUE(engine->isCapturingFlags()[2]);
    engine->setRemotePreviewMode(RemotePreviewMode::capture);
    EXPECT_EQ(routed(), (std::array { Source::deckLink, Source::playback, Source::playback, Source::playback }));

    startCapturing(1);
    EXPECT_EQ(routed(), (std::array { Source::deckLink, Source::avFoundation, Source::playback, Source::playback }));
    engine->stopCaptureAllSources(1);
    engine->finalizeStopCaptureUI(1);
    EXPECT_EQ(routed()[1], Source::playback);

    engine->setRemotePreviewMode(RemotePreviewMode::playback);
    EXPECT_EQ(routed(), (std::array { Source::playback, Source::playback, Source::playback, Source::playback }));
}

TEST_F(LiveVideoRoutingTest, OffersFromAProducerTheTrackDoesNotExpectAreDropped)
{
    engine->setWebRTC(live);
    engine->setRemotePreviewMode(RemotePreviewMode::capture);
    startCapturing(0);
    drainEvents();
    // The shell gives track 0 to the card at start-up, whatever the mode says.
    live->setActiveSource(Source::deckLink, 0);
    live->offers.clear();
    deliverCameraFrames(3);
    ASSERT_FALSE(live->offers.empty());
    for (const auto& offer : live->offers) {
        EXPECT_EQ(offer.source, Source::avFoundation);
        EXPECT_FALSE(offer.accepted);
    }
}

} // namespace
