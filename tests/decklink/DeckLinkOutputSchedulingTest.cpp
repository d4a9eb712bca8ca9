// Scheduled playback of the program output against the simulated card's clock, driven tick by
// tick: preroll, the buffer limit, skipping ahead after an underrun, late and dropped completions,
// failures, stopping with frames in flight, and the card's own clock thread.

#include "DeckLinkOutputTestSupport.h"

#include <QDeadlineTimer>

#include <thread>

namespace decklink {

using namespace decklinktest;

namespace {

using DeckLinkOutputScheduling = DeckLinkOutputTest;

TEST_F(DeckLinkOutputScheduling, PlaybackStartsAfterTwoPrerolledFramesAtZeroAndOneDuration)
{
    ASSERT_TRUE(start(0, 0)); // NTSC: 1001 / 30000
    sendCounters(1, 1);
    EXPECT_EQ(outputState(0).playbackRunning, 0);
    EXPECT_FALSE(output->scheduledPlaybackStarted());
    sendCounters(2, 2);
    EXPECT_EQ(outputState(0).playbackRunning, 1);
    EXPECT_EQ(output->framesInFlight(), 2u);

    EXPECT_EQ(corvale_sim_run_output(0, 2), 2);
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].displayTime, 0);
    EXPECT_EQ(frames[1].displayTime, 1001);
    EXPECT_EQ(frames[1].timeScale, 30000);
    EXPECT_EQ(frames[1].frameCounter, 2);
    EXPECT_EQ(output->framesInFlight(), 0u);
}

TEST_F(DeckLinkOutputScheduling, WithFourFramesBufferedTheNextIsDropped)
{
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 6);
    EXPECT_EQ(outputState(0).bufferedFrames, 4u);
    corvale_sim_run_output(0, 1);
    sendCounters(7, 7);
    EXPECT_EQ(outputState(0).bufferedFrames, 4u);
    corvale_sim_run_output(0, 4);
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[3].frameCounter, 4);
    EXPECT_EQ(frames[4].frameCounter, 7); // 5 and 6 never reached the card
}

TEST_F(DeckLinkOutputScheduling, AfterAnUnderrunFramesAreScheduledAheadOfTheStreamClock)
{
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 2);
    corvale_sim_run_output(0, 5); // the card's clock runs on with nothing new
    EXPECT_EQ(outputState(0).streamTime, 5 * 1001);
    sendCounters(3, 3);
    corvale_sim_run_output(0, 2);
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2].displayTime, 6 * 1001);
    EXPECT_EQ(frames[2].result, kDeckLinkOutputFrameCompleted); // on time, not late
    EXPECT_EQ(outputState(0).framesLate, 0u);
}

TEST_F(DeckLinkOutputScheduling, LateAndDroppedCompletionsStillGiveEveryFrameBack)
{
    ASSERT_TRUE(start(0, 0));
    corvale_sim_force_completion_results(0, kDeckLinkOutputFrameDisplayedLate, 3);
    sendCounters(0, 0);
    for (std::uint32_t n = 1; n <= 8; ++n) {
        sendCounters(n, n);
        corvale_sim_run_output(0, 1);
        if (n == 5)
            corvale_sim_force_completion_results(0, kDeckLinkOutputFrameDropped, 2);
    }
    corvale_sim_run_output(0, 2);
    const auto state = outputState(0);
    EXPECT_EQ(state.framesLate, 3u);
    EXPECT_EQ(state.framesDropped, 2u);
    EXPECT_EQ(state.framesCompleted, 4u);
    EXPECT_EQ(output->framesInFlight(), 0u);
    // Frames kept coming in order through the late ones.
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 9u);
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].frameCounter, static_cast<std::int64_t>(i));
}

TEST_F(DeckLinkOutputScheduling, StopWithFramesInFlightReleasesThemAndLeaksNothing)
{
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 4);
    EXPECT_EQ(corvale_sim_live_output_frame_count(), 4);
    stop();
    EXPECT_EQ(outputState(0).framesFlushed, 4u);
    EXPECT_EQ(corvale_sim_live_output_frame_count(), 0);

    // One prerolled frame, playback never started: flushed all the same.
    ASSERT_TRUE(start(0, 0));
    sendCounters(5, 5);
    stop();
    EXPECT_EQ(outputState(0).framesFlushed, 1u);

    // A card that never completes them: the output gives its own references back at stop.
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 3);
    corvale_sim_set_failures(CORVALE_SIM_FAIL_SILENT_FLUSH);
    stop();
    EXPECT_EQ(corvale_sim_live_output_frame_count(), 0);
    corvale_sim_set_failures(0);

    // A restart with frames in flight stops the previous run first.
    ASSERT_TRUE(start(0, 0));
    sendCounters(6, 7);
    ASSERT_TRUE(start(0, 0));
    EXPECT_EQ(corvale_sim_live_output_frame_count(), 0);
}

TEST_F(DeckLinkOutputScheduling, ScheduleAndStartFailuresAreLoggedOnceAndRetried)
{
    ASSERT_TRUE(start(0, 0));
    corvale_sim_set_failures(CORVALE_SIM_FAIL_SCHEDULE);
    sendCounters(1, 2);
    EXPECT_EQ(
        log.count("Output: ScheduleVideoFrame failed (hr=0x80000008 E_FAIL buffered=0 next=0 dur=1001 ts=30000)"), 1);
    EXPECT_EQ(output->framesInFlight(), 0u);

    corvale_sim_set_failures(CORVALE_SIM_FAIL_START_PLAYBACK);
    sendCounters(3, 4);
    EXPECT_EQ(outputState(0).playbackRunning, 0);
    corvale_sim_set_failures(0);
    sendCounters(5, 5);
    EXPECT_EQ(outputState(0).playbackRunning, 1);
    EXPECT_TRUE(output->scheduledPlaybackStarted());
    corvale_sim_run_output(0, 3);
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2].displayTime, 2 * 1001);
    EXPECT_EQ(frames[2].frameCounter, 5);
}

TEST_F(DeckLinkOutputScheduling, RealTimeClockCompletesFramesOnItsOwnThread)
{
    corvale_sim_set_manual_clock(0);
    ASSERT_TRUE(start(0, 4)); // 720p60
    for (std::uint32_t n = 1; n <= 3; ++n)
        send(makeBGRAFrame(1280, 720, n));
    QDeadlineTimer deadline(20000);
    while (outputState(0).framesCompleted + outputState(0).framesLate < 3 && !deadline.hasExpired())
        std::this_thread::yield();
    EXPECT_EQ(outputState(0).framesCompleted + outputState(0).framesLate, 3u);
    EXPECT_EQ(output->framesInFlight(), 0u);
}

} // namespace

} // namespace decklink
