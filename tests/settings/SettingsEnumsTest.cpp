#include "settings/AppearanceMode.h"
#include "settings/CloudSyncInterval.h"
#include "settings/PlayerAction.h"
#include "settings/ProjectColorSpace.h"
#include "settings/ProjectOutputColorMode.h"
#include "settings/RecordingBitrate.h"
#include "settings/RecordingCodec.h"
#include "settings/RecordingFPSMode.h"
#include "settings/TimecodeMode.h"

#include <gtest/gtest.h>

#include <QSet>

namespace settings {

namespace {

// Every case survives the raw round trip, raw values are distinct, and the raw value is the
// stored spelling of the case name; reading is exact and case-sensitive.
template <class E> void expectRawRoundTrip(const QStringList& expectedRawValues)
{
    QStringList raws;
    for (E value : allCases<E>()) {
        const QString raw = toRaw(value);
        SCOPED_TRACE(raw.toStdString());
        raws << raw;
        ASSERT_EQ(fromRaw<E>(raw), value);
        EXPECT_FALSE(displayName(value).isEmpty());
        for (const QString& near : { raw.toUpper(), raw + QLatin1Char(' '), raw + QLatin1Char('_') })
            EXPECT_EQ(fromRaw<E>(near), std::nullopt) << near.toStdString();
    }
    EXPECT_EQ(fromRaw<E>(u""), std::nullopt);
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
    expectRawRoundTrip<PlayerAction>({ "playPause", "markIn", "markOut", "shuttleReverse", "stop", "shuttleForward" });
    // Spellings that differ only in one letter's case.
    EXPECT_EQ(fromRaw<ProjectOutputColorMode>(u"rec2020pq"), std::nullopt);
    EXPECT_EQ(fromRaw<ProjectColorSpace>(u"p3D65"), std::nullopt);
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

    EXPECT_EQ(forcedAppearanceName(AppearanceMode::system), std::nullopt);
    EXPECT_EQ(forcedAppearanceName(AppearanceMode::light), QString("NSAppearanceNameAqua"));
    EXPECT_EQ(forcedAppearanceName(AppearanceMode::dark), QString("NSAppearanceNameDarkAqua"));
}

} // namespace settings
