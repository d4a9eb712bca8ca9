// Starting and stopping the program output on the simulated card: connection, device
// configuration, transports, the items each colour mode puts on a frame, and the ways a start can
// fail.

#include "DeckLinkOutputTestSupport.h"

namespace decklink {

using namespace decklinktest;

namespace {

using DeckLinkOutputStart = DeckLinkOutputTest;
using StartError = DeckLinkOutput::StartError;

std::int64_t configInt(std::uint32_t id)
{
    std::int64_t value = -1;
    corvale_sim_configuration_int(0, id, &value);
    return value;
}

int configFlag(std::uint32_t id)
{
    int value = -1;
    corvale_sim_configuration_flag(0, id, &value);
    return value;
}

TEST_F(DeckLinkOutputStart, SDRStartOpensTheModeOnHDMIWithScheduledPlaybackAndStopReleasesAll)
{
    ASSERT_TRUE(start(0, 0));
    EXPECT_EQ(output->height(), 486);
    EXPECT_TRUE(output->usesScheduledPlayback());
    EXPECT_TRUE(output->hasMacOutput());
    EXPECT_EQ(outputState(0).displayMode, kDeckLinkModeNTSC);
    EXPECT_EQ(outputState(0).callbackInstalled, 1);
    EXPECT_EQ(configInt(kDeckLinkConfigVideoOutputConnection), kDeckLinkVideoConnectionHDMI);
    EXPECT_EQ(configInt(kDeckLinkConfigVideoOutputConversionMode), kDeckLinkNoVideoOutputConversion);

    stop();
    EXPECT_FALSE(output->isRunning());
    EXPECT_EQ(output->modeCode(), -1);
    EXPECT_EQ(outputState(0).enabled + outputState(0).callbackInstalled, 0);
}

TEST_F(DeckLinkOutputStart, EachColourModeSetsTheDeviceTransportAndTheFramesItems)
{
    struct Case {
        int mode;
        const char* transport;
        DeckLinkPixelFormat format;
        std::int64_t source, destination, rec2020; // the device's configuration
        std::int64_t colorspace, eotf; // the frame's items (-12345: not written)
        double redX; // -1: no primaries
    };
    const Case cases[] = {
        { 0, "(mode=SDR", kDeckLinkFormat8BitBGRA, kDeckLinkColorspaceUnspecified, kDeckLinkColorspaceUnspecified, 0,
            -12345, -12345, -1 },
        { 1, "(mode=SDR", kDeckLinkFormat8BitBGRA, 'r709', 'r709', 0, 'r709', 0, -1 },
        { 2, "(mode=SDR", kDeckLinkFormat8BitBGRA, 'r709', '2020', 1, '2020', 0, -1 },
        { 3, "sync path (PQ stability mode)", kDeckLinkFormat10BitYUV, '2020', '2020', 1, '2020', 2, 0.708 },
        { 4, "(mode=HLG", kDeckLinkFormat10BitYUV, '2020', '2020', 1, '2020', 3, 0.708 },
        { 5, "sync path (PQ stability mode)", kDeckLinkFormat10BitYUV, '2020', '2020', 1, '2020', 2, 0.68 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        corvale_sim_clear_output_frames(0);
        on([&] { output->setHDRMetadataMaxNits(2000, 0.005, 2000, 2000); });
        ASSERT_TRUE(start(0, 0, c.mode));
        EXPECT_EQ(output->colorMode(), c.mode);
        EXPECT_TRUE(log.contains(c.transport));
        EXPECT_EQ(configInt(kDeckLinkConfigVideoOutputSourceColorspace), c.source);
        EXPECT_EQ(configInt(kDeckLinkConfigVideoOutputDestColorspace), c.destination);
        EXPECT_EQ(configFlag(kDeckLinkConfigRec2020Output), c.rec2020);
        if (PixelFormatIs10Bit(c.format)) {
            EXPECT_EQ(output->hdrExpectedRowBytes(), 128 * 15); // 720 / 48 groups
        }
        const auto counter = 100 * static_cast<std::uint32_t>(c.mode) + 1;
        sendCounters(counter, counter + 1);
        stop(); // scheduled frames leave as flushed and are recorded then
        EXPECT_EQ(output->colorMode(), 0); // stop resets the colour mode
        const auto frames = recordedFrames(0);
        ASSERT_EQ(frames.size(), 2u);
        const auto& f = frames[0];
        EXPECT_EQ(f.pixelFormat, c.format);
        EXPECT_EQ(f.frameCounter, counter); // the picture survives wrap, copy and conversion
        EXPECT_EQ(frameInt(f, kDeckLinkFrameMetadataColorspace), c.colorspace);
        EXPECT_EQ(frameInt(f, kDeckLinkFrameMetadataHDREOTF), c.eotf);
        EXPECT_DOUBLE_EQ(frameFloat(f, kDeckLinkFrameMetadataHDRDisplayPrimariesRedX), c.redX);
        if (c.mode >= 3) {
            EXPECT_EQ(f.flags & kDeckLinkFrameContainsHDRMetadata, kDeckLinkFrameContainsHDRMetadata);
            EXPECT_DOUBLE_EQ(frameFloat(f, kDeckLinkFrameMetadataHDRMinDisplayMasteringLuminance), 0.005);
            EXPECT_DOUBLE_EQ(frameFloat(f, kDeckLinkFrameMetadataHDRMaximumFrameAverageLightLevel), 2000);
            EXPECT_DOUBLE_EQ(frameFloat(f, kDeckLinkFrameMetadataHDRDisplayPrimariesBlueY), c.mode == 5 ? 0.06 : 0.046);
        } else {
            EXPECT_EQ(f.wrapped, 1); // SDR goes without a copy
            EXPECT_FALSE(frameHas(f, kDeckLinkFrameMetadataHDRWhitePointX));
        }
    }
}

TEST_F(DeckLinkOutputStart, DeviceFailuresEndStoppedWithTheirLines)
{
    const struct {
        std::uint32_t failure;
        const char* line;
        StartError error;
    } cases[] = {
        { CORVALE_SIM_FAIL_OUTPUT_INTERFACE, "❌ QueryInterface(IID_IDeckLinkOutput) failed",
            StartError::NoOutputInterface },
        { CORVALE_SIM_FAIL_DISPLAY_MODE_ITERATOR, "❌ Display mode not supported on this device",
            StartError::ModeUnsupported },
        { CORVALE_SIM_FAIL_DOES_SUPPORT, "final DoesSupportVideoMode failed (hr=0x80000008 supported=0",
            StartError::ModeUnsupported },
        { CORVALE_SIM_FAIL_ENABLE_OUTPUT, "❌ EnableVideoOutput failed", StartError::EnableFailed },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        corvale_sim_set_failures(c.failure);
        EXPECT_EQ(start(0, 0, 1).error(), c.error);
        EXPECT_TRUE(log.contains(c.line));
        EXPECT_EQ(output->colorMode(), 0); // a failed start ends stopped
        EXPECT_EQ(outputState(0).enabled, 0);
    }
}

TEST_F(DeckLinkOutputStart, HDRNeedsATenBitFormatAndAConverter)
{
    const std::uint32_t bgraOnly[] = { kDeckLinkFormat8BitBGRA };
    corvale_sim_set_output_pixel_formats(0, bgraOnly, 1);
    EXPECT_EQ(start(0, 0, 3).error(), StartError::NoTenBitFormat);
    EXPECT_TRUE(log.contains("HDR: no 10-bit pixel format available for this mode/device"));

    const std::uint32_t r210Only[] = { kDeckLinkFormat8BitBGRA, kDeckLinkFormat10BitRGB };
    corvale_sim_set_output_pixel_formats(0, r210Only, 2);
    ASSERT_TRUE(start(0, 0, 3));
    EXPECT_EQ(output->hdrPixelFormat(), kDeckLinkFormat10BitRGB);

    corvale_sim_set_failures(CORVALE_SIM_FAIL_CONVERSION_FACTORY);
    EXPECT_EQ(start(0, 0, 3).error(), StartError::NoVideoConversion);
    EXPECT_TRUE(log.contains("HDR: video conversion unavailable"));
}

TEST_F(DeckLinkOutputStart, RateOnlySubstitutionIsPlayedButASizeChangeRefusesTheStart)
{
    corvale_sim_set_output_mode_substitution(0, kDeckLinkModeHD1080p25, kDeckLinkModeHD1080p50);
    ASSERT_TRUE(start(0, 7));
    EXPECT_TRUE(log.contains("output mode converted by SDK: requested=" + std::to_string(kDeckLinkModeHD1080p25)
        + " actual=" + std::to_string(kDeckLinkModeHD1080p50)));
    EXPECT_EQ(outputState(0).displayMode, kDeckLinkModeHD1080p50);

    corvale_sim_set_output_mode_substitution(0, kDeckLinkModeNTSC, kDeckLinkModePAL);
    EXPECT_EQ(start(0, 0).error(), StartError::ModeChangesFrameSize);
    EXPECT_TRUE(log.contains("converted display mode changes the frame size (720x486 -> 720x576); not starting"));
    EXPECT_EQ(outputState(0).enabled, 0);
}

TEST_F(DeckLinkOutputStart, InvalidModeTimingFallsBackToTheSyncPath)
{
    corvale_sim_set_failures(CORVALE_SIM_FAIL_OUTPUT_MODE_TIMING);
    ASSERT_TRUE(start(0, 0));
    EXPECT_FALSE(output->usesScheduledPlayback());
    sendCounters(5, 5);
    EXPECT_EQ(outputState(0).framesDisplayedSync, 1u);
}

} // namespace

} // namespace decklink
