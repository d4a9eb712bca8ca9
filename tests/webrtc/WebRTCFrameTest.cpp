#include "CounterFrames.h"
#include "WebRTCTestStation.h"

#include "platform/ManualMediaClock.h"

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

TEST(WebRTCFrameTest, StampsAreTheGivenTimeOrTheHostClock)
{
    platform::ManualMediaClock clock;
    clock.advance(12.5);
    const auto host = std::int64_t(std::trunc(clock.now() * 1e9));
    const struct {
        std::optional<double> time;
        std::int64_t expected;
    } rows[] = {
        { std::nullopt, host }, { std::numeric_limits<double>::quiet_NaN(), host },
        { 1e11, host }, // nanoseconds beyond 64 bits
        { 1.5, 1'500'000'000 }, { -1.5e-9, -1 }, // truncated toward zero
    };
    for (const auto& row : rows)
        EXPECT_EQ(WebRTCSessionManager::timeStampNs(row.time, clock), row.expected) << row.time.value_or(-999);
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
        ASSERT_TRUE(QTest::qWaitFor([&] { return manager.state() == WebRTCSessionManager::State::running; }, 10000));
        manager.push(countertest::counterFrame(1, 320, 240), 0, Source::deckLink, std::nullopt);
        // The image is a view of the frame's pixels: the frame outlives the queue's read of them.
        const media::Frame viewed = countertest::counterFrame(2, 320, 240);
        manager.push(viewed.imageView(), 1, Source::deckLink, std::nullopt);
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
