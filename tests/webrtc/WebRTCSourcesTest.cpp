// The other roads into track 0: the playback tap, and the capture engine's own pushes from the
// simulated card.

#include "CounterFrames.h"
#include "ReceivingPeer.h"
#include "WebRTCTestStation.h"

#include "../capture/CaptureTestSupport.h"
#include "../fakes/FakeMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "remote/webrtc/FrameInjectorCapturer.h"
#include "remote/webrtc/PlaybackFrameTap.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using remote::WebRTCSessionManager;
using Source = WebRTCSessionManager::ActiveSource;
using capturetest::drainEvents;

class WebRTCSourcesTest : public capturetest::EngineTest {
protected:
    // Frames slot 0's injector took so far, once queued work is done.
    std::uint64_t taken()
    {
        drainEvents();
        station.manager().drainFrameQueue();
        return station.manager().injector(0)->pushed();
    }

    WebRTCTestStation station;
};

TEST_F(WebRTCSourcesTest, ThePlaybackTapSendsEachNewPictureOnceUntilStopped)
{
    station.manager().start(QStringLiteral("S"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return station.manager().state() == WebRTCSessionManager::State::running; }, 10000));
    station.manager().setActiveSource(Source::playback, 0);
    drainEvents();
    media::FakeMediaPlayer player(clock);
    auto item = media::PlayerItem::create(QUrl::fromLocalFile(folder.filePath("clip.mov")));
    player.replaceCurrentItem(item);
    player.makeReady(10.0);
    auto tap = remote::PlaybackFrameTap::create(station.sharedManager(), scheduler, clock);
    tap->start(player, 25.0);
    player.presentFrame(countertest::counterFrame(8, 320, 240));
    scheduler.advance(0.04);
    EXPECT_EQ(taken(), 1u);
    scheduler.advance(0.04);
    EXPECT_EQ(taken(), 1u) << "the same picture is not sent twice";
    tap->stop();
    EXPECT_TRUE(item->outputs().empty());
    player.presentFrame(countertest::counterFrame(10, 320, 240));
    scheduler.advance(0.2);
    EXPECT_EQ(taken(), 1u);
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
            return !peer.received().empty();
        },
        20000));
    const auto first = peer.received().front();
    EXPECT_EQ(first.mid, QStringLiteral("video0"));
    EXPECT_EQ(first.width, 1920);
    EXPECT_EQ(first.height, 1080);
}

} // namespace
