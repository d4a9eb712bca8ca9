// Colour settings of the program output, the HDMI status and its summary, the display checks of
// an HDR start, and switching a running output between SDR and HDR.

#include "DeckLinkOutputTestSupport.h"

namespace decklink {

using namespace decklinktest;

namespace {

using DeckLinkOutputColor = DeckLinkOutputTest;

void setSink(const std::vector<std::uint8_t>& edid)
{
    corvale_sim_set_hdmi_sink(0, edid.data(), static_cast<std::uint32_t>(edid.size()));
}

TEST_F(DeckLinkOutputColor, SettersNormaliseIgnoreAndLogAsTheyShould)
{
    on([&] { output->setColorMode(9); });
    EXPECT_EQ(output->colorMode(), 3);
    EXPECT_EQ(output->forcedHDRMode(), 3);
    on([&] { output->setColorMode(-4); });
    EXPECT_EQ(output->colorMode(), 0);
    on([&] { output->setColorMode(0); });
    EXPECT_EQ(log.count("colorMode="), 2); // an unchanged mode logs nothing

    on([&] {
        output->setForceHDR(true);
        output->setColorMode(0);
    });
    EXPECT_TRUE(log.contains("ignoring colorMode=0 because forceHDR is ON"));
    on([&] { output->setForceHDR(true); });
    EXPECT_EQ(log.count("forceHDR=1 [DBG-HDR2]"), 1);

    // Before the first start the values are 0, so the defaults are a change; the same again is not.
    on([&] { output->setHDRMetadataMaxNits(1000, 0.005, 1000, 1000); });
    on([&] { output->setHDRMetadataMaxNits(1000.00001, 0.0050000001, 1000, 1000); });
    EXPECT_EQ(log.count("HDR metadata: maxNits"), 1);
    on([&] { output->setHDRMetadataMaxNits(500, 0.005, 500, 400); });
    EXPECT_TRUE(log.contains("HDR metadata: maxNits=500.0 minNits=0.0050 maxCLL=500.0 maxFALL=400.0 [DBG-HDR2]"));
}

TEST_F(DeckLinkOutputColor, ForcedHDRTurnsColourModeZeroIntoTheForcedModeOnTheRunningOutput)
{
    ASSERT_TRUE(start(0, 0));
    on([&] { output->setForceHDR(true); });
    sendCounters(1, 1);
    EXPECT_TRUE(log.contains("forceHDR applied colorMode=3"));
    EXPECT_EQ(output->colorMode(), 3);
    EXPECT_EQ(output->hdrPixelFormat(), kDeckLinkFormat10BitYUV);
    corvale_sim_run_output(0, 0);
    sendCounters(2, 2);
    stop();
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].pixelFormat, kDeckLinkFormat10BitYUV);
    EXPECT_EQ(frameInt(frames[0], kDeckLinkFrameMetadataHDREOTF), 2);
}

TEST_F(DeckLinkOutputColor, SwitchingARunningSDROutputToHDRPreparesTheTenBitFormat)
{
    ASSERT_TRUE(start(0, 0));
    sendCounters(1, 1);
    on([&] { output->setColorMode(4); });
    EXPECT_EQ(output->hdrPixelFormat(), kDeckLinkFormat10BitYUV);
    EXPECT_TRUE(log.contains("HDR prepared on the running output: pixelFormat=v210 rowBytes=1920"));
    EXPECT_TRUE(output->usesScheduledPlayback()); // the transport chosen at start stays
    sendCounters(2, 2);
    EXPECT_EQ(summary().find("req=v210") != std::string::npos, true);

    // Back to SDR: BGRA frames again, without HDR items.
    on([&] { output->setColorMode(1); });
    sendCounters(3, 3);
    stop();
    const auto frames = recordedFrames(0);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].pixelFormat, kDeckLinkFormat8BitBGRA);
    EXPECT_EQ(frames[1].pixelFormat, kDeckLinkFormat10BitYUV);
    EXPECT_EQ(frameInt(frames[1], kDeckLinkFrameMetadataHDREOTF), 3);
    EXPECT_EQ(frames[1].frameCounter, 2);
    EXPECT_EQ(frames[2].pixelFormat, kDeckLinkFormat8BitBGRA);
    EXPECT_EQ(frameInt(frames[2], kDeckLinkFrameMetadataColorspace), kDeckLinkColorspaceRec709);
    EXPECT_FALSE(frameHas(frames[2], kDeckLinkFrameMetadataHDRWhitePointX));
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
    setSink(makeEdidWithoutHDR());
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

TEST_F(DeckLinkOutputColor, SummaryFollowsTheOutputAndTheDisplay)
{
    EXPECT_EQ(summary(), "HDMI: -");
    ASSERT_TRUE(start(0, 0));
    EXPECT_EQ(summary(), "HDMI: 8-bit RGB 4:4:4 • pix=unknown • sink(PQ=1 HLG=1)");
    sendCounters(1, 2);
    corvale_sim_run_output(0, 1); // the first frame is shown
    EXPECT_EQ(summary(), "HDMI: 8-bit RGB 4:4:4 • pix=BGRA • sink(PQ=1 HLG=1)");

    ASSERT_TRUE(start(0, 0, 3));
    sendCounters(2, 2);
    EXPECT_EQ(summary(), "HDMI: 10-bit YUV 4:2:2 • pix=v210 • req=v210 • sink(PQ=1 HLG=1)");

    corvale_sim_set_status_int(
        0, kDeckLinkStatusHDMIOutputActualFormatFlags, kDeckLinkHDMIFormat12Bit | kDeckLinkHDMIFormatYCbCr420);
    EXPECT_EQ(summary(), "HDMI: 12-bit YUV 4:2:0 • pix=v210 • req=v210 • sink(PQ=1 HLG=1)");

    corvale_sim_set_hdmi_sink(0, nullptr, 0);
    corvale_sim_remove_status(0, kDeckLinkStatusHDMIOutputActualFormatFlags);
    corvale_sim_remove_status(0, kDeckLinkStatusLastVideoOutputPixelFormat);
    corvale_sim_remove_status(0, kDeckLinkStatusCurrentVideoOutputFlags);
    EXPECT_EQ(summary(), "HDMI: unavailable");

    corvale_sim_set_failures(CORVALE_SIM_FAIL_STATUS_INTERFACE);
    EXPECT_EQ(summary(), "HDMI: unavailable");
}

TEST_F(DeckLinkOutputColor, HDRStartsAreCheckedAgainstTheDisplaysEDID)
{
    setSink(makeEdidWithoutHDR());
    EXPECT_EQ(start(0, 0, 3).error(), DeckLinkOutput::StartError::SinkRejectsHDR);
    EXPECT_TRUE(log.contains("HDMI sink EDID does not advertise PQ support. Output may stay SDR."));
    EXPECT_TRUE(log.contains("HDMI sink EDID does not advertise PQ support. Rejecting PQ output start."));
    EXPECT_EQ(outputState(0).enabled, 0);

    EdidSpec pqOnly;
    pqOnly.eotf = 0x05;
    setSink(makeEdid(pqOnly));
    EXPECT_FALSE(start(0, 0, 4));
    EXPECT_TRUE(log.contains("Rejecting HLG output start."));
    EXPECT_TRUE(start(0, 0, 5));
    EXPECT_TRUE(log.contains("HDMI sink EDID: CTA=1 HDRStatic=1 PQ=1 HLG=0"));
    EXPECT_TRUE(log.contains("PQ selected at 486-line mode. Some TVs only accept PQ over UHD timings."));
    // PQ at UHD timings gives no timing warning.
    const int warned = log.count("Some TVs only accept PQ over UHD timings");
    ASSERT_TRUE(start(0, 21, 3));
    EXPECT_EQ(output->height(), 2160);
    EXPECT_EQ(log.count("Some TVs only accept PQ over UHD timings"), warned);
    ASSERT_TRUE(start(0, 7, 3));
    EXPECT_TRUE(log.contains("PQ selected at 1080-line mode."));

    // No display data: the start goes ahead with a warning; SDR starts are never checked.
    corvale_sim_set_hdmi_sink(0, nullptr, 0);
    EXPECT_TRUE(start(0, 0, 3));
    EXPECT_TRUE(log.contains("HDMI sink EDID unavailable; cannot verify HDR sink compatibility."));
    stop(); // back to colour mode 0
    setSink(makeEdidWithoutHDR());
    EXPECT_TRUE(start(0, 0));

    // Over SDI there is no display to ask.
    corvale_sim_set_attribute_int(0, kDeckLinkAttributeVideoOutputConnections, kDeckLinkVideoConnectionSDI);
    EXPECT_TRUE(start(0, 0, 3));
}

TEST_F(DeckLinkOutputColor, StartLogsTheHDMIStatusAndMalformedEDIDsCountAsUnavailable)
{
    std::vector<std::uint8_t> garbage(300, 0xAB);
    setSink(garbage);
    ASSERT_TRUE(start(0, 0, 4));
    EXPECT_TRUE(log.contains("HDMI status: mode=" + std::to_string(kDeckLinkModeNTSC)));
    EXPECT_TRUE(log.contains("HDMI sink EDID: unavailable"));
    // No display and no output flags: nothing of the status can be read.
    corvale_sim_set_hdmi_sink(0, nullptr, 0);
    corvale_sim_remove_status(0, kDeckLinkStatusCurrentVideoOutputFlags);
    ASSERT_TRUE(start(0, 0));
    EXPECT_TRUE(log.contains("HDMI status: unavailable (hrMode=0x80000003 hrFlags=0x80000003 hrPix=0x80000003 "
                             "hrOut=0x80000003)"));
}

} // namespace

} // namespace decklink
