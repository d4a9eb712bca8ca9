#include "RemoteEngineFakes.h"
#include "RemoteTestSupport.h"

#include "platform/ManualScheduler.h"
#include "remote/RealtimeSyncPipelines.h"
#include "remote/RemoteStateBroadcaster.h"

#include <gtest/gtest.h>

#include <QTest>

using namespace remote;
using Property = PlaybackRemotePort::Property;

namespace {

struct PipelineKit {
    explicit PipelineKit(platform::Scheduler& scheduler)
        : pipelines({ playback, capture, snapshots, [this] { return clients; },
            [this](int count) { trackCounts.push_back(count); }, scheduler })
    {
    }

    // The types of the messages broadcast so far, in order, then forgotten.
    QStringList takeTypes()
    {
        QStringList types;
        for (const auto& sent : transport.sent)
            types.append(sent.message.value("type").toString());
        transport.sent.clear();
        return types;
    }

    FakePlaybackPort playback;
    FakeCapturePort capture;
    RecordingTransport transport;
    RemoteStateBroadcaster snapshots { transport, playback, capture };
    int clients = 1;
    std::vector<int> trackCounts;
    RealtimeSyncPipelines pipelines;
};

const QString clock = QStringLiteral("state.clock");
const QString update = QStringLiteral("state.update");

TEST(RealtimeSyncPipelinesTest, BuildingSendsOneClockAndTheTrackCountThenOnlyNewCounts)
{
    platform::ManualScheduler scheduler;
    PipelineKit kit(scheduler);
    kit.capture.inputs = 3;
    kit.pipelines.setupRealtimeSyncPipelines();
    EXPECT_TRUE(kit.takeTypes().isEmpty()) << "not before the next pass";
    scheduler.advance(0.0);
    EXPECT_EQ(kit.takeTypes(), QStringList { clock });
    EXPECT_EQ(kit.trackCounts, std::vector<int> { 3 });
    scheduler.advance(1.0);
    EXPECT_TRUE(kit.takeTypes().isEmpty());

    // Only a new input count reaches the tracks.
    for (const int count : { 3, 2, 2, 4 }) {
        kit.capture.setInputs(count);
        scheduler.advance(0.1);
        EXPECT_EQ(kit.takeTypes(), QStringList({ update, clock })) << count;
    }
    EXPECT_EQ(kit.trackCounts, (std::vector<int> { 3, 2, 4 }));
}

TEST(RealtimeSyncPipelinesTest, ThePlayheadIsThrottledAndNeverSendsTheState)
{
    platform::ManualScheduler scheduler;
    PipelineKit kit(scheduler);
    kit.pipelines.setupRealtimeSyncPipelines();
    scheduler.advance(0.2);
    kit.takeTypes();
    std::vector<double> clockTimes;
    for (int step = 0; step < 100; ++step) { // one second in 10 ms steps, the playhead every 50 ms
        if (step % 5 == 0)
            kit.playback.assign(Property::currentTime);
        scheduler.advance(step % 5 == 0 ? 0.0 : 0.01);
        for (const auto& type : kit.takeTypes()) {
            EXPECT_EQ(type, clock);
            clockTimes.push_back(scheduler.now());
        }
        if (step % 5 == 0)
            scheduler.advance(0.01);
        for (const auto& type : kit.takeTypes()) {
            EXPECT_EQ(type, clock);
            clockTimes.push_back(scheduler.now());
        }
    }
    ASSERT_GE(clockTimes.size(), 8u);
    EXPECT_LE(clockTimes.size(), 9u);
    for (std::size_t i = 1; i < clockTimes.size(); ++i)
        EXPECT_GE(clockTimes[i] - clockTimes[i - 1], 0.1199);
}

TEST(RealtimeSyncPipelinesTest, ABurstSettlesIntoOneStateThenClock)
{
    platform::ManualScheduler scheduler;
    PipelineKit kit(scheduler);
    kit.pipelines.setupRealtimeSyncPipelines();
    scheduler.advance(0.5);
    kit.takeTypes();
    for (int i = 0; i < 10; ++i) {
        kit.playback.assign(Property::clips);
        scheduler.advance(0.05);
    }
    EXPECT_TRUE(kit.takeTypes().isEmpty());
    scheduler.advance(0.0299);
    EXPECT_TRUE(kit.takeTypes().isEmpty());
    scheduler.advance(0.0002);
    EXPECT_EQ(kit.takeTypes(), QStringList({ update, clock }));
}

} // namespace
