// DeckLinkInput against the simulated card: fixed modes, detection, format changes, loss of
// signal, one picture in flight per input, stale work after stop and start, failed starts and
// conversions, and the last reference let go while the card delivers.

#include "DeckLinkTestSupport.h"

#include "decklink/DeckLinkInput.h"
#include "decklink/DeckLinkInputCallback.h"
#include "platform/ManualMediaClock.h"

#include <QCoreApplication>

#include <atomic>
#include <thread>

namespace decklink {

using namespace decklinktest;

namespace {

class RecordingDelegate : public DeckLinkInputDelegate {
public:
    void didReceiveFrame(const media::Frame& image) override { frames.push_back(image); }
    std::vector<media::Frame> frames;

    std::int64_t counter(std::size_t i) const
    {
        const media::Frame& f = frames.at(i);
        return corvale_sim_decode_frame_counter(
            f.data(), f.width(), f.height(), static_cast<int>(f.rowBytes()), kDeckLinkFormat8BitBGRA);
    }
};

class DeckLinkInputTest : public SimulatedCardTest {
protected:
    void SetUp() override
    {
        SimulatedCardTest::SetUp();
        corvale_sim_set_source_mode(0, kDeckLinkModeNTSC);
        corvale_sim_set_source_mode(1, kDeckLinkModeNTSC);
        input = DeckLinkInput::create(clock);
        input->setDelegate(delegate);
    }
    void TearDown() override
    {
        input.reset();
        QCoreApplication::processEvents();
        EXPECT_EQ(DeckLinkInputCallback::liveCount(), 0);
        EXPECT_EQ(inputState(0).stopsFromCallback, 0u) << "an input was stopped on the card's thread";
        SimulatedCardTest::TearDown();
    }

    // Delivers `ticks` frame periods on the device and waits until the delegate has `expected`.
    void deliverAndWait(int device, int ticks, RecordingDelegate& target, std::size_t expected)
    {
        corvale_sim_deliver_frames(device, ticks);
        ASSERT_TRUE(processEventsUntil([&] { return target.frames.size() >= expected; }));
        EXPECT_EQ(target.frames.size(), expected);
    }

    bool reopenedIn(DeckLinkDisplayMode mode)
    {
        return processEventsUntil([&] {
            const auto state = inputState(0);
            return state.streaming && state.displayMode == mode && !input->isReconfiguring();
        });
    }

    platform::ManualMediaClock clock;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<DeckLinkInput> input;
};

TEST_F(DeckLinkInputTest, FixedModeDeliversConvertedPicturesInOrder)
{
    ASSERT_TRUE(input->start(0, 0));
    EXPECT_EQ(inputState(0).pixelFormat, kDeckLinkFormat8BitYUV);
    EXPECT_EQ(inputState(0).flags, kDeckLinkVideoInputFlagDefault);

    clock.set(42.0);
    for (std::size_t n = 1; n <= 3; ++n)
        deliverAndWait(0, 1, *delegate, n);
    const media::Frame& first = delegate->frames[0];
    EXPECT_EQ(first.format(), media::PixelFormat::BGRA);
    EXPECT_EQ(first.width(), 720);
    EXPECT_EQ(first.height(), 486);
    EXPECT_EQ(first.hostTime(), 42.0);
    EXPECT_FALSE(first.itemTime());
    EXPECT_EQ(delegate->counter(2), delegate->counter(0) + 2);

    input->stop();
    EXPECT_FALSE(inputState(0).enabled);
    EXPECT_TRUE(input->inputStatus().isEmpty());
}

TEST_F(DeckLinkInputTest, DetectionReopensInTheDetectedModeAndFollowsLaterChanges)
{
    corvale_sim_set_source_mode(0, kDeckLinkModePAL);
    const std::uint64_t changesBefore = inputState(0).formatChangesReported;
    ASSERT_TRUE(input->start(0, -1));
    EXPECT_EQ(inputState(0).displayMode, kDeckLinkModeUnknown);

    EXPECT_EQ(corvale_sim_deliver_frames(0, 1), 0); // the card reports the source's format
    ASSERT_TRUE(reopenedIn(kDeckLinkModePAL));
    EXPECT_EQ(inputState(0).flags, kDeckLinkVideoInputEnableFormatDetection);
    deliverAndWait(0, 1, *delegate, 1);
    EXPECT_EQ(delegate->frames[0].height(), 576);

    // Mid-stream the source changes: detection is still on, so the change is seen.
    corvale_sim_set_source_mode(0, kDeckLinkModeHD720p50);
    EXPECT_EQ(corvale_sim_deliver_frames(0, 1), 0);
    ASSERT_TRUE(reopenedIn(kDeckLinkModeHD720p50));
    deliverAndWait(0, 1, *delegate, 2);
    EXPECT_EQ(delegate->frames[1].width(), 1280);
    EXPECT_EQ(inputState(0).formatChangesReported - changesBefore, 2u);
}

TEST_F(DeckLinkInputTest, CardRefusingDetectionGetsTheDetectedModeOr1080p50Alone)
{
    ASSERT_TRUE(input->start(0, -1));
    corvale_sim_set_failures(CORVALE_SIM_FAIL_ENABLE_DETECTION);
    corvale_sim_deliver_frames(0, 1);
    ASSERT_TRUE(reopenedIn(kDeckLinkModeNTSC));
    EXPECT_EQ(inputState(0).flags, kDeckLinkVideoInputFlagDefault);
    deliverAndWait(0, 1, *delegate, 1);

    // Refused at the start: 1080p50 without detection.
    ASSERT_TRUE(input->start(0, -1));
    EXPECT_TRUE(log.contains("DeckLink: EnableVideoInput auto-detect failed (0x80000003). Fallback to 1080p50."));
    EXPECT_FALSE(input->autoDetectEnabled());
    EXPECT_EQ(inputState(0).displayMode, kDeckLinkModeHD1080p50);
}

TEST_F(DeckLinkInputTest, LossOfSignalStopsPicturesAndTheStatusShowsWhatReads)
{
    ASSERT_TRUE(input->start(0, 0));
    deliverAndWait(0, 1, *delegate, 1);
    QVariantMap status = input->inputStatus();
    EXPECT_TRUE(status.value("signalLocked").toBool());

    corvale_sim_set_signal(0, 0);
    EXPECT_EQ(corvale_sim_deliver_frames(0, 3), 0);
    status = input->inputStatus();
    EXPECT_FALSE(status.value("signalLocked").toBool());
    EXPECT_EQ(status.value("modeCode").toInt(), -1);

    corvale_sim_set_signal(0, 1);
    deliverAndWait(0, 1, *delegate, 2);
}

TEST_F(DeckLinkInputTest, OnePictureInFlightPerInputNotForAllInputs)
{
    auto other = DeckLinkInput::create(clock);
    auto otherDelegate = std::make_shared<RecordingDelegate>();
    other->setDelegate(otherDelegate);
    ASSERT_TRUE(input->start(0, 0));
    ASSERT_TRUE(other->start(1, 0));

    // The main thread does not run: input 0's first picture waits, its next two are dropped,
    // input 1's picture is not.
    EXPECT_EQ(corvale_sim_deliver_frames(0, 3), 3);
    EXPECT_EQ(corvale_sim_deliver_frames(1, 1), 1);
    EXPECT_EQ(input->droppedFrameCount(), 2u);
    EXPECT_EQ(other->droppedFrameCount(), 0u);

    ASSERT_TRUE(processEventsUntil([&] { return delegate->frames.size() == 1 && otherDelegate->frames.size() == 1; }));
    deliverAndWait(0, 1, *delegate, 2);
    EXPECT_EQ(delegate->counter(1), delegate->counter(0) + 3);
    other.reset();
}

TEST_F(DeckLinkInputTest, PicturesAndReopensOfAnEarlierSessionAreIgnored)
{
    ASSERT_TRUE(input->start(0, 0));
    corvale_sim_deliver_frames(0, 1); // queued for the main thread
    input->stop();
    ASSERT_TRUE(input->start(0, 0));
    QCoreApplication::processEvents();
    EXPECT_TRUE(delegate->frames.empty());
    deliverAndWait(0, 1, *delegate, 1); // the stale picture released the in-flight slot

    const std::uint64_t enablesBefore = inputState(0).enableCount;
    ASSERT_TRUE(input->start(0, -1));
    corvale_sim_deliver_frames(0, 1); // a re-open to 'ntsc' is queued
    input->stop();
    EXPECT_FALSE(input->isReconfiguring());
    ASSERT_TRUE(input->start(0, 1)); // 'pal ', fixed
    QCoreApplication::processEvents();
    EXPECT_EQ(inputState(0).displayMode, kDeckLinkModePAL);
    EXPECT_EQ(inputState(0).enableCount - enablesBefore, 2u);
}

TEST_F(DeckLinkInputTest, FailedStartsLogTheirStepAndLeaveNothingOpen)
{
    const struct {
        std::uint32_t failure;
        int device, modeCode;
        const char* line;
    } cases[] = {
        { 0, 0, 29, "DeckLink: No display mode for modeCode 29" },
        { 0, 5, 0, "DeckLink: Device not found at index 5" },
        { CORVALE_SIM_FAIL_INPUT_INTERFACE, 0, 0, "DeckLink: This device has no IDeckLinkInput" },
        { CORVALE_SIM_FAIL_ENABLE_INPUT, 0, 3, "DeckLink: EnableVideoInput failed for modeCode 3 (0x80000008)" },
        { CORVALE_SIM_FAIL_ENABLE_INPUT, 0, -1, "DeckLink: EnableVideoInput 1080p50 failed (0x80000008)" },
        { CORVALE_SIM_FAIL_START_STREAMS, 0, 0, "DeckLink: StartStreams failed" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        corvale_sim_set_failures(c.failure);
        EXPECT_FALSE(input->start(c.device, c.modeCode));
        EXPECT_TRUE(log.contains(c.line));
        EXPECT_FALSE(inputState(0).enabled);
        EXPECT_EQ(DeckLinkInputCallback::liveCount(), 0);
    }

    // A failed start can be retried.
    corvale_sim_set_failures(0);
    EXPECT_TRUE(input->start(0, 0));
}

TEST_F(DeckLinkInputTest, RepeatedConversionFailuresLogOncePerIntervalAndFreeTheSlot)
{
    ASSERT_TRUE(input->start(0, 0));
    corvale_sim_set_failures(CORVALE_SIM_FAIL_CONVERT);
    corvale_sim_deliver_frames(0, 4);
    EXPECT_EQ(log.count("DeckLink: ConvertNewFrame failed (hr=0x80000008)"), 1);
    clock.advance(5.0);
    corvale_sim_deliver_frames(0, 2);
    EXPECT_EQ(log.count("DeckLink: ConvertNewFrame failed (hr=0x80000008)"), 2);

    corvale_sim_set_failures(CORVALE_SIM_FAIL_CONVERT_BAD_ROW_BYTES);
    corvale_sim_deliver_frames(0, 2);
    EXPECT_EQ(log.count("DeckLink: Converted frame rejected (720x486 rowBytes=1440 format=0x42475241)"), 1);
    EXPECT_EQ(input->droppedFrameCount(), 0u);

    corvale_sim_set_failures(0);
    deliverAndWait(0, 1, *delegate, 1);
}

TEST_F(DeckLinkInputTest, AnOwnerLettingGoWhileTheCardDeliversStopsTheInputOnTheMainThread)
{
    // The card thread keeps delivering while the main thread drops its only reference; whatever
    // the interleaving, the last reference and the stop must land on the main thread. The first
    // round runs without a delegate: its frames are ignored.
    input->setDelegate({});
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(input->start(0, round % 2 == 0 ? 0 : -1));
        std::atomic<bool> done { false };
        std::thread card([&] {
            while (!done.load())
                if (corvale_sim_deliver_frames(0, 1) == 0)
                    std::this_thread::yield();
        });
        std::weak_ptr<DeckLinkInput> weak = input;
        input.reset();
        ASSERT_TRUE(processEventsUntil([&] { return weak.expired(); }));
        done = true;
        card.join();
        EXPECT_FALSE(inputState(0).enabled);
        input = DeckLinkInput::create(clock);
        input->setDelegate(delegate);
    }
}

} // namespace

} // namespace decklink
