// Colour modes of a running program output, HDR the card or display cannot show, and the display
// checks of an HDR start.

#include "DeckLinkOutputTestSupport.h"

namespace decklink {

using namespace decklinktest;

namespace {

using DeckLinkOutputColor = DeckLinkOutputTest;

void setSink(const std::vector<std::uint8_t>& edid)
{
    corvale_sim_set_hdmi_sink(0, edid.data(), static_cast<std::uint32_t>(edid.size()));
}

TEST_F(DeckLinkOutputColor, ForcedHDRTurnsColourModeZeroIntoTheForcedModeOnTheRunningOutput)
{
    ASSERT_TRUE(start(0, 0));
    on([&] { output->setForceHDR(true); });
    sendCounters(1, 1);
    EXPECT_EQ(output->colorMode(), 3);
    stop();
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].pixelFormat, kDeckLinkFormat10BitYUV);
    EXPECT_EQ(frameInt(frames[0], kDeckLinkFrameMetadataHDREOTF), 2);
}

TEST_F(DeckLinkOutputColor, SwitchingARunningSDROutputToHDRPreparesTheTenBitFormat)
{
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 1);
    on([&] { output->setColorMode(4); });
    EXPECT_EQ(output->hdrPixelFormat(), kDeckLinkFormat10BitYUV);
    EXPECT_TRUE(output->usesScheduledPlayback()); // the transport chosen at start stays
    sendCounters(2, 2);
    stop();
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].pixelFormat, kDeckLinkFormat10BitYUV);
    EXPECT_EQ(frameInt(frames[1], kDeckLinkFrameMetadataHDREOTF), 3);
    EXPECT_EQ(frames[1].frameCounter, 2);
}

TEST_F(DeckLinkOutputColor, HDRTheCardOrDisplayCannotShowKeepsFramesFlowingAsSDRAndSaysSo)
{
    const std::uint32_t bgraOnly[] = { kDeckLinkFormat8BitBGRA };
    corvale_sim_set_output_pixel_formats(0, bgraOnly, 1);
    ASSERT_TRUE(start(0, 0));
    on([&] { output->setColorMode(3); });
    sendCounters(1, 1);
    EXPECT_TRUE(log.contains("HDR unavailable on the running output (no 10-bit pixel format); frames stay SDR"));
    EXPECT_NE(summary().find(" • HDR unavailable (no 10-bit pixel format)"), std::string::npos);
    stop();

    corvale_sim_reset();
    corvale_sim_set_manual_clock(1);
    setSink(makeEdid({ .hdrBlock = false }));
    ASSERT_TRUE(start(0, 0));
    on([&] { output->setColorMode(5); });
    sendCounters(2, 2);
    EXPECT_EQ(summary(), "HDMI: 8-bit RGB 4:4:4 • pix=unknown • sink(PQ=0 HLG=0) • HDR unavailable (sink lacks PQ)");
    // A display that changes its mind is asked again at the next switch.
    setSink(makeEdid());
    on([&] { output->setColorMode(4); });
    EXPECT_EQ(summary().find("HDR unavailable"), std::string::npos);
    stop();
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].pixelFormat, kDeckLinkFormat8BitBGRA);
    EXPECT_EQ(frameInt(frames[0], kDeckLinkFrameMetadataColorspace), kDeckLinkColorspaceRec2020);
    EXPECT_EQ(frameInt(frames[0], kDeckLinkFrameMetadataHDREOTF), 0);
}

TEST_F(DeckLinkOutputColor, HDRStartsAreCheckedAgainstTheDisplaysEDID)
{
    setSink(makeEdid({ .hdrBlock = false }));
    EXPECT_EQ(start(0, 0, 3).error(), DeckLinkOutput::StartError::SinkRejectsHDR);
    EXPECT_TRUE(log.contains("HDMI sink EDID does not advertise PQ support. Rejecting PQ output start."));
    EXPECT_EQ(outputState(0).enabled, 0);

    // No display data: the start goes ahead with a warning; SDR starts are never checked.
    corvale_sim_set_hdmi_sink(0, nullptr, 0);
    EXPECT_TRUE(start(0, 0, 3));
    EXPECT_TRUE(log.contains("HDMI sink EDID unavailable; cannot verify HDR sink compatibility."));
    stop(); // back to colour mode 0
    setSink(makeEdid({ .hdrBlock = false }));
    EXPECT_TRUE(start(0, 0));
}

} // namespace

} // namespace decklink
