#include "settings/CaptureFormat.h"
#include "settings/CaptureFormatFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>

namespace settings {

TEST(CaptureFormat, TableInvariants)
{
    const auto cases = allCases<CaptureFormat>();
    ASSERT_EQ(cases.size(), 30u);
    EXPECT_EQ(cases.front(), CaptureFormat::auto_);
    EXPECT_EQ(cases.back(), CaptureFormat::uhd2160p60);

    for (std::size_t index = 0; index < cases.size(); ++index) {
        const CaptureFormat format = cases[index];
        const QString raw = toRaw(format);
        SCOPED_TRACE(raw.toStdString());
        EXPECT_EQ(modeCode(format), static_cast<std::int32_t>(index) - 1);
        EXPECT_EQ(fromRaw<CaptureFormat>(raw), format);
        EXPECT_EQ(fromRaw<CaptureFormat>(raw.toUpper()), std::nullopt);
        if (format == CaptureFormat::auto_)
            continue;

        // Whole rate: the fractional rates round up.
        EXPECT_EQ(fps(format), static_cast<int>(std::ceil(fpsValue(format))));
        // The scan follows the name: "i" interlaced (SD too), "psf" segmented, else progressive.
        const ProjectScanMode expectedScan = raw.contains("psf") ? ProjectScanMode::psf
            : (raw.startsWith("sd") || raw.contains("1080i"))    ? ProjectScanMode::interlaced
                                                                 : ProjectScanMode::progressive;
        EXPECT_EQ(scanMode(format), expectedScan);
        // The mode code round-trips through the rate and size lookups.
        EXPECT_EQ(fpsForModeCode(modeCode(format)), fpsValue(format));
        ASSERT_TRUE(sizeForModeCode(modeCode(format)).has_value());
        const int lines = sizeForModeCode(modeCode(format))->height();
        const int expectedLines = raw.startsWith("sd525") ? 486
            : raw.startsWith("sd625")                     ? 576
            : raw.startsWith("hd720")                     ? 720
            : raw.startsWith("hd1080")                    ? 1080
                                                          : 2160;
        EXPECT_EQ(lines, expectedLines);
    }
}

TEST(CaptureFormat, EveryFormatHasItsExactLabel)
{
    const char* const labels[] = { "Auto (Format Detect)", "SD 525i59.94 (NTSC)", "SD 625i50 (PAL)", "HD 720p50",
        "HD 720p59.94", "HD 720p60", "HD 1080p23.98", "HD 1080p24", "HD 1080p25", "HD 1080p29.97", "HD 1080p30",
        "HD 1080p47.95", "HD 1080p48", "HD 1080p50", "HD 1080p59.94", "HD 1080p60", "HD 1080PsF25", "HD 1080PsF29.97",
        "HD 1080PsF30", "HD 1080i50", "HD 1080i59.94", "HD 1080i60", "UHD 2160p23.98", "UHD 2160p24", "UHD 2160p25",
        "UHD 2160p29.97", "UHD 2160p30", "UHD 2160p50", "UHD 2160p59.94", "UHD 2160p60" };
    const auto cases = allCases<CaptureFormat>();
    ASSERT_EQ(cases.size(), std::size(labels));
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(displayName(cases[i]), QString::fromUtf8(labels[i])) << toRaw(cases[i]).toStdString();
}

TEST(CaptureFormat, AutoAndTheEdgesOfTheModeTable)
{
    EXPECT_EQ(allCases<CaptureFormat>()[21], CaptureFormat::hd1080i60);
    EXPECT_EQ(toRaw(CaptureFormat::auto_), "auto");
    EXPECT_EQ(fps(CaptureFormat::auto_), 30);
    EXPECT_EQ(fpsValue(CaptureFormat::auto_), 0.0);
    EXPECT_EQ(scanMode(CaptureFormat::auto_), ProjectScanMode::progressive);
    EXPECT_EQ(fpsValue(CaptureFormat::hd1080i50), 25.0); // frames, not fields
    EXPECT_EQ(fpsForModeCode(-1), std::nullopt);
    EXPECT_EQ(fpsForModeCode(29), std::nullopt);
    EXPECT_EQ(sizeForModeCode(29), std::nullopt);
    EXPECT_EQ(sizeForModeCode(0), QSize(720, 486));
}

TEST(CaptureFormat, ModeCodeForMeasuredFrames)
{
    using S = ProjectScanMode;
    const std::optional<S> none;
    struct Case {
        int width, height;
        double rate;
        std::optional<S> scan;
        int expected; // -1: no mode
    };
    // clang-format off
    const Case cases[] = {
        // 1080 progressive and its tie rule.
        { 1920, 1080, 24.5, S::progressive, 6 }, // equally near 24 and 25: first listed
        { 1920, 1080, 47.95, S::progressive, -1 }, { 1920, 1080, NAN, none, 13 },
        // Interlaced and psf lists first, then the progressive list.
        { 1920, 1080, 50.0, S::interlaced, 18 }, { 1920, 1080, 24.0, S::interlaced, 6 },
        { 1920, 1080, 29.97, S::psf, 16 }, { 1920, 1080, 59.94, S::psf, 13 },
        // 720p: at and just past the 0.6 tolerance.
        { 1280, 720, 0.0, none, 3 }, { 1280, 720, 49.4, none, 2 }, { 1280, 720, 49.39, none, -1 },
        // SD and UHD.
        { 720, 480, 29.97, S::interlaced, 0 }, { 720, 576, 25.61, none, -1 }, { 3840, 2160, 60.5, none, 28 },
        // Sizes with no mode.
        { 0, 1080, 25.0, none, -1 }, { 1920, 1088, 25.0, none, -1 }, { 4096, 2160, 25.0, none, -1 },
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto code = modeCodeFor(c.width, c.height, c.rate, c.scan);
        EXPECT_EQ(code.value_or(-1), c.expected) << c.width << "x" << c.height << " at " << c.rate;
    }
}

TEST(CaptureFormat, RateSnapping)
{
    // clang-format off
    const std::pair<double, double> output[] = { { 26.0, 25.0 }, { 27.5, 29.97 }, { 27.48, 25.0 }, { 36.0, 36.0 },
        { 120.0, 60.0 }, { 62.5, 60.0 }, { 0.0, 24.0 }, { NAN, 24.0 }, { -5.0, 24.0 },
        { 48.975, 48.0 }, // nearer 48 (0.975) than 47.95 or 50 (1.025)
        { 24.5, 24.0 } }; // equally near 24 and 25: the lower stays
    const std::pair<double, double> cadence[] = { { 29.9, 29.97 }, { 28.0, 28.0 }, { 25.25, 25.0 }, { 25.26, 25.26 } };
    // clang-format on
    for (auto [measured, snapped] : output)
        EXPECT_EQ(normalizedOutputFPS(measured), snapped) << measured;
    for (auto [measured, snapped] : cadence)
        EXPECT_EQ(normalizedCadenceRate(measured), snapped) << measured;
}

TEST(CaptureFormat, CompactColorTagsAndFieldDominance)
{
    const std::pair<const char*, const char*> tags[] = { { "", "-" }, { "-", "-" }, { "UnKnOwN", "-" }, { "NULL", "-" },
        { "ITU_R_709_2", "Rec.709" }, { "P3_D65", "P3" }, { "SMPTE_ST_2084_PQ", "PQ" }, { "ITU_R_2100_HLG", "HLG" },
        { "ITU_R_601_4", "Rec.601" }, { "IEC_sRGB", "-" } };
    for (auto [tag, compact] : tags)
        EXPECT_EQ(compactColorTag(tag), compact) << tag;

    EXPECT_EQ(projectScanMode(0x70726F67), ProjectScanMode::progressive); // 'prog'
    EXPECT_EQ(projectScanMode(0x70736620), ProjectScanMode::psf); // 'psf '
    EXPECT_EQ(projectScanMode(0x75707072), ProjectScanMode::interlaced); // 'uppr'
    EXPECT_EQ(projectScanMode(0x6C6F7772), ProjectScanMode::interlaced); // 'lowr'
    EXPECT_EQ(projectScanMode(0), std::nullopt);
    EXPECT_EQ(projectScanMode(0x70736600), std::nullopt); // 'psf' without the blank
}

} // namespace settings
