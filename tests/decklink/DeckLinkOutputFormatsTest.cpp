// The output's tables and names, and the reading of a display's EDID.

#include "DeckLinkOutputTestSupport.h"

#include "decklink/DeckLinkOutputFormats.h"
#include "decklink/HDMISinkEDID.h"

using namespace decklinktest;

namespace {

TEST(DeckLinkOutputFormats, ModeCodesMapToDisplayModesWithPsFAndUnknownCodes)
{
    EXPECT_EQ(OutputDisplayModeForModeCode(0), kDeckLinkModeNTSC);
    EXPECT_EQ(OutputDisplayModeForModeCode(7), kDeckLinkModeHD1080p25);
    EXPECT_EQ(OutputDisplayModeForModeCode(15), kDeckLinkModeHD1080p25);
    EXPECT_EQ(OutputDisplayModeForModeCode(16), kDeckLinkModeHD1080p2997);
    EXPECT_EQ(OutputDisplayModeForModeCode(17), kDeckLinkModeHD1080p30);
    EXPECT_EQ(OutputDisplayModeForModeCode(20), kDeckLinkModeHD1080i6000);
    EXPECT_EQ(OutputDisplayModeForModeCode(28), kDeckLinkMode4K2160p60);
    EXPECT_EQ(OutputDisplayModeForModeCode(29), kDeckLinkModeHD1080p5994);
    EXPECT_EQ(OutputDisplayModeForModeCode(-1), kDeckLinkModeHD1080p5994);
    EXPECT_EQ(OutputDisplayModeForModeCode(-2147483647 - 1), kDeckLinkModeHD1080p5994);
}

TEST(DeckLinkOutputFormats, NamesTagsAndColourTables)
{
    EXPECT_STREQ(PixelFormatName(kDeckLinkFormat10BitYUV), "v210");
    EXPECT_STREQ(PixelFormatName(kDeckLinkFormat10BitRGBXLE), "R10l");
    EXPECT_STREQ(PixelFormatName(kDeckLinkFormat8BitYUV), "unknown");
    EXPECT_TRUE(PixelFormatIs10Bit(kDeckLinkFormat10BitRGB));
    EXPECT_FALSE(PixelFormatIs10Bit(kDeckLinkFormat8BitBGRA));
    EXPECT_EQ(DisplayModeTag(kDeckLinkModeHD1080p25), "Hp25");
    EXPECT_EQ(DisplayModeTag(0x00417F20), ".A. ");
    EXPECT_EQ(DisplayModeTag(-1), "....");

    EXPECT_EQ(NormalizedColorMode(-7), 0);
    EXPECT_EQ(NormalizedColorMode(6), 3);
    EXPECT_EQ(NormalizedColorMode(5), 5);
    EXPECT_EQ(ColorspaceForMode(0), kDeckLinkColorspaceUnspecified);
    EXPECT_EQ(ColorspaceForMode(1), kDeckLinkColorspaceRec709);
    EXPECT_EQ(ColorspaceForMode(5), kDeckLinkColorspaceRec2020);
    EXPECT_EQ(EOTFForMode(2), 0);
    EXPECT_EQ(EOTFForMode(3), 2);
    EXPECT_EQ(EOTFForMode(4), 3);
    EXPECT_FALSE(IsHDRColorMode(2));
    EXPECT_EQ(FallbackRowBytes(kDeckLinkFormat10BitYUV, 1920), 128 * 40);
    EXPECT_EQ(FallbackRowBytes(kDeckLinkFormat10BitYUV, 1921), 128 * 41);
    EXPECT_EQ(FallbackRowBytes(kDeckLinkFormat10BitRGB, 720), 2880);
}

TEST(HDMISinkEDID, HDRStaticBlockGivesPQAndHLG)
{
    EdidSpec spec;
    spec.eotf = 0x0C;
    const auto edid = makeEdid(spec);
    const auto sink = ParseHDMISinkEDID(edid.data(), edid.size());
    EXPECT_TRUE(sink.valid);
    EXPECT_TRUE(sink.hasCTAExtension);
    EXPECT_TRUE(sink.hasStaticHDRBlock);
    EXPECT_TRUE(sink.supportsPQ);
    EXPECT_TRUE(sink.supportsHLG);

    spec.eotf = 0x04;
    const auto pqOnly = makeEdid(spec);
    const auto pq = ParseHDMISinkEDID(pqOnly.data(), pqOnly.size());
    EXPECT_TRUE(pq.supportsPQ);
    EXPECT_FALSE(pq.supportsHLG);

    const auto sdr = makeEdidWithoutHDR();
    const auto plain = ParseHDMISinkEDID(sdr.data(), sdr.size());
    EXPECT_TRUE(plain.valid);
    EXPECT_FALSE(plain.hasStaticHDRBlock);
    EXPECT_FALSE(plain.supportsPQ);
}

TEST(HDMISinkEDID, ClaimedExtensionsBeyondTheBytesReadAreNotExamined)
{
    EdidSpec spec;
    spec.claimedExtensions = 3;
    // Exactly 256 bytes in their own allocation: reading a third block would trip the sanitizer.
    const auto edid = makeEdid(spec);
    const std::vector<std::uint8_t> exact(edid.begin(), edid.end());
    const auto sink = ParseHDMISinkEDID(exact.data(), exact.size());
    EXPECT_TRUE(sink.supportsPQ);
    // Only the base block read: no extension examined.
    EXPECT_FALSE(ParseHDMISinkEDID(exact.data(), 200).hasCTAExtension);
}

TEST(HDMISinkEDID, MalformedBlocksAndHeadersAreContained)
{
    EdidSpec overrun;
    overrun.overrunBeforeHDR = true;
    overrun.ctaDataEnd = 127;
    const auto a = makeEdid(overrun);
    EXPECT_FALSE(ParseHDMISinkEDID(a.data(), a.size()).hasStaticHDRBlock);

    EdidSpec none;
    none.ctaDataEnd = 4; // no data blocks at all
    const auto b = makeEdid(none);
    const auto sinkB = ParseHDMISinkEDID(b.data(), b.size());
    EXPECT_TRUE(sinkB.hasCTAExtension);
    EXPECT_FALSE(sinkB.hasStaticHDRBlock);

    EdidSpec small;
    small.ctaDataEnd = 2; // out of range: scan to the end of the block
    const auto c = makeEdid(small);
    EXPECT_TRUE(ParseHDMISinkEDID(c.data(), c.size()).supportsHLG);

    EdidSpec header;
    header.badHeader = true;
    const auto d = makeEdid(header);
    EXPECT_FALSE(ParseHDMISinkEDID(d.data(), d.size()).valid);
    EXPECT_FALSE(ParseHDMISinkEDID(d.data(), 127).valid);
    EXPECT_FALSE(ParseHDMISinkEDID(nullptr, 256).valid);
}

} // namespace
