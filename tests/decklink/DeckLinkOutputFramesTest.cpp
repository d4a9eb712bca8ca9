// Frames through the program output: sizes, the zero-copy and copy paths, HDR pixel formats, and the
// failures of each step. (The items each colour mode writes are checked with the starts.)

#include "DeckLinkOutputTestSupport.h"

namespace decklink {

using namespace decklinktest;

namespace {

using DeckLinkOutputFrames = DeckLinkOutputTest;

constexpr int kW = 720, kH = 486; // colour mode code 0, NTSC

TEST_F(DeckLinkOutputFrames, WrongSizeIsDroppedWithOneLineUntilARightFrameComes)
{
    ASSERT_TRUE(start(0, 0));
    const auto wrong = makeBGRAFrame(kW, 576, 1);
    send(wrong);
    send(wrong);
    sendCounters(2, 2);
    send(wrong);
    EXPECT_EQ(log.count("drop frame due to size mismatch in=720x576 out=720x486"), 2);
    send(media::Frame());
    media::MutableFrame yuv(media::PixelFormat::UYVY422, kW, kH);
    send(std::move(yuv).share());
    EXPECT_EQ(log.count("is not BGRA"), 1);
    EXPECT_EQ(outputState(0).bufferedFrames, 1u); // only the right frame went to the card
}

TEST_F(DeckLinkOutputFrames, WithoutTheZeroCopyWrapFramesAreCopiedForTheRestOfTheStart)
{
    corvale_sim_set_failures(CORVALE_SIM_FAIL_MAC_OUTPUT_WRAP);
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 1);
    corvale_sim_set_failures(0);
    sendCounters(2, 2);
    EXPECT_EQ(log.count("IDeckLinkMacOutput wrap failed (hr=0x80000008), fallback to copy path"), 1);
    EXPECT_FALSE(output->hasMacOutput());
    stop();
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].wrapped + frames[1].wrapped, 0);
    EXPECT_EQ(frames[1].frameCounter, 2);

    // No frame for the copy: dropped, with one line per start.
    corvale_sim_set_failures(CORVALE_SIM_FAIL_MAC_OUTPUT_INTERFACE | CORVALE_SIM_FAIL_CREATE_FRAME);
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 2);
    EXPECT_EQ(log.count("copy path: no frame for the picture (hr=0x80000002 E_OUTOFMEMORY), dropping frames"), 1);
    EXPECT_EQ(outputState(0).bufferedFrames, 0u);
}

TEST_F(DeckLinkOutputFrames, FailingHDRMetadataDropsFramesButLogsOncePerStart)
{
    ASSERT_TRUE(start(0, 0, 3));
    corvale_sim_set_failures(CORVALE_SIM_FAIL_FRAME_METADATA_WRITE);
    sendCounters(0, 2);
    EXPECT_EQ(outputState(0).framesDisplayedSync, 0u);
    EXPECT_EQ(log.count("HDR: metadata write incomplete; dropping frame"), 1);

    // SDR frames are sent without their items.
    on([&] { output->setColorMode(1); });
    sendCounters(9, 9);
    EXPECT_EQ(outputState(0).framesDisplayedSync, 1u);

    // Frames without the metadata interface at all are sent, with one line.
    corvale_sim_set_failures(CORVALE_SIM_FAIL_FRAME_METADATA_INTERFACE);
    ASSERT_TRUE(start(0, 0, 5));
    sendCounters(1, 2);
    EXPECT_EQ(outputState(0).framesDisplayedSync, 2u);
    EXPECT_EQ(log.count("HDR: frame does not support metadata extensions"), 1);
}

TEST_F(DeckLinkOutputFrames, RejectedTenBitFormatsSwitchAtMostThreeTimesPerStart)
{
    const std::uint32_t rejected[] = { kDeckLinkFormat10BitYUV };
    corvale_sim_set_output_rejected_pixel_formats(0, rejected, 1);
    ASSERT_TRUE(start(0, 0, 3));
    sendCounters(1, 1);
    EXPECT_TRUE(
        log.contains("HDR fallback pixel format: v210 -> R10l (DisplayVideoFrameSync E_INVALIDARG, rowBytes=2880)"));
    sendCounters(2, 2);
    auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].pixelFormat, kDeckLinkFormat10BitRGBXLE);
    EXPECT_EQ(frames[0].frameCounter, 2);

    // Every 10-bit format rejected: three switches, then no more.
    const std::uint32_t all[]
        = { kDeckLinkFormat10BitYUV, kDeckLinkFormat10BitRGBXLE, kDeckLinkFormat10BitRGBX, kDeckLinkFormat10BitRGB };
    corvale_sim_set_output_rejected_pixel_formats(0, all, 4);
    ASSERT_TRUE(start(0, 0, 3));
    sendCounters(0, 5);
    EXPECT_EQ(output->hdrFallbackAttempts(), 3);
    EXPECT_EQ(output->hdrPixelFormat(), kDeckLinkFormat10BitRGB);
    bool switched = true;
    on([&] { switched = output->switchToAlternateHDRPixelFormatIfPossible("test"); });
    EXPECT_FALSE(switched);
    EXPECT_EQ(log.count("HDR fallback pixel format"), 4);
}

} // namespace

} // namespace decklink
