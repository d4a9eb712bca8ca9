#include "settings/AppearanceMode.h"
#include "settings/CloudSyncInterval.h"
#include "settings/ProjectColorSpace.h"
#include "settings/ProjectOutputColorMode.h"
#include "settings/RecordingBitrate.h"
#include "settings/RecordingCodec.h"
#include "settings/RecordingFPSMode.h"
#include "settings/TimecodeMode.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

// Every case survives the raw round trip, raw values are distinct, and the raw value is the
// stored spelling of the case name.
template <class E> void expectRawRoundTrip(const QStringList& expectedRawValues)
{
    QStringList raws;
    for (E value : allCases<E>()) {
        const QString raw = toRaw(value);
        raws << raw;
        ASSERT_EQ(fromRaw<E>(raw), value) << raw.toStdString();
        EXPECT_FALSE(displayName(value).isEmpty());
    }
    EXPECT_EQ(raws, expectedRawValues);
    EXPECT_EQ(QSet<QString>(raws.begin(), raws.end()).size(), raws.size());
}

} // namespace

TEST(SettingsEnums, CasesAndRawValuesInDeclarationOrder)
{
    expectRawRoundTrip<RecordingCodec>(
        { "h264", "hevc", "proRes422Proxy", "proRes422LT", "proRes422", "proRes422HQ", "proRes4444", "proRes4444XQ" });
    expectRawRoundTrip<RecordingBitrate>({ "auto", "mbps10", "mbps20", "mbps50", "mbps100", "mbps200" });
    expectRawRoundTrip<RecordingFPSMode>({ "auto", "fps24", "fps25", "fps30", "fps50", "fps60" });
    expectRawRoundTrip<ProjectColorSpace>({ "rec709", "rec2020", "p3d65" });
    expectRawRoundTrip<ProjectOutputColorMode>({ "rec709", "rec2020", "rec2020PQ", "rec2020HLG", "p3D65PQ" });
    expectRawRoundTrip<CloudSyncInterval>({ "manual", "minutes15", "minutes30", "hourly" });
    expectRawRoundTrip<AppearanceMode>({ "system", "light", "dark" });
    expectRawRoundTrip<TimecodeMode>({ "recordRunInt", "timeOfDayInt", "externalExt" });
}

TEST(SettingsEnums, FromRawIsExactAndCaseSensitive)
{
    EXPECT_EQ(fromRaw<ProjectOutputColorMode>(u"rec2020pq"), std::nullopt);
    EXPECT_EQ(fromRaw<ProjectColorSpace>(u"p3D65"), std::nullopt);
    EXPECT_EQ(fromRaw<ProjectOutputColorMode>(u"p3d65PQ"), std::nullopt);
    EXPECT_EQ(fromRaw<RecordingCodec>(u"h264 "), std::nullopt);
    EXPECT_EQ(fromRaw<RecordingCodec>(u"h26"), std::nullopt);
    EXPECT_EQ(fromRaw<RecordingBitrate>(u""), std::nullopt);
    EXPECT_EQ(fromRaw<RecordingBitrate>(u"auto_"), std::nullopt);
}

TEST(SettingsEnums, DisplayNames)
{
    EXPECT_EQ(displayName(RecordingCodec::hevc), "HEVC (H.265)");
    EXPECT_EQ(displayName(RecordingFPSMode::auto_), "Auto (Source)");
    EXPECT_EQ(displayName(ProjectOutputColorMode::p3D65PQ), "P3-D65 ST2084 (HDR)");
    EXPECT_EQ(displayName(CloudSyncInterval::hourly), "Every 60 min");
}

TEST(SettingsEnums, DerivedValues)
{
    for (RecordingCodec codec : allCases<RecordingCodec>())
        EXPECT_EQ(isProRes(codec), toRaw(codec).startsWith("proRes")) << toRaw(codec).toStdString();

    EXPECT_EQ(bitsPerSecond(RecordingBitrate::auto_), std::nullopt);
    EXPECT_EQ(bitsPerSecond(RecordingBitrate::mbps10), 10'000'000); // decimal, not 10,485,760
    EXPECT_EQ(bitsPerSecond(RecordingBitrate::mbps200), 200'000'000);

    EXPECT_EQ(fpsValue(RecordingFPSMode::auto_), std::nullopt);
    EXPECT_EQ(fpsValue(RecordingFPSMode::fps60), 60);

    EXPECT_EQ(seconds(CloudSyncInterval::manual), std::nullopt);
    EXPECT_EQ(seconds(CloudSyncInterval::minutes15), 900.0);
    EXPECT_EQ(seconds(CloudSyncInterval::hourly), 3600.0);

    EXPECT_EQ(nsAppearance(AppearanceMode::system), std::nullopt);
    EXPECT_EQ(nsAppearance(AppearanceMode::light), QString("NSAppearanceNameAqua"));
    EXPECT_EQ(nsAppearance(AppearanceMode::dark), QString("NSAppearanceNameDarkAqua"));
}
