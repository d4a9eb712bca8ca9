#include "playback/ClipItem.h"
#include "playback/JsonTextWriter.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

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
        { "R1-SC2-T3-Cam1.mov", "R1-SC2-T3" },
        { "R1-SC2-T3-Cam1-S1-x-7.mov", "R1-SC2-T3-Cam1-S1-x" },
        { "R1-SC2-T3-Cam1-S1-x-final.mov", "R1-SC2-T3-Cam1-S1-x-final" },
        { "R1-SC2-T3-2024-05-01-input2.mov", "R1-SC2-T3-Cam2-01-05-2024" },
        { "a-b-c-d-e-f.mov", "a-b-c-f-d-e" },
        // A standard recording keeps its date, with or without a segment.
        { "R1-SC12-T3-Cam2-2025-01-31.mov", "R1-SC12-T3-Cam2-2025-01-31" },
        // Not a date (no 13th month): the last integer token goes, as for any other name.
        { "R1-SC12-T3-Cam2-2025-13-31.mov", "R1-SC12-T3-Cam2-2025-13" },
        { "R1-SC2-T3-Cam1-a-b-99999999999999999999.mov", "R1-SC2-T3-Cam1-a-b-99999999999999999999" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(clipAt(QStringLiteral("/m/") + c.file).slateDisplayName(), QString::fromUtf8(c.expected)) << c.file;
}

TEST(ClipItem, DecodingAcceptsTheStoredForms)
{
    const auto clip = decoded(R"({"id":"6f9619ff-8b86-d011-b42d-00c04fc964ff","url":"file:\/\/\/m\/a.mov",
        "title":"a","duration":3,"take":4.0,"markIn":null,"extra":[1]})");
    ASSERT_TRUE(clip.ok()) << clip.error().toStdString();
    EXPECT_EQ(clip->id, QUuid("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
    EXPECT_EQ(clip->url.toLocalFile(), "/m/a.mov");
    EXPECT_EQ(clip->take, 4);
    EXPECT_FALSE(clip->markIn.has_value());
    EXPECT_FALSE(clip->isGood);
}

TEST(ClipItem, DecodingRefusesMissingOrWronglyTypedFields)
{
    const QJsonObject base { { "id", "6F9619FF-8B86-D011-B42D-00C04FC964FF" }, { "url", "https://h/a.mov" },
        { "title", "a" }, { "duration", 1 } };
    ASSERT_TRUE(ClipItem::fromJson(base).ok()); // any URL decodes; the engine treats others as offline
    const QJsonValue missing(QJsonValue::Undefined);
    const std::pair<const char*, QJsonValue> cases[] = {
        { "id", missing },
        { "id", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}" },
        { "url", "file:///m/a b.mov" },
        { "title", 7 },
        { "markIn", "1" },
        { "take", 3.5 },
        { "inputNumber", 1e19 },
    };
    for (const auto& [key, value] : cases) {
        QJsonObject object = base;
        if (value.isUndefined())
            object.remove(key);
        else
            object[key] = value;
        EXPECT_FALSE(ClipItem::fromJson(object).ok()) << key;
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
