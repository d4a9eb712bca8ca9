#include "CounterFrames.h"
#include "ReceivingPeer.h"
#include "WebRTCTestStation.h"

#include "remote/webrtc/FrameInjectorCapturer.h"
#include "remote/webrtc/WebRTCPeerConnection.h"

#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

using remote::WebRTCSessionManager;
using State = WebRTCSessionManager::State;
using Source = WebRTCSessionManager::ActiveSource;

class WebRTCSessionTest : public ::testing::Test {
protected:
    // Pushes a numbered picture to `slot` on every turn of the wait, until `condition` holds.
    bool feedUntil(int slot, Source source, const std::function<bool()>& condition, int timeoutMs = 10000)
    {
        return peer.wait(
            [&] {
                station.manager().push(countertest::counterFrame(++counter, 320, 240), slot, source, std::nullopt);
                return condition();
            },
            timeoutMs);
    }

    bool readCounterOn(const QString& mid, std::uint64_t after)
    {
        const auto frames = peer.received();
        return std::any_of(frames.begin(), frames.end(),
            [&](const auto& f) { return f.mid == mid && f.counter && *f.counter > after && *f.counter <= counter; });
    }

    void setSource(Source source, int slot)
    {
        station.manager().setActiveSource(source, slot);
        (void)QTest::qWaitFor([&] { return station.manager().activeSources()[std::size_t(slot)] == source; }, 5000);
    }

    WebRTCTestStation station;
    ReceivingPeer peer;
    std::uint64_t counter = 0;
};

TEST_F(WebRTCSessionTest, OffersFourSendOnlyTracksConnectsOnLoopbackAndCarriesEachSlotsFrames)
{
    ASSERT_TRUE(peer.connectWithView(station.port()));
    peer.start(QStringLiteral("S1"));
    ASSERT_TRUE(peer.wait([&] { return !peer.offers().empty(); }));
    EXPECT_EQ(station.states, (std::vector { State::creatingPeer, State::haveLocalOffer, State::running }));
    EXPECT_EQ(peer.offers()[0].value("sessionID").toString(), QStringLiteral("S1"));

    const QString sdp = peer.offers()[0].value("payload").toObject().value("sdp").toString();
    EXPECT_EQ(sdp.count(QStringLiteral("m=video ")), 4);
    EXPECT_EQ(sdp.count(QStringLiteral("a=sendonly")), 4);
    EXPECT_TRUE(sdp.contains(QStringLiteral("a=group:BUNDLE video0 video1 video2 video3")));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(sdp.contains(QStringLiteral("a=mid:video%1").arg(i))) << i;
        EXPECT_TRUE(sdp.contains(QStringLiteral("a=rtpmap:%1 VP8/90000").arg(96 + i))) << i;
        EXPECT_EQ(sdp.count(QStringLiteral("a=msid:stream-%1 mac-injected-video-%1").arg(i)), 1) << i;
    }

    ASSERT_TRUE(peer.wait([&] { return peer.iceConnected(); }, 5000));
    ASSERT_TRUE(feedUntil(0, Source::deckLink, [&] { return readCounterOn("video0", 0); }));
    // Each candidate names its own m-line's mid, never "0".
    ASSERT_FALSE(peer.candidates().empty());
    for (const auto& candidate : peer.candidates()) {
        const QJsonObject payload = candidate.value("payload").toObject();
        EXPECT_EQ(
            payload.value("sdpMid").toString(), QStringLiteral("video%1").arg(payload.value("sdpMLineIndex").toInt()));
    }

    // Slot 1 takes only the producer routed to it; slots that do not exist and pictures a track
    // cannot carry are dropped.
    setSource(Source::playback, 1);
    auto& manager = station.manager();
    manager.setActiveSource(Source::avFoundation, 4);
    manager.setActiveSource(Source::avFoundation, -1);
    const auto injector = manager.injector(1);
    const media::Frame frame = countertest::counterFrame(++counter, 320, 240);
    for (const int slot : { 1, 4, -1 })
        manager.push(frame, slot, Source::deckLink, std::nullopt);
    manager.push(QImage(0, 240, QImage::Format_ARGB32_Premultiplied), 1, Source::playback, std::nullopt);
    manager.push(media::MutableFrame(media::PixelFormat::R210, 64, 8).share(), 1, Source::playback, std::nullopt);
    manager.drainFrameQueue();
    EXPECT_EQ(injector->pushed(), 0u);
    setSource(Source::deckLink, 1);
    ASSERT_TRUE(feedUntil(1, Source::deckLink, [&] { return readCounterOn("video1", 0); }));

    // One active input: only track 0 sends. Back to two, track 1 starts again from a key frame.
    manager.updateActiveTrackCount(0);
    auto* connection = manager.peerConnection();
    EXPECT_TRUE(connection->isTrackEnabled(0));
    EXPECT_FALSE(connection->isTrackEnabled(1));
    const std::uint64_t resumedAfter = counter;
    manager.updateActiveTrackCount(2);
    EXPECT_TRUE(connection->isTrackEnabled(1));
    EXPECT_FALSE(connection->isTrackEnabled(2));
    ASSERT_TRUE(feedUntil(1, Source::deckLink, [&] { return readCounterOn("video1", resumedAfter); }));
}

TEST_F(WebRTCSessionTest, ANewStartReplacesTheSessionAndOnlyIndexesOf32BitsReachTheConnection)
{
    auto& manager = station.manager();
    // The count given while idle holds for the next session's tracks.
    manager.updateActiveTrackCount(2);
    ASSERT_TRUE(peer.connectWithView(station.port()));
    peer.start(QStringLiteral("S1"));
    ASSERT_TRUE(peer.wait([&] { return !peer.offers().empty(); }));
    EXPECT_TRUE(manager.peerConnection()->isTrackEnabled(1));
    EXPECT_FALSE(manager.peerConnection()->isTrackEnabled(2));
    for (const double index : { 2147483648.0, -2147483649.0, 1.5, 2147483647.0, -1.0 }) {
        manager.handleSignal({ QStringLiteral("S1"),
            QJsonObject { { "kind", "ice" }, { "sdpMid", "video0" }, { "sdpMLineIndex", index },
                { "candidate", "candidate:1 1 UDP 1 127.0.0.1 9 typ host" } } });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.log.count("❌ [WebRTC] add ICE error: ") == 2; }, 5000));

    ReceivingPeer other(QStringLiteral("other"));
    ASSERT_TRUE(other.connectWithView(station.port()));
    station.states.clear();
    other.start(QStringLiteral("S2"));
    ASSERT_TRUE(other.wait([&] { return !other.offers().empty(); }));
    EXPECT_EQ(
        station.states, (std::vector { State::idle, State::creatingPeer, State::haveLocalOffer, State::running }));
    EXPECT_EQ(manager.sessionID(), QStringLiteral("S2"));
    EXPECT_FALSE(manager.peerConnection()->isTrackEnabled(2)) << "a new session keeps the last count";
}

} // namespace
