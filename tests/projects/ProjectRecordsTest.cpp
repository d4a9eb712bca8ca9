// The stored forms: library records, the metadata file (against golden files) and dates.

#include "ProjectTestSupport.h"

#include "projects/ProjectInfo.h"
#include "projects/ProjectMetadata.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace projects {
namespace {

QByteArray golden(const char* name)
{
    QFile file(QStringLiteral(CORVALE_PROJECTS_TEST_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

const QUuid kID = QUuid::fromString(QStringLiteral("5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D"));

TEST(ProjectInfoJson, EncodesKeysInOrderWithTheColourSpaceTheModeImplies)
{
    ProjectInfo project = test::makeProject(kID, "Spot", "/p/Spot", 700000000.5);
    project.folderBookmarkData = QByteArray("\x01\x02\xff", 3);
    project.colorSpaceRaw = "rec709"; // disagrees with the mode: the mode wins when written
    project.outputColorModeRaw = "rec2020HLG";
    project.storageRaw = "cloud";
    project.cloudFolderID = "drive/1";
    project.lastOpenedAt = ReferenceDate { 700000100 };
    EXPECT_EQ(project.encoded(),
        R"({"id":"5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D","name":"Spot","folderPath":"/p/Spot",)"
        R"("folderBookmarkData":"AQL/","formatRaw":"hd1080p25","colorSpaceRaw":"rec2020",)"
        R"("outputColorModeRaw":"rec2020HLG","storageRaw":"cloud","cloudFolderID":"drive/1",)"
        R"("createdAt":700000000.5,"lastOpenedAt":700000100})");

    // A mode that names no case writes the stored colour space; absent optionals are left out.
    project = test::makeProject(kID, "Spot", "/p/Spot", 0);
    project.colorSpaceRaw = "p3d65";
    project.outputColorModeRaw = "future";
    const QByteArray text = project.encoded();
    EXPECT_TRUE(text.contains(R"("colorSpaceRaw":"p3d65")")) << text.constData();
    EXPECT_FALSE(text.contains("folderBookmarkData") || text.contains("cloudFolderID") || text.contains("lastOpened"));
    EXPECT_FALSE(text.contains("null"));
}

TEST(ProjectInfoJson, DecodesRequiredAndDefaultedMembers)
{
    const QByteArray base
        = R"("id":"5a0b3c4d-1e2f-4a5b-8c6d-7e8f9a0b1c2d","name":"N","folderPath":"/f","formatRaw":"x")";
    struct Case {
        const char* members; // appended to the base
        bool decodes;
        const char* mode;
        const char* storage;
    };
    const Case cases[] = {
        { R"(,"colorSpaceRaw":"p3d65","createdAt":1)", true, "p3D65PQ", "local" },
        { R"(,"colorSpaceRaw":"rec2020","createdAt":1,"storageRaw":null,"extra":[1])", true, "rec2020", "local" },
        { R"(,"colorSpaceRaw":"P3D65","createdAt":1,"storageRaw":"tape")", true, "rec709", "tape" },
        { R"(,"colorSpaceRaw":"rec709","createdAt":1,"outputColorModeRaw":"bogus")", true, "bogus", "local" },
        { R"(,"colorSpaceRaw":"rec709")", false, "", "" }, // no createdAt
        { R"(,"colorSpaceRaw":"rec709","createdAt":"1")", false, "", "" },
        { R"(,"colorSpaceRaw":7,"createdAt":1)", false, "", "" },
        { R"(,"colorSpaceRaw":"rec709","createdAt":1,"lastOpenedAt":true)", false, "", "" },
        { R"(,"colorSpaceRaw":"rec709","createdAt":1,"folderBookmarkData":"%%%")", false, "", "" },
        { R"(,"colorSpaceRaw":"rec709","createdAt":1,"cloudFolderID":5)", false, "", "" },
    };
    for (const auto& c : cases) {
        const auto decoded = ProjectInfo::decodeList('[' + ('{' + base + c.members + '}') + ']');
        ASSERT_EQ(decoded.ok(), c.decodes) << c.members;
        if (!c.decodes)
            continue;
        EXPECT_EQ(decoded->first().id, kID);
        EXPECT_EQ(decoded->first().outputColorModeRaw, QLatin1String(c.mode)) << c.members;
        EXPECT_EQ(decoded->first().storageRaw, QLatin1String(c.storage)) << c.members;
    }

    // Identifiers: the canonical form only.
    for (const char* id : { "{5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D}", "abc", "5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D\n" })
        EXPECT_FALSE(ProjectInfo::idFromString(QString::fromLatin1(id))) << id;
}

TEST(ProjectInfoJson, OneBadRecordFailsTheWholeList)
{
    const ProjectInfo good = test::makeProject(kID, "A", "/a", 1);
    const auto failed = ProjectInfo::decodeList("[" + good.encoded() + R"(,{"id":"x"}])");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().index, 1);
    EXPECT_FALSE(ProjectInfo::decodeList(good.encoded()).ok()); // an object is no list
    EXPECT_FALSE(ProjectInfo::decodeList("[").ok());

    const QList<ProjectInfo> list { good, test::makeProject(QUuid::createUuid(), "B", "/b", 2) };
    EXPECT_EQ(ProjectInfo::decodeList(ProjectInfo::encodeList(list)).value(), list);
}

TEST(ProjectMetadataFile, EncodesByteForByteAsTheGoldenFiles)
{
    const ProjectMetadata full {
        .id = "0F8B5C1E-2D3A-4B5C-9D8E-7F6A5B4C3D2E",
        .name = QString::fromUtf8("Café \"Noir\" / A"),
        .formatRaw = "hd1080p25",
        .colorSpaceRaw = "rec2020",
        .outputColorModeRaw = QStringLiteral("rec2020HLG"),
        .storageRaw = "cloud",
        .driveFolderID = QStringLiteral("1AbC-drive"),
        .createdAt = { 86400.5 },
        .lastOpenedAt = ReferenceDate { 789012345.125 },
        .folderName = QString::fromUtf8("Café -Noir- - A"),
    };
    const ProjectMetadata minimal { .id = "not-a-uuid",
        .name = "N",
        .formatRaw = "hd720p50",
        .colorSpaceRaw = "p3d65",
        .outputColorModeRaw = std::nullopt,
        .storageRaw = "local",
        .driveFolderID = std::nullopt,
        .createdAt = { 0 },
        .lastOpenedAt = std::nullopt,
        .folderName = "N" };
    for (const auto& [record, file] :
        { std::pair { full, "metadata-full.json" }, { minimal, "metadata-minimal.json" } }) {
        EXPECT_EQ(record.encoded(), golden(file)) << file;
        EXPECT_EQ(ProjectMetadata::decode(golden(file)).value(), record) << file;
    }
    EXPECT_FALSE(golden("metadata-minimal.json").contains("null"));
}

TEST(ProjectMetadataFile, DecodesForeignLayoutsAndRefusesWrongTypes)
{
    const auto foreign = ProjectMetadata::decode(golden("metadata-foreign.json"));
    ASSERT_TRUE(foreign.ok());
    EXPECT_EQ(foreign->name, "Foreign");
    EXPECT_EQ(foreign->lastOpenedAt, std::nullopt);
    EXPECT_EQ(foreign->outputColorModeRaw, std::nullopt);
    EXPECT_EQ(foreign->createdAt.secondsSinceReferenceDate, 12.25);

    QByteArray valid = golden("metadata-minimal.json");
    const struct {
        const char* from;
        const char* to;
    } breakages[] = {
        { R"(,"folderName":"N")", "" }, // required although import does not use it
        { R"(,"storageRaw":"local")", "" },
        { R"("createdAt":0)", R"("createdAt":"0")" },
        { R"("name":"N")", R"("name":3)" },
        { R"("id":"not-a-uuid")", R"("id":null)" },
        { R"("createdAt":0)", R"("createdAt":1e999)" },
    };
    for (const auto& breakage : breakages) {
        QByteArray broken = valid;
        broken.replace(breakage.from, breakage.to);
        ASSERT_NE(broken, valid) << breakage.from;
        EXPECT_FALSE(ProjectMetadata::decode(broken).ok()) << broken.constData();
    }
    EXPECT_FALSE(ProjectMetadata::decode("[" + valid + "]").ok());
    EXPECT_FALSE(ProjectMetadata::decode("").ok());
}

TEST(ProjectMetadataFile, ReadsOnlyRegularFilesOfSaneSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("meta.json");
    EXPECT_FALSE(ProjectMetadata::readFile(path).ok()); // missing
    EXPECT_FALSE(ProjectMetadata::readFile(dir.path()).ok()); // a folder

    ProjectMetadata metadata = ProjectMetadata::decode(golden("metadata-minimal.json")).value();
    ASSERT_TRUE(metadata.writeFile(path));
    EXPECT_EQ(ProjectMetadata::readFile(path).value(), metadata);

    metadata.name = QString(2 * 1024 * 1024, QLatin1Char('n'));
    ASSERT_TRUE(metadata.writeFile(path));
    EXPECT_FALSE(ProjectMetadata::readFile(path).ok());

    // A folder that is gone: no file, no value, nothing left behind.
    EXPECT_FALSE(metadata.writeFile(dir.filePath("gone/meta.json")));
    EXPECT_FALSE(QFile::exists(dir.filePath("gone")));
}

TEST(ReferenceDateTest, CountsFromTheStartOf2001)
{
    EXPECT_EQ(ReferenceDate { 0 }.toDateTime(), QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(ReferenceDate { 86400.5 }.toDateTime(), QDateTime(QDate(2001, 1, 2), QTime(0, 0, 0, 500), Qt::UTC));
    EXPECT_EQ(ReferenceDate::fromDateTime(QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC)).secondsSinceReferenceDate,
        -978307200.0);
    EXPECT_FALSE(ReferenceDate { 1e300 }.toDateTime().isValid());
}

} // namespace
} // namespace projects
