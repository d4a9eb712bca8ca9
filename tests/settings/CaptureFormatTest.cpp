#include "settings/CaptureFormat.h"
#include "settings/CaptureFormatFunctions.h"

#include <gtest/gtest.h>

#include <cmath>

namespace settings {

TEST(CaptureFormat, TableInvariants)
{
    const auto cases = allCases<CaptureFormat>();
    ASSERT_EQ(cases.size(), 30u);

    for (std::size_t index = 0; index < cases.size(); ++index) {
        const CaptureFormat format = cases[index];
        const QString raw = toRaw(format);
        SCOPED_TRACE(raw.toStdString());
        EXPECT_EQ(modeCode(format), static_cast<std::int32_t>(index) - 1);
        EXPECT_EQ(fromRaw<CaptureFormat>(raw), format);
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
    }
    // Labels at the table's turns; the mode table's edges.
    EXPECT_EQ(displayName(CaptureFormat::auto_), "Auto (Format Detect)");
    EXPECT_EQ(displayName(CaptureFormat::hd1080psf2997), "HD 1080PsF29.97");
    EXPECT_EQ(displayName(CaptureFormat::uhd2160p60), "UHD 2160p60");
    EXPECT_EQ(fps(CaptureFormat::auto_), 30);
    EXPECT_EQ(fpsValue(CaptureFormat::hd1080i50), 25.0); // frames, not fields
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
        { 1920, 1080, 24.5, S::progressive, 6 }, // equally near 24 and 25: first listed
        { 1920, 1080, 47.95, S::progressive, -1 }, { 1920, 1080, NAN, none, 13 },
        // Interlaced and psf lists first, then the progressive list.
        { 1920, 1080, 50.0, S::interlaced, 18 }, { 1920, 1080, 59.94, S::psf, 13 },
        // 720p at and just past the 0.6 tolerance; sizes with no mode.
        { 1280, 720, 49.4, none, 2 }, { 1280, 720, 49.39, none, -1 }, { 720, 480, 29.97, S::interlaced, 0 },
        { 1920, 1088, 25.0, none, -1 }, { 4096, 2160, 25.0, none, -1 },
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
    const std::pair<double, double> output[] = { { 27.5, 29.97 }, { 27.48, 25.0 }, { 36.0, 36.0 }, { 120.0, 60.0 },
        { NAN, 24.0 }, { -5.0, 24.0 },
        { 48.975, 48.0 }, // nearer 48 (0.975) than 47.95 or 50 (1.025)
        { 24.5, 24.0 } }; // equally near 24 and 25: the lower stays
    // clang-format on
    for (auto [measured, snapped] : output)
        EXPECT_EQ(normalizedOutputFPS(measured), snapped) << measured;
    EXPECT_EQ(normalizedCadenceRate(29.9), 29.97);
    EXPECT_EQ(normalizedCadenceRate(25.26), 25.26);
}

TEST(CaptureFormat, CompactColorTagsAndFieldDominance)
{
    const std::pair<const char*, const char*> tags[] = { { "", "-" }, { "UnKnOwN", "-" }, { "ITU_R_709_2", "Rec.709" },
        { "SMPTE_ST_2084_PQ", "PQ" }, { "ITU_R_2100_HLG", "HLG" }, { "IEC_sRGB", "-" } };
    for (auto [tag, compact] : tags)
        EXPECT_EQ(compactColorTag(tag), compact) << tag;

    EXPECT_EQ(projectScanMode(0x70736620), ProjectScanMode::psf); // 'psf '
    EXPECT_EQ(projectScanMode(0x6C6F7772), ProjectScanMode::interlaced); // 'lowr'
}

} // namespace settings
