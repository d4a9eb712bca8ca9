// The output's tables and names, and the reading of a display's EDID.

#include "DeckLinkOutputTestSupport.h"

#include "decklink/DeckLinkOutputFormats.h"
#include "decklink/HDMISinkEDID.h"

namespace decklink {

using namespace decklinktest;

namespace {

// The colour mode tables are exercised end to end by the output's start and frame tests.
TEST(DeckLinkOutputFormats, ModeCodesTagsAndRowBytesAtTheirBoundaries)
{
    const std::pair<int, DeckLinkDisplayMode> modes[] = { { 0, kDeckLinkModeNTSC }, { 15, kDeckLinkModeHD1080p25 },
        { 28, kDeckLinkMode4K2160p60 }, { 29, kDeckLinkModeHD1080p5994 }, { -1, kDeckLinkModeHD1080p5994 },
        { -2147483647 - 1, kDeckLinkModeHD1080p5994 } };
    for (const auto& [code, mode] : modes)
        EXPECT_EQ(OutputDisplayModeForModeCode(code), mode) << code;

    EXPECT_STREQ(PixelFormatName(kDeckLinkFormat8BitYUV), "unknown");
    EXPECT_EQ(DisplayModeTag(0x00417F20), ".A. "); // unprintable bytes
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
    EXPECT_TRUE(sink.valid && sink.hasCTAExtension && sink.hasStaticHDRBlock && sink.supportsPQ && sink.supportsHLG);

    const auto sdr = makeEdid({ .hdrBlock = false });
    const auto plain = ParseHDMISinkEDID(sdr.data(), sdr.size());
    EXPECT_TRUE(plain.valid && !plain.hasStaticHDRBlock && !plain.supportsPQ);
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

} // namespace decklink
