// The other roads into track 0: the DeckLink bridge, the router and the playback tap; and the
// capture engine's own pushes from the simulated card.

#include "CounterFrames.h"
#include "ReceivingPeer.h"
#include "WebRTCTestStation.h"

#include "../capture/CaptureTestSupport.h"
#include "../fakes/FakeMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "remote/webrtc/DeckLinkWebRTCBridge.h"
#include "remote/webrtc/FrameInjectorCapturer.h"
#include "remote/webrtc/PlaybackFrameTap.h"
#include "remote/webrtc/VideoRouter.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using remote::WebRTCSessionManager;
using Source = WebRTCSessionManager::ActiveSource;
using capturetest::drainEvents;

class WebRTCSourcesTest : public capturetest::EngineTest {
protected:
    void startSession()
    {
        station.manager().start(QStringLiteral("S"));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return station.manager().state() == WebRTCSessionManager::State::running; }, 10000));
    }
    // Frames slot 0's injector took so far, once queued work is done.
    std::uint64_t taken()
    {
        drainEvents();
        station.manager().drainFrameQueue();
        return station.manager().injector(0)->pushed();
    }

    WebRTCTestStation station;
};

TEST_F(WebRTCSourcesTest, BridgeRouterAndPlaybackTapFeedSlotZeroOnlyAsTheirProducer)
{
    startSession();
    const QImage image = countertest::counterFrame(7, 320, 240).imageView();

    // The bridge: its observer sees the picture at once, the session takes it as DeckLink's.
    remote::DeckLinkWebRTCBridge bridge;
    int observed = 0;
    bridge.setOnFrame([&](const QImage&) { ++observed; });
    bridge.didReceiveFrame(image);
    EXPECT_EQ(observed, 1);
    bridge.setWebRTC(station.sharedManager());
    bridge.didReceiveFrame(image);
    EXPECT_EQ(taken(), 1u);
    {
        // A session gone by the time the task runs is no session.
        auto gone = std::make_shared<WebRTCSessionManager>(station.stack().webrtcSignalingAdapter());
        bridge.setWebRTC(gone);
        bridge.didReceiveFrame(image);
    }
    EXPECT_EQ(taken(), 1u);
    EXPECT_EQ(observed, 3);

    // The router gives slot 0 to its feed and lets only that feed through.
    remote::VideoRouter router;
    router.attachWebRTC(station.sharedManager());
    drainEvents();
    EXPECT_EQ(station.manager().activeSources()[0], Source::playback);
    const media::Frame frame = countertest::counterFrame(8, 320, 240);
    router.pushPlayback(frame, 1.0);
    router.pushDeckLink(image, std::nullopt);
    bridge.setWebRTC(station.sharedManager());
    bridge.didReceiveFrame(image); // DeckLink's, while slot 0 is playback's
    EXPECT_EQ(taken(), 2u);
    router.setSource(remote::VideoRouter::Source::deckLink);
    drainEvents();
    EXPECT_EQ(station.manager().activeSources()[0], Source::deckLink);
    router.pushPlayback(frame, 1.0);
    router.pushDeckLink(image, std::nullopt);
    EXPECT_EQ(taken(), 3u);

    // The tap reads the player's picture at its rate, once per new picture, until stopped.
    router.setSource(remote::VideoRouter::Source::playback);
    drainEvents();
    media::FakeMediaPlayer player(clock);
    auto item = media::PlayerItem::create(QUrl::fromLocalFile(folder.filePath("clip.mov")));
    player.replaceCurrentItem(item);
    player.makeReady(10.0);
    auto tap = remote::PlaybackFrameTap::create(station.sharedManager(), scheduler, clock);
    tap->start(player, 25.0);
    player.presentFrame(frame);
    scheduler.advance(0.04);
    EXPECT_EQ(taken(), 4u);
    scheduler.advance(0.04);
    EXPECT_EQ(taken(), 4u) << "the same picture is not sent twice";
    player.presentFrame(countertest::counterFrame(9, 320, 240));
    scheduler.advance(0.04);
    EXPECT_EQ(taken(), 5u);
    tap->stop();
    EXPECT_TRUE(item->outputs().empty());
    player.presentFrame(countertest::counterFrame(10, 320, 240));
    scheduler.advance(0.2);
    EXPECT_EQ(taken(), 5u);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(WebRTCSourcesTest, TheCardsFirstInputReachesTrackZeroThroughTheCaptureEngine)
{
    ReceivingPeer peer;
    engine->setWebRTC(station.sharedManager());
    engine->setRemotePreviewMode(capture::RemotePreviewMode::capture);
    engine->setCaptureSource(0, capture::CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
    engine->startCapture(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.manager().activeSources()[0] == Source::deckLink; }, 5000));

    ASSERT_TRUE(peer.connectWithView(station.port()));
    peer.start(QStringLiteral("S1"));
    ASSERT_TRUE(peer.wait(
        [&] {
            deliverCardFrames(0, 1);
            return peer.receivedCount(QStringLiteral("video0")) > 0;
        },
        20000));
    const auto first = peer.received().front();
    EXPECT_EQ(first.mid, QStringLiteral("video0"));
    EXPECT_EQ(first.width, 1920);
    EXPECT_EQ(first.height, 1080);
}

} // namespace
