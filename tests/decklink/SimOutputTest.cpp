// The simulated card's output side on its own: what it supports, how it lays out frames, how its
// clock completes scheduled frames (on time, late, dropped, flushed) and what it refuses.

#include "DeckLinkOutputTestSupport.h"

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComObject.h"
#include "decklink/api/ComPtr.h"

#include <atomic>
#include <mutex>
#include <tuple>
#include <vector>

namespace decklink {

using namespace decklinktest;

namespace {

// Counts completions by result and releases nothing: the card releases its own references.
class RecordingCallback final : public ComObject<IDeckLinkVideoOutputCallback> {
public:
    HRESULT ScheduledFrameCompleted(IDeckLinkVideoFrame*, DeckLinkOutputFrameCompletionResult result) override
    {
        std::lock_guard lock(mutex_);
        results.push_back(result);
        return S_OK;
    }
    HRESULT ScheduledPlaybackHasStopped() override
    {
        ++stopped;
        return S_OK;
    }
    std::mutex mutex_;
    std::vector<DeckLinkOutputFrameCompletionResult> results;
    std::atomic<int> stopped { 0 };
};

class SimOutputTest : public SimulatedCardTest {
protected:
    void SetUp() override
    {
        SimulatedCardTest::SetUp();
        device = firstDevice();
        ASSERT_TRUE(device);
        output = device.as<IDeckLinkOutput>();
        ASSERT_TRUE(output);
    }
    void TearDown() override
    {
        output.reset();
        device.reset();
        SimulatedCardTest::TearDown();
    }
    ComPtr<IDeckLinkMutableVideoFrame> frame(
        DeckLinkPixelFormat format = kDeckLinkFormat8BitBGRA, int width = 720, IDeckLinkOutput* maker = nullptr)
    {
        if (!maker)
            maker = output.get();
        std::int32_t rowBytes = 0;
        maker->RowBytesForPixelFormat(format, width, &rowBytes);
        ComPtr<IDeckLinkMutableVideoFrame> made;
        EXPECT_EQ(maker->CreateVideoFrame(width, 486, rowBytes, format, 0, made.put()), S_OK);
        return made;
    }

    ComPtr<IDeckLink> device;
    ComPtr<IDeckLinkOutput> output;
};

TEST_F(SimOutputTest, SupportDependsOnModeFormatConnectionAndSubstitution)
{
    const struct {
        DeckLinkVideoConnection connection;
        DeckLinkDisplayMode mode;
        DeckLinkPixelFormat format;
        bool supported;
    } cases[] = { { 0, 'xxxx', kDeckLinkFormat8BitBGRA, false },
        { kDeckLinkVideoConnectionHDMI, kDeckLinkModeHD1080p25, kDeckLinkFormat10BitYUV, true },
        { kDeckLinkVideoConnectionComposite, kDeckLinkModeHD1080p25, kDeckLinkFormat8BitBGRA, false },
        { 0, kDeckLinkModeHD1080p25, kDeckLinkFormat8BitYUV, false } };
    bool supported = false;
    DeckLinkDisplayMode actual = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(output->DoesSupportVideoMode(c.connection, c.mode, c.format, 'none', 0, &actual, &supported), S_OK);
        EXPECT_EQ(supported, c.supported) << c.mode;
    }
    EXPECT_EQ(actual, kDeckLinkModeUnknown); // supported as asked
    corvale_sim_set_output_mode_substitution(0, kDeckLinkModeHD1080p25, kDeckLinkModeHD1080p50);
    output->DoesSupportVideoMode(0, kDeckLinkModeHD1080p25, kDeckLinkFormat8BitBGRA, 'none', 0, &actual, &supported);
    EXPECT_TRUE(supported);
    EXPECT_EQ(actual, kDeckLinkModeHD1080p50);
    EXPECT_EQ(
        output->DoesSupportVideoMode(0, kDeckLinkModeHD1080p25, kDeckLinkFormat8BitBGRA, 'none', 0, nullptr, nullptr),
        E_POINTER);
}

TEST_F(SimOutputTest, RowBytesAndFrameCreationCheckTheLayout)
{
    std::int32_t rowBytes = 0;
    const std::tuple<DeckLinkPixelFormat, int, int> layouts[] = { { kDeckLinkFormat10BitYUV, 1920, 5120 },
        { kDeckLinkFormat10BitYUV, 1280, 128 * 27 }, { kDeckLinkFormat10BitRGB, 1920, 7680 } };
    for (const auto& [format, width, expected] : layouts) {
        EXPECT_EQ(output->RowBytesForPixelFormat(format, width, &rowBytes), S_OK);
        EXPECT_EQ(rowBytes, expected);
    }
    EXPECT_EQ(output->RowBytesForPixelFormat('junk', 1920, &rowBytes), E_INVALIDARG);
    EXPECT_EQ(output->RowBytesForPixelFormat(kDeckLinkFormat8BitBGRA, 0, &rowBytes), E_INVALIDARG);

    ComPtr<IDeckLinkMutableVideoFrame> made;
    EXPECT_EQ(output->CreateVideoFrame(720, 486, 2879, kDeckLinkFormat8BitBGRA, 0, made.put()), E_INVALIDARG);
    EXPECT_EQ(output->CreateVideoFrame(0, 486, 2880, kDeckLinkFormat8BitBGRA, 0, made.put()), E_INVALIDARG);
    EXPECT_EQ(
        output->CreateVideoFrameWithBuffer(720, 486, 2880, kDeckLinkFormat8BitBGRA, 0, nullptr, made.put()), E_POINTER);
    EXPECT_EQ(output->CreateVideoFrame(720, 486, 4096, kDeckLinkFormat8BitBGRA, 2, made.put()), S_OK);
    EXPECT_EQ(made->GetRowBytes(), 4096);
    EXPECT_EQ(made->GetFlags(), 2u);

    auto mac = output.as<IDeckLinkMacOutput>();
    ASSERT_TRUE(mac);
    DeckLinkPixelBufferRef bad { nullptr, 720, 486, 2880, kDeckLinkFormat8BitBGRA, this, nullptr, nullptr };
    ComPtr<IDeckLinkVideoFrame> wrapped;
    EXPECT_EQ(mac->CreateVideoFrameFromPixelBuffer(&bad, wrapped.put()), E_INVALIDARG);
}

TEST_F(SimOutputTest, ClockCompletesOnTimeLateDroppedAndFlushed)
{
    auto callback = ComPtr<RecordingCallback>::adopt(new RecordingCallback());
    ASSERT_EQ(output->EnableVideoOutput(kDeckLinkModeNTSC, 0), S_OK);
    ASSERT_EQ(output->SetScheduledFrameCompletionCallback(callback.get()), S_OK);
    EXPECT_EQ(output->EnableVideoOutput(kDeckLinkModeNTSC, 0), E_ACCESSDENIED);

    EXPECT_EQ(output->ScheduleVideoFrame(frame().get(), 0, 1001, 30000), S_OK);
    EXPECT_EQ(output->ScheduleVideoFrame(frame().get(), 1001, 1001, 30000), S_OK);
    EXPECT_EQ(output->ScheduleVideoFrame(frame(kDeckLinkFormat8BitBGRA, 640).get(), 2002, 1001, 30000), E_INVALIDARG);
    ASSERT_EQ(output->StartScheduledPlayback(0, 30000, 1.0), S_OK);
    EXPECT_EQ(corvale_sim_run_output(0, 2), 2);

    // In another time scale: 2 ms after the stream time of 2002 / 30000 s.
    DeckLinkTimeValue now = 0;
    EXPECT_EQ(output->GetScheduledStreamTime(1000, &now, nullptr), S_OK);
    EXPECT_EQ(now, 66);

    // Scheduled for a period already gone: shown late. Two in one period: the older is dropped.
    EXPECT_EQ(output->ScheduleVideoFrame(frame().get(), 1001, 1001, 30000), S_OK);
    EXPECT_EQ(corvale_sim_run_output(0, 1), 1);
    EXPECT_EQ(output->ScheduleVideoFrame(frame().get(), 3003, 1001, 30000), S_OK);
    EXPECT_EQ(output->ScheduleVideoFrame(frame().get(), 3503, 1001, 30000), S_OK);
    EXPECT_EQ(corvale_sim_run_output(0, 1), 2);
    // Left in the schedule when playback stops: flushed.
    EXPECT_EQ(output->ScheduleVideoFrame(frame().get(), 9009, 1001, 30000), S_OK);
    std::uint32_t buffered = 0;
    EXPECT_EQ(output->GetBufferedVideoFrameCount(&buffered), S_OK);
    EXPECT_EQ(buffered, 1u);
    EXPECT_EQ(output->StopScheduledPlayback(0, nullptr, 30000), S_OK);
    EXPECT_EQ(callback->stopped.load(), 1);
    EXPECT_EQ(output->GetScheduledStreamTime(30000, &now, nullptr), E_ACCESSDENIED);

    const std::vector<DeckLinkOutputFrameCompletionResult> expected
        = { kDeckLinkOutputFrameCompleted, kDeckLinkOutputFrameCompleted, kDeckLinkOutputFrameDisplayedLate,
              kDeckLinkOutputFrameDropped, kDeckLinkOutputFrameCompleted, kDeckLinkOutputFrameFlushed };
    EXPECT_EQ(callback->results, expected);
    EXPECT_EQ(corvale_sim_run_output(0, 1), -1); // no playback

    EXPECT_EQ(output->SetScheduledFrameCompletionCallback(nullptr), S_OK);
    EXPECT_EQ(output->DisableVideoOutput(), S_OK);
    EXPECT_EQ(callback.detach()->Release(), 0u) << "the card kept a reference to the callback";
}

TEST_F(SimOutputTest, SecondClientIsRefusedAndAReleasedOutputLetsGo)
{
    ASSERT_EQ(output->EnableVideoOutput(kDeckLinkModeNTSC, 0), S_OK);
    EXPECT_EQ(output->ScheduleVideoFrame(frame().get(), 0, 1001, 30000), S_OK);
    auto other = device.as<IDeckLinkOutput>();
    EXPECT_EQ(other->EnableVideoOutput(kDeckLinkModeNTSC, 0), E_ACCESSDENIED);
    EXPECT_EQ(other->DisplayVideoFrameSync(frame().get()), E_ACCESSDENIED);
    // Dropping the client with a frame scheduled releases the frame and the output.
    output.reset();
    EXPECT_EQ(corvale_sim_live_output_frame_count(), 0);
    EXPECT_EQ(other->EnableVideoOutput(kDeckLinkModePAL, 0), S_OK);
    EXPECT_EQ(other->DisplayVideoFrameSync(frame(kDeckLinkFormat8BitBGRA, 720, other.get()).get()),
        E_INVALIDARG); // an NTSC frame in PAL
    EXPECT_EQ(other->DisableVideoOutput(), S_OK);
}

// The HDMI status items are read through the output's summary; here the ring and a 10-bit RGB
// format's HDMI flags.
TEST_F(SimOutputTest, RingKeepsTheNewestFramesAndStatusFollowsTheOutput)
{
    ASSERT_EQ(output->EnableVideoOutput(kDeckLinkModeNTSC, 0), S_OK);
    auto shown = frame(kDeckLinkFormat10BitRGBX);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(output->DisplayVideoFrameSync(shown.get()), S_OK);
    EXPECT_EQ(corvale_sim_output_frame_count(0), 300u);
    const auto frames = recordedFrames(0, 1000);
    ASSERT_EQ(frames.size(), 256u);
    EXPECT_EQ(frames.front().sequence, 45u);
    EXPECT_EQ(frames.back().sequence, 300u);
    std::int64_t value = 0;
    EXPECT_EQ(device.as<IDeckLinkStatus>()->GetInt(kDeckLinkStatusHDMIOutputActualFormatFlags, &value), S_OK);
    EXPECT_EQ(value, kDeckLinkHDMIFormatRGB444 | kDeckLinkHDMIFormat10Bit);
    EXPECT_EQ(output->DisableVideoOutput(), S_OK);
}

} // namespace

} // namespace decklink
