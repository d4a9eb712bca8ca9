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

#include <utility>
#include <vector>

namespace settings {

namespace {

// Every case survives the raw round trip, raw values are distinct, and the raw value is the
// stored spelling of the case name; reading is exact and case-sensitive. The on-screen label of
// each case is exactly the expected one, so a typo in a label fails here.
template <class E> void expectCases(const std::vector<std::pair<QString, QString>>& expected)
{
    QStringList raws;
    std::vector<std::pair<QString, QString>> seen;
    for (E value : allCases<E>()) {
        const QString raw = toRaw(value);
        SCOPED_TRACE(raw.toStdString());
        raws << raw;
        seen.emplace_back(raw, displayName(value));
        ASSERT_EQ(fromRaw<E>(raw), value);
        for (const QString& near : { raw.toUpper(), raw + QLatin1Char(' '), raw + QLatin1Char('_') })
            EXPECT_EQ(fromRaw<E>(near), std::nullopt) << near.toStdString();
    }
    EXPECT_EQ(fromRaw<E>(u""), std::nullopt);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(QSet<QString>(raws.begin(), raws.end()).size(), raws.size());
}

} // namespace

TEST(SettingsEnums, CasesRawValuesLabelsAndDerivedValues)
{
    expectCases<RecordingCodec>({ { "h264", "H.264" }, { "hevc", "HEVC (H.265)" },
        { "proRes422Proxy", "ProRes 422 Proxy" }, { "proRes422LT", "ProRes 422 LT" }, { "proRes422", "ProRes 422" },
        { "proRes422HQ", "ProRes 422 HQ" }, { "proRes4444", "ProRes 4444" }, { "proRes4444XQ", "ProRes 4444 XQ" } });
    expectCases<RecordingBitrate>({ { "auto", "Auto" }, { "mbps10", "10 Mbps" }, { "mbps20", "20 Mbps" },
        { "mbps50", "50 Mbps" }, { "mbps100", "100 Mbps" }, { "mbps200", "200 Mbps" } });
    expectCases<ProjectColorSpace>({ { "rec709", "Rec.709" }, { "rec2020", "Rec.2020" }, { "p3d65", "P3-D65" } });
    expectCases<ProjectOutputColorMode>(
        { { "rec709", "Rec.709 (SDR)" }, { "rec2020", "Rec.2020 (SDR)" }, { "rec2020PQ", "Rec.2020 + PQ (HDR)" },
            { "rec2020HLG", "Rec.2020 + HLG (HDR)" }, { "p3D65PQ", "P3-D65 ST2084 (HDR)" } });
    expectCases<CloudSyncInterval>({ { "manual", "Manual" }, { "minutes15", "Every 15 min" },
        { "minutes30", "Every 30 min" }, { "hourly", "Every 60 min" } });
    expectCases<TimecodeMode>({ { "recordRunInt", "Record Run (Int)" }, { "timeOfDayInt", "Time of Day (Int)" },
        { "externalExt", "External (Ext)" } });
    expectCases<PlayerAction>({ { "playPause", "Play / Pause" }, { "markIn", "Mark In" }, { "markOut", "Mark Out" },
        { "shuttleReverse", "Shuttle Reverse" }, { "stop", "Stop" }, { "shuttleForward", "Shuttle Forward" } });

    EXPECT_EQ(bitsPerSecond(RecordingBitrate::auto_), std::nullopt);
    EXPECT_EQ(bitsPerSecond(RecordingBitrate::mbps10), 10'000'000); // decimal, not 10,485,760
    EXPECT_EQ(fpsValue(RecordingFPSMode::fps60), 60);
    EXPECT_EQ(seconds(CloudSyncInterval::manual), std::nullopt);
    EXPECT_EQ(seconds(CloudSyncInterval::hourly), 3600.0);
}

} // namespace settings
