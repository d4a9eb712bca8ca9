// Movie names and timecodes: the name pattern the playlist parses back, hostile slate texts, and
// the timecode of recorded frames counted in whole numbers.

#include "capture/ClipNaming.h"
#include "capture/RecordViewModel.h"
#include "capture/SMPTETimecode.h"

#include <gtest/gtest.h>

using namespace capture;

namespace {

const QDate kDay(2026, 1, 5);

TEST(ClipNamingTest, TagFollowsTheSlatePattern)
{
    const struct {
        const char16_t* reel;
        const char16_t* scene;
        std::int64_t take;
        int slot;
        int segment;
        const char16_t* tag;
    } cases[] = {
        { u"1", u"1", 1, 0, 1, u"R1-SC1-T1-Cam1-2026-01-05" },
        { u"", u"   ", 7, 3, 0, u"R0-SC0-T7-Cam4-2026-01-05" },
        { u" A ", u"\n4b\t", -2, 1, 1, u"RA-SC4b-T-2-Cam2-2026-01-05" },
        { u"../..", u"x", 1, 0, 1, u"R.._..-SCx-T1-Cam1-2026-01-05" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClipNaming::makeClipTag(
                      QString::fromUtf16(c.reel), QString::fromUtf16(c.scene), c.take, c.slot, c.segment, kDay),
            QString::fromUtf16(c.tag));
    }
}

TEST(ClipNamingTest, LongSlateTextsAreShortenedWithinCharactersAndKeepThePattern)
{
    // Two-, three- and four-byte characters, far beyond a file name.
    for (const QString& unit : { QStringLiteral("\u00e9"), QStringLiteral("\u6f22"), QStringLiteral("\U0001F3AC") }) {
        const QString tag = ClipNaming::makeClipTag(unit.repeated(200), unit.repeated(300), 12, 2, 9, kDay);
        const QByteArray bytes = tag.toUtf8();
        EXPECT_LE(bytes.size() + ClipNaming::suffixReserveBytes, ClipNaming::maxFileNameBytes);
        EXPECT_EQ(QString::fromUtf8(bytes), tag); // no character cut in half
        EXPECT_FALSE(tag.contains(QChar::ReplacementCharacter));
        EXPECT_TRUE(tag.endsWith(QStringLiteral("-T12-Cam3-S9-2026-01-05")));
        EXPECT_TRUE(tag.contains(QStringLiteral("-SC") + unit));
    }
}

TakeSession sessionAt(settings::TimecodeMode mode, int hours, int minutes, int seconds)
{
    TakeSession session;
    session.timecodeMode = mode;
    session.startedAt = QDateTime(QDate(2026, 1, 5), QTime(hours, minutes, seconds, 800));
    session.startedAtSecondsSinceMidnight = RecordViewModel::secondsSinceMidnight(session.startedAt);
    return session;
}

TEST(TimecodeTest, RecordedFramesCountFromZeroOrTheTakesTimeOfDay)
{
    using settings::TimecodeMode;
    const struct {
        TimecodeMode mode;
        int h, m, s;
        std::int64_t frame;
        int fps;
        const char* text;
    } cases[] = {
        { TimecodeMode::recordRunInt, 9, 0, 0, 90000, 25, "01:00:00:00" },
        { TimecodeMode::timeOfDayInt, 23, 59, 59, 50, 25, "24:00:01:00" },
        { TimecodeMode::externalExt, 9, 0, 0, 13, 24, "09:00:00:13" },
        { TimecodeMode::timeOfDayInt, 14, 30, 5, 1, 25, "14:30:05:01" }, // 0.8 s dropped
        { TimecodeMode::recordRunInt, 0, 0, 0, 5, 0, "00:00:05:00" }, // a rate below 1 counts as 1
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            RecordViewModel::timecodeString(c.frame, sessionAt(c.mode, c.h, c.m, c.s), c.fps), QLatin1String(c.text))
            << c.frame << " at " << c.fps;
    }
}

TEST(TimecodeTest, NoFrameIsLostToRoundingAtAnyCommonRate)
{
    const TakeSession session = sessionAt(settings::TimecodeMode::timeOfDayInt, 10, 17, 33);
    const std::int64_t start = 10 * 3600 + 17 * 60 + 33;
    for (int fps : { 24, 25, 30, 50, 60 }) {
        for (std::int64_t frame = 0; frame < 5000; ++frame) {
            const std::int64_t total = frame + start * fps;
            const QString expected = QString::asprintf("%02d:%02d:%02d:%02d", int(total / fps / 3600),
                int(total / fps / 60 % 60), int(total / fps % 60), int(total % fps));
            ASSERT_EQ(RecordViewModel::timecodeString(frame, session, fps), expected) << frame << " at " << fps;
        }
    }
    EXPECT_EQ(SMPTETimecode::from(3.5, 24).string(), QLatin1String("00:00:03:12"));
    EXPECT_EQ(SMPTETimecode::from(-1, 25).string(), QLatin1String("00:00:00:00"));
}

} // namespace
