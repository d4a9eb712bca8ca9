#include "CounterFrames.h"
#include "ReceivingPeer.h"
#include "WebRTCTestStation.h"

#include "remote/webrtc/FrameInjectorCapturer.h"
#include "remote/webrtc/WebRTCPeerConnection.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using remote::WebRTCSessionManager;
using State = WebRTCSessionManager::State;
using Source = WebRTCSessionManager::ActiveSource;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

QString offerSdp(const QJsonObject& message)
{
    return message.value("payload").toObject().value("sdp").toString();
}

class WebRTCSessionTest : public ::testing::Test {
protected:
    // Pushes a numbered picture to `slot` on every turn of the wait, until `condition` holds.
    bool feedUntil(int slot, Source source, const std::function<bool()>& condition, int timeoutMs = 10000)
    {
        return peer.wait(
            [&] {
                station.manager().push(
                    countertest::counterFrame(++counter, kWidth, kHeight), slot, source, std::nullopt);
                return condition();
            },
            timeoutMs);
    }

    bool readCounterOn(const QString& mid, std::uint64_t after)
    {
        for (const auto& frame : peer.received()) {
            if (frame.mid == mid && frame.counter && *frame.counter > after && *frame.counter <= counter)
                return true;
        }
        return false;
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

    const QString sdp = offerSdp(peer.offers()[0]);
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
    ASSERT_FALSE(peer.candidates().empty());
    for (const auto& candidate : peer.candidates()) {
        const QJsonObject payload = candidate.value("payload").toObject();
        EXPECT_EQ(
            payload.value("sdpMid").toString(), QStringLiteral("video%1").arg(payload.value("sdpMLineIndex").toInt()));
    }

    // Slot 1 takes only the producer routed to it.
    setSource(Source::playback, 1);
    const auto injector = station.manager().injector(1);
    station.manager().push(countertest::counterFrame(++counter, kWidth, kHeight), 1, Source::deckLink, std::nullopt);
    EXPECT_EQ(injector->pushed(), 0u);
    setSource(Source::deckLink, 1);
    ASSERT_TRUE(feedUntil(1, Source::deckLink, [&] { return readCounterOn("video1", 0); }));

    // One active input: only track 0 sends. Back to two, track 1 starts again from a key frame.
    station.manager().updateActiveTrackCount(0);
    auto* connection = station.manager().peerConnection();
    EXPECT_EQ((std::vector { connection->isTrackEnabled(0), connection->isTrackEnabled(1),
                  connection->isTrackEnabled(2), connection->isTrackEnabled(3) }),
        (std::vector { true, false, false, false }));
    const std::uint64_t resumedAfter = counter;
    station.manager().updateActiveTrackCount(2);
    EXPECT_TRUE(connection->isTrackEnabled(1));
    EXPECT_FALSE(connection->isTrackEnabled(2));
    ASSERT_TRUE(feedUntil(1, Source::deckLink, [&] { return readCounterOn("video1", resumedAfter); }));
}

TEST_F(WebRTCSessionTest, ANewStartReplacesTheSessionAndStraySignalsDoNothing)
{
    auto& manager = station.manager();
    const auto signal = [&](const char* kind, QJsonObject payload = {}) {
        payload.insert("kind", kind);
        manager.handleSignal({ QStringLiteral("S0"), payload });
    };
    // Before any start: nothing to act on; "stop" still runs the stop steps.
    signal("answer", { { "sdp", "v=0" } });
    signal("ice",
        { { "sdpMid", "video0" }, { "sdpMLineIndex", 0 },
            { "candidate", "candidate:1 1 UDP 1 127.0.0.1 9 typ host" } });
    QCoreApplication::processEvents();
    signal("stop");
    EXPECT_EQ(manager.state(), State::idle);
    EXPECT_EQ(manager.peerConnection(), nullptr);
    EXPECT_EQ(station.log.count("🧊 [WebRTC] stopped"), 1);
    EXPECT_FALSE(station.log.contains("Remote answer") || station.log.contains("ICE added"));

    // The count given while idle holds for the next session's tracks.
    manager.updateActiveTrackCount(2);
    ASSERT_TRUE(peer.connectWithView(station.port()));
    peer.start(QStringLiteral("S1"));
    ASSERT_TRUE(peer.wait([&] { return !peer.offers().empty(); }));
    EXPECT_TRUE(manager.peerConnection()->isTrackEnabled(1));
    EXPECT_FALSE(manager.peerConnection()->isTrackEnabled(2));

    // Indexes that fit 32 bits reach the connection (which has no such m-line); others do not.
    const auto ice = [&](double index) {
        signal("ice",
            { { "sdpMid", "video0" }, { "sdpMLineIndex", index },
                { "candidate", "candidate:1 1 UDP 1 127.0.0.1 9 typ host" } });
    };
    for (double index : { 2147483648.0, -2147483649.0, 1.5 })
        ice(index);
    ice(2147483647.0);
    ice(-1.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.log.count("❌ [WebRTC] add ICE error: ") == 2; }, 5000));

    ReceivingPeer other(QStringLiteral("other"));
    ASSERT_TRUE(other.connectWithView(station.port()));
    station.states.clear();
    other.start(QStringLiteral("S2"));
    ASSERT_TRUE(other.wait([&] { return !other.offers().empty(); }));
    EXPECT_EQ(
        station.states, (std::vector { State::idle, State::creatingPeer, State::haveLocalOffer, State::running }));
    EXPECT_EQ(other.offers()[0].value("sessionID").toString(), QStringLiteral("S2"));
    EXPECT_EQ(manager.sessionID(), QStringLiteral("S2"));
    EXPECT_FALSE(manager.peerConnection()->isTrackEnabled(2));
    EXPECT_EQ(peer.offers().size(), 1u);
    EXPECT_EQ(station.log.count("❌ [WebRTC] add ICE error: "), 2);
}

} // namespace
