// Which producer feeds each remote-video track.

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

} // namespace
