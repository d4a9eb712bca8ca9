#include "playback/ClipItem.h"
#include "playback/JsonTextWriter.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

using playback::ClipItem;

namespace {

ClipItem clipAt(const QString& path)
{
    ClipItem clip;
    clip.id = QUuid::createUuid();
    clip.url = QUrl::fromLocalFile(path);
    return clip;
}

QByteArray encoded(const ClipItem& clip)
{
    playback::JsonTextWriter writer;
    clip.writeJson(writer);
    return writer.take();
}

platform::Result<ClipItem, QString> decoded(const char* json)
{
    return ClipItem::fromJson(QJsonDocument::fromJson(json).object());
}

} // namespace

TEST(ClipItem, SlateDisplayNameFollowsTheFileName)
{
    const struct {
        const char* file;
        const char* expected;
    } cases[] = {
        { "A-B.mov", "A-B" },
        { "R1--SC2--T3.mov", "R1--SC2--T3" },
        { "R1-SC2-T3-Cam1.mov", "R1-SC2-T3" },
        { "R1-SC2-T3-Cam1-S1.mov", "R1-SC2-T3" },
        { "R1-SC2-T3-Cam1-S1-x-7.mov", "R1-SC2-T3-Cam1-S1-x" },
        { "R1-SC2-T3-Cam1-S1-x-final.mov", "R1-SC2-T3-Cam1-S1-x-final" },
        { "R1-SC2-T3-2024-05-01-input2.mov", "R1-SC2-T3-Cam2-01-05-2024" },
        { "a-b-c-d-e-f.mov", "a-b-c-f-d-e" },
        { "a.b.mov", "a.b" },
        // A standard recording keeps its date, with or without a segment.
        { "R1-SC12-T3-Cam2-2025-01-31.mov", "R1-SC12-T3-Cam2-2025-01-31" },
        { "R1-SC12-T3-Cam2-S2-2025-01-31.mov", "R1-SC12-T3-Cam2-S2-2025-01-31" },
        // Not a date (no 13th month): the last integer token goes, as for any other name.
        { "R1-SC12-T3-Cam2-2025-13-31.mov", "R1-SC12-T3-Cam2-2025-13" },
        { "R1-SC2-T3-Cam1-a-b-99999999999999999999.mov", "R1-SC2-T3-Cam1-a-b-99999999999999999999" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(clipAt(QStringLiteral("/m/") + c.file).slateDisplayName(), QString::fromUtf8(c.expected)) << c.file;
}

TEST(ClipItem, FormatLabelDescribesTheProbedFormat)
{
    const struct {
        std::optional<qint64> width;
        std::optional<double> fps;
        std::optional<QString> scan;
        const char* expected;
    } cases[] = {
        { 1920, 23.976, QStringLiteral("p"), "1920x1080 24P" },
        { 1920, 29.97, QStringLiteral("i"), "1920x1080 30I" },
        { 1920, 12.5, QStringLiteral("p"), "1920x1080 13P" },
        { 1920, 59.7, QStringLiteral("p"), "1920x1080 60P" },
        { 1920, std::nullopt, QStringLiteral("p"), "1920x1080 -P" },
        { 1920, 0.0, QStringLiteral("p"), "1920x1080 -P" },
        { 1920, 25.0, QString(), "1920x1080 25P" },
        { 1920, 25.0, std::nullopt, "1920x1080 25P" },
        { std::nullopt, 25.0, QStringLiteral("p"), "\u2014" },
    };
    for (const auto& c : cases) {
        ClipItem clip = clipAt("/m/a.mov");
        clip.formatWidth = c.width;
        clip.formatHeight = 1080;
        clip.formatFPS = c.fps;
        clip.formatScan = c.scan;
        EXPECT_EQ(clip.formatLabel(), QString::fromUtf8(c.expected));
    }
}

TEST(ClipItem, EqualityIsIdentity)
{
    ClipItem clip = clipAt("/m/a.mov");
    ClipItem edited = clip;
    edited.title = QStringLiteral("other");
    edited.isGood = true;
    EXPECT_EQ(clip, edited);
    EXPECT_FALSE(clip == clipAt("/m/a.mov"));
}

TEST(ClipItem, DecodingAcceptsTheStoredForms)
{
    const auto minimal = decoded(R"({"id":"6f9619ff-8b86-d011-b42d-00c04fc964ff","url":"file:\/\/\/m\/a.mov",
        "title":"a","duration":3,"take":4.0,"markIn":null,"extra":[1]})");
    ASSERT_TRUE(minimal.ok()) << minimal.error().toStdString();
    EXPECT_EQ(minimal->id, QUuid("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
    EXPECT_EQ(minimal->url.toLocalFile(), "/m/a.mov");
    EXPECT_EQ(minimal->take, 4);
    EXPECT_FALSE(minimal->markIn.has_value());
    EXPECT_FALSE(minimal->isGood);
    EXPECT_FALSE(minimal->offline);
    // A non-file URL decodes; the engine treats it as offline.
    EXPECT_TRUE(decoded(R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"https://h/a.mov","title":"a",
        "duration":0})")
                    .ok());
}

TEST(ClipItem, DecodingRefusesMissingOrWronglyTypedFields)
{
    const char* base
        = R"("id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"file:///m/a.mov","title":"a","duration":1)";
    const char* cases[] = {
        R"({"url":"file:///m/a.mov","title":"a","duration":1})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"file:///m/a.mov","duration":1})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"file:///m/a.mov","title":"a"})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"a","duration":1})",
        R"({"id":null,"url":"file:///m/a.mov","title":"a","duration":1})",
        R"({"id":"{6F9619FF-8B86-D011-B42D-00C04FC964FF}","url":"file:///m/a.mov","title":"a","duration":1})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FG","url":"file:///m/a.mov","title":"a","duration":1})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"","title":"a","duration":1})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"file:///m/a b.mov","title":"a","duration":1})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"file:///m/a.mov","title":7,"duration":1})",
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"file:///m/a.mov","title":"a","duration":"1"})",
    };
    for (const char* json : cases)
        EXPECT_FALSE(decoded(json).ok()) << json;

    const char* optionals[] = {
        R"("markIn":"1")",
        R"("markOut":true)",
        R"("reel":1)",
        R"("scene":["x"])",
        R"("take":3.5)",
        R"("take":"3")",
        R"("inputNumber":1e19)",
        R"("isGood":1)",
        R"("isGood":"true")",
    };
    for (const char* field : optionals) {
        const QByteArray json = QByteArray("{") + base + "," + field + "}";
        EXPECT_FALSE(decoded(json.constData()).ok()) << field;
    }
    EXPECT_FALSE(ClipItem::fromJson(QJsonValue(3)).ok());
}

TEST(ClipItem, EncodingLeavesOutAbsentAndNonFiniteValues)
{
    ClipItem clip = clipAt("/m/My Take.mov");
    clip.id = QUuid("{6f9619ff-8b86-d011-b42d-00c04fc964ff}");
    clip.title = QStringLiteral("My Take.mov");
    clip.thumbnail = QImage(4, 4, QImage::Format_ARGB32_Premultiplied);
    clip.offline = true;
    clip.formatWidth = 1920;
    EXPECT_EQ(encoded(clip),
        R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","url":"file:///m/My%20Take.mov","title":"My Take.mov",)"
        R"("duration":0,"isGood":false})");

    clip.duration = std::numeric_limits<double>::quiet_NaN();
    clip.markIn = std::numeric_limits<double>::infinity();
    clip.markOut = 2.5;
    const QByteArray json = encoded(clip);
    EXPECT_TRUE(json.contains(R"("duration":0,"markOut":2.5,"isGood")")) << json.constData();
    EXPECT_FALSE(json.contains("markIn"));
    EXPECT_FALSE(json.contains("null"));
}

TEST(ClipItem, DecimalIntegersAreStrict)
{
    EXPECT_EQ(playback::parseDecimalInteger(u"007"), 7);
    EXPECT_EQ(playback::parseDecimalInteger(u"+5"), 5);
    EXPECT_EQ(playback::parseDecimalInteger(u"-9223372036854775808"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(playback::parseDecimalInteger(u"9223372036854775807"), std::numeric_limits<qint64>::max());
    for (const char16_t* text : { u"", u"+", u"-", u"9223372036854775808", u"1 ", u"x1", u"1.0", u"\u0661" })
        EXPECT_FALSE(playback::parseDecimalInteger(text).has_value()) << QString::fromUtf16(text).toStdString();
}
