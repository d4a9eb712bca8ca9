// Program output control on the simulated card: the start and stop, failed starts with their
// retry, the colour and HDR calls with their order, and frames from playback and from a live input
// reaching the card at the output's own rate.

#include "CaptureTestSupport.h"

#include "kit/LogCapture.h"
#include "media/frame/FrameCompositor.h"

using namespace capture;
using namespace capturetest;

namespace {

class OutputControlTest : public EngineTest {
protected:
    // The start runs on the output queue and reports back on the main thread.
    void settle()
    {
        for (int i = 0; i < 2; ++i) {
            engine->waitForOutputQueues();
            drainEvents();
        }
    }
    void turnOn()
    {
        engine->refreshOutputDevices();
        engine->toggleOutput();
        settle();
    }
    // Runs `count` output frame periods at `fps`.
    void tick(int count, double fps = 25.0)
    {
        for (int i = 0; i < count; ++i) {
            clock.advance(1.0 / fps + 1e-7);
            engine->waitForOutputQueues();
        }
    }
    // Frame counters of the frames the card showed, oldest first.
    static std::vector<std::int64_t> shownCounters()
    {
        std::vector<CorvaleSimOutputFrame> frames(64);
        const int count = corvale_sim_output_frames(0, frames.data(), int(frames.size()));
        std::vector<std::int64_t> counters;
        for (int i = 0; i < count; ++i)
            counters.push_back(frames[i].frameCounter);
        return counters;
    }
    static media::Frame counterFrame(std::uint32_t counter, QSize size = { 1920, 1080 })
    {
        media::MutableFrame canvas = media::FrameCompositor::blackCanvas(size);
        corvale_sim_draw_frame_counter(
            canvas.data(), size.width(), size.height(), int(canvas.rowBytes()), 'BGRA', counter);
        return std::move(canvas).share();
    }

    testkit::LogCapture log { testkit::LogCapture::diagnostic | testkit::LogCapture::system };
};

TEST_F(OutputControlTest, StartsInTheResolvedModeAndStops)
{
    engine->refreshOutputDevices();
    EXPECT_EQ(engine->outputDeviceNames().size(), 2);
    engine->toggleOutput();
    EXPECT_EQ(engine->outputStatusText(), QStringLiteral("Starting..."));
    settle();
    EXPECT_EQ(engine->outputStatusText(), QStringLiteral("On"));
    EXPECT_TRUE(engine->isOutputOn());
    EXPECT_EQ(engine->outputActiveModeCode(), 7);
    CorvaleSimOutputState state {};
    corvale_sim_output_state(0, &state);
    EXPECT_EQ(state.enabled, 1);
    EXPECT_EQ(state.displayMode, std::uint32_t('Hp25'));

    engine->toggleOutput();
    EXPECT_EQ(engine->outputStatusText(), QStringLiteral("Off"));
    EXPECT_FALSE(engine->isOutputRequestedOn());
    settle();
    corvale_sim_output_state(0, &state);
    EXPECT_EQ(state.enabled, 0);
}

TEST_F(OutputControlTest, FailedStartsReportRetryAndRecover)
{
    struct Case {
        OutputColorMode color;
        const char* status;
        const char* alert;
    };
    const Case cases[] = {
        { OutputColorMode::rec709, "Start failed, retrying...", "Output start failed. App will retry automatically." },
        { OutputColorMode::rec2020PQ, "HDR start failed, retrying...",
            "HDR output failed. App will retry automatically.\nCheck HDMI sink/TV HDR support, output format "
            "timing, and try UHD timing for PQ." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        clock.advance(5); // past the alert cooldown
        engine->setOutputColorMode(c.color);
        corvale_sim_set_failures(CORVALE_SIM_FAIL_ENABLE_OUTPUT);
        turnOn();
        EXPECT_EQ(engine->outputStatusText(), QString::fromUtf8(c.status));
        EXPECT_EQ(engine->outputWarningAlertMessage(), QString::fromUtf8(c.alert));
        const int attempts = log.count("🎛️ StartOutput");
        scheduler.advance(1.1);
        settle();
        EXPECT_EQ(log.count("🎛️ StartOutput"), attempts); // nothing before 1.2 s
        corvale_sim_set_failures(0);
        scheduler.advance(0.15);
        settle();
        EXPECT_EQ(log.count("🎛️ StartOutput"), attempts + 1);
        EXPECT_EQ(engine->outputStatusText(), QStringLiteral("On"));
        engine->toggleOutput();
        settle();
    }
}

TEST_F(OutputControlTest, ColourAndHDRGoToTheCardInOrderAndFollowChanges)
{
    engine->setOutputColorMode(OutputColorMode::rec2020PQ);
    engine->setOutputHDRMasteringNits(HDRMasteringNits::n4000);
    turnOn();
    ASSERT_TRUE(engine->isOutputOn());
    const int force = log.find("forceHDR=1 [DBG-HDR2]");
    const int color = log.find("colorMode=3 [DBG-HDR2]");
    const int meta = log.find("HDR metadata: maxNits=4000.0 minNits=0.0050 maxCLL=4000.0 maxFALL=4000.0");
    const int start = log.find("start restore colorMode=3 forceHDR=1");
    EXPECT_TRUE(force >= 0 && force < color && color < meta && meta < start) << force << color << meta << start;

    // A new level reaches a running HDR card at once.
    engine->setOutputHDRMasteringNits(HDRMasteringNits::n500);
    engine->waitForOutputQueues();
    EXPECT_GE(log.find("HDR metadata: maxNits=500.0 minNits=0.0050 maxCLL=500.0 maxFALL=500.0"), 0);

    // A colour change reaches the card before its next frame; then the level is sent again.
    engine->setOutputColorMode(OutputColorMode::rec2020HLG);
    engine->enqueueOutputFrameForDeckLink(counterFrame(1));
    tick(1);
    EXPECT_GE(log.find("colorMode=4 [DBG-HDR2]"), 0);

    // In SDR a level change sends nothing.
    engine->setOutputColorMode(OutputColorMode::rec709);
    tick(1);
    const int lines = log.count("HDR metadata:");
    engine->setOutputHDRMasteringNits(HDRMasteringNits::n2000);
    engine->waitForOutputQueues();
    EXPECT_EQ(log.count("HDR metadata:"), lines);
}

// One picture per tick and the repeat of a starved output are the cadence pump's; here the
// playback road as far as the card.
TEST_F(OutputControlTest, PlaybackFramesReachTheCard)
{
    turnOn();
    ASSERT_TRUE(engine->isOutputOn());
    for (std::uint32_t counter = 1; counter <= 2; ++counter) {
        engine->handlePlaybackOutput(counterFrame(counter), PlaybackOutputSource::main, counter / 25.0);
        tick(1);
        corvale_sim_run_output(0, 1);
    }
    corvale_sim_run_output(0, 8);
    EXPECT_EQ(shownCounters(), (std::vector<std::int64_t> { 1, 2 }));
}

TEST_F(OutputControlTest, ALiveCardInputReachesTheCard)
{
    corvale_sim_set_source_mode(1, 'Hp25');
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedDeckLinkIndex(0, 1);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
    engine->startCapture(0);
    engine->setOutputSourceMode(OutputSourceMode::capture);
    turnOn();
    ASSERT_TRUE(engine->isOutputOn());
    // Each picture is waiting before the tick that shows it.
    for (int i = 0; i < 4; ++i) {
        corvale_sim_deliver_frames(1, 1);
        drainEvents();
        engine->waitForOutputQueues();
        tick(1);
        corvale_sim_run_output(0, 1);
    }
    corvale_sim_run_output(0, 4);
    const auto counters = shownCounters();
    ASSERT_EQ(counters.size(), 4u);
    for (std::size_t i = 1; i < counters.size(); ++i)
        EXPECT_EQ(counters[i], counters[i - 1] + 1);
}

} // namespace
