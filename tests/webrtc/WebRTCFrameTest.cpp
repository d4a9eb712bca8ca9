#include "CounterFrames.h"
#include "WebRTCTestStation.h"

#include "platform/ManualMediaClock.h"
#include "remote/webrtc/FrameInjectorCapturer.h"
#include "remote/webrtc/PixelPoolCache.h"
#include "remote/webrtc/WebRTCPeerConnection.h"

#include <QTest>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>

namespace {

using remote::WebRTCSessionManager;
using Source = WebRTCSessionManager::ActiveSource;

bool waitForState(WebRTCSessionManager& manager, WebRTCSessionManager::State state)
{
    return QTest::qWaitFor([&] { return manager.state() == state; }, 10000);
}

TEST(WebRTCFrameTest, StampsAreTheGivenTimeOrTheHostClock)
{
    platform::ManualMediaClock clock;
    clock.advance(12.5);
    const auto host = std::int64_t(std::trunc(clock.now() * 1e9));
    const struct {
        std::optional<double> time;
        std::int64_t expected;
    } rows[] = {
        { std::nullopt, host },
        { std::numeric_limits<double>::quiet_NaN(), host },
        { std::numeric_limits<double>::infinity(), host },
        { 1e11, host }, // nanoseconds beyond 64 bits
        { -1e11, host },
        { 1.5, 1'500'000'000 },
        { -1.5e-9, -1 }, // truncated toward zero
        { 0.0, 0 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(WebRTCSessionManager::timeStampNs(row.time, clock), row.expected) << row.time.value_or(-999);
}

TEST(WebRTCFrameTest, PoolsAreMadePerSizeAndAgainAfterAChangeOrReset)
{
    remote::PixelPoolCache cache;
    EXPECT_EQ(cache.ensurePool(64, 32, 4), nullptr);
    EXPECT_EQ(cache.ensurePool(64, 32, -1), nullptr);
    EXPECT_EQ(cache.makePixelBuffer(QImage(), 0, 32, 0), nullptr);
    EXPECT_NE(cache.makePixelBuffer(countertest::counterFrame(5, 320, 32).imageView(), 320, 32, 0), nullptr);
    EXPECT_NE(cache.makePixelBuffer(countertest::counterFrame(6, 320, 32).imageView(), 320, 32, 0), nullptr);
    EXPECT_EQ(cache.poolsMade(), 1);
    EXPECT_NE(cache.ensurePool(320, 32, 1), nullptr);
    EXPECT_EQ(cache.poolsMade(), 2) << "one pool per slot";
    EXPECT_NE(cache.ensurePool(320, 48, 0), nullptr);
    EXPECT_EQ(cache.poolsMade(), 3) << "a new size makes a new pool";
    cache.reset();
    EXPECT_NE(cache.ensurePool(320, 48, 0), nullptr);
    EXPECT_EQ(cache.poolsMade(), 4) << "reset forgets every pool";

    // The pixels arrive as drawn.
    remote::GstBufferPtr buffer
        = cache.makePixelBuffer(countertest::counterFrame(0xC0FFEE, 320, 48).imageView(), 320, 48, 0);
    GstMapInfo map;
    ASSERT_TRUE(gst_buffer_map(buffer.get(), &map, GST_MAP_READ));
    EXPECT_EQ(countertest::readCounter(map.data, 320 * 4, 320, 48), 0xC0FFEEu);
    gst_buffer_unmap(buffer.get(), &map);
}

TEST(WebRTCFrameTest, OnlyTheRoutedProducerOfARunningSessionReachesASlot)
{
    WebRTCTestStation station;
    auto& manager = station.manager();
    const media::Frame frame = countertest::counterFrame(1, 320, 240);
    manager.push(frame, 0, Source::deckLink, std::nullopt); // idle: no injector, nothing to count
    manager.start(QStringLiteral("S"));
    ASSERT_TRUE(waitForState(manager, WebRTCSessionManager::State::running));
    manager.setActiveSource(Source::playback, 2);
    manager.setActiveSource(Source::avFoundation, 4);
    manager.setActiveSource(Source::avFoundation, -1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.activeSources()[2] == Source::playback; }, 5000));
    EXPECT_EQ(manager.activeSources(),
        (std::array { Source::deckLink, Source::deckLink, Source::playback, Source::deckLink }));

    const struct {
        int slot;
        Source source;
        bool taken;
    } rows[] = {
        { 0, Source::deckLink, true },
        { 0, Source::avFoundation, false },
        { 2, Source::playback, true },
        { 2, Source::deckLink, false },
        { 4, Source::deckLink, false },
        { -1, Source::deckLink, false },
    };
    std::array<std::uint64_t, 4> expected {};
    for (const auto& row : rows) {
        manager.push(frame, row.slot, row.source, 2.0);
        manager.push(frame.imageView(), row.slot, row.source, std::nullopt);
        if (row.taken)
            expected[std::size_t(row.slot)] += 2;
    }
    manager.push(QImage(0, 240, QImage::Format_ARGB32_Premultiplied), 0, Source::deckLink, std::nullopt);
    manager.push(media::MutableFrame(media::PixelFormat::R210, 64, 8).share(), 0, Source::deckLink, std::nullopt);
    manager.drainFrameQueue();
    std::array<std::uint64_t, 4> pushed {};
    for (int slot = 0; slot < 4; ++slot)
        pushed[std::size_t(slot)] = manager.injector(slot)->pushed();
    EXPECT_EQ(pushed, expected) << "the empty image and the format a track cannot carry are dropped";
    EXPECT_EQ(manager.poolCache().poolsMade(), 2) << "slots 0 and 2 drew images";

    // After a stop the injectors are gone, the routing stays.
    const auto old = manager.injector(0);
    manager.stop();
    ASSERT_TRUE(waitForState(manager, WebRTCSessionManager::State::idle));
    manager.push(frame, 0, Source::deckLink, std::nullopt);
    EXPECT_EQ(old->pushed(), expected[0]);
    EXPECT_EQ(manager.injector(0), nullptr);
    EXPECT_EQ(manager.activeSources()[2], Source::playback);
}

GstTracer* leakTracer()
{
    GstTracer* leaks = nullptr;
    GList* tracers = gst_tracing_get_active_tracers();
    for (GList* item = tracers; item; item = item->next) {
        if (g_str_equal(G_OBJECT_TYPE_NAME(item->data), "GstLeaksTracer"))
            leaks = GST_TRACER(item->data);
    }
    g_list_free_full(tracers, gst_object_unref);
    return leaks; // the tracer lives as long as the process
}

// Adds the GStreamer objects made since the last checkpoint and takes away those freed, by type.
void countObjectsMadeAndKept(GstTracer* leaks, std::map<std::string, int>& kept)
{
    GstStructure* checkpoint = nullptr;
    g_signal_emit_by_name(leaks, "activity-get-checkpoint", &checkpoint);
    for (const auto& [list, step] :
        { std::pair { "objects-created-list", 1 }, std::pair { "objects-removed-list", -1 } }) {
        const GValue* entries = gst_structure_get_value(checkpoint, list);
        for (guint i = 0; i < gst_value_list_get_size(entries); ++i) {
            const GstStructure* entry = gst_value_get_structure(gst_value_list_get_value(entries, i));
            kept[gst_structure_get_string(entry, "type-name")] += step;
        }
    }
    gst_structure_free(checkpoint);
    std::erase_if(kept, [](const auto& item) { return item.second == 0; });
}

TEST(WebRTCFrameTest, TwentySessionsLeaveNoGstreamerObjectBehind)
{
    if (gst_is_initialized())
        GTEST_SKIP() << "the leak tracer must be set before GStreamer starts: run this test in a process of its own";
    setenv("GST_TRACERS", "leaks", 1);
    WebRTCTestStation station;
    auto& manager = station.manager();
    const auto cycle = [&] {
        manager.start(QStringLiteral("S"));
        ASSERT_TRUE(waitForState(manager, WebRTCSessionManager::State::running));
        manager.push(countertest::counterFrame(1, 320, 240), 0, Source::deckLink, std::nullopt);
        manager.push(countertest::counterFrame(2, 320, 240).imageView(), 1, Source::deckLink, std::nullopt);
        manager.drainFrameQueue();
        manager.handleSignal({ QStringLiteral("S"), QJsonObject { { "kind", "stop" } } });
    };
    cycle(); // plug-ins, caches and thread pools come to stay
    GstTracer* leaks = leakTracer();
    ASSERT_NE(leaks, nullptr);
    g_signal_emit_by_name(leaks, "activity-start-tracking");
    for (int i = 0; i < 20; ++i)
        cycle();
    // Pipelines finish their teardown in the main loop.
    std::map<std::string, int> kept;
    const bool released = QTest::qWaitFor(
        [&] {
            countObjectsMadeAndKept(leaks, kept);
            // Negative counts are objects of the warm-up cycle that went late.
            return std::all_of(kept.begin(), kept.end(), [](const auto& item) { return item.second < 0; });
        },
        10000);
    EXPECT_TRUE(released) << ::testing::PrintToString(kept);
    g_signal_emit_by_name(leaks, "activity-stop-tracking");
}

} // namespace
