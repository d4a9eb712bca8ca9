// The stored forms: library records, the metadata file (against golden files).

#include "ProjectTestSupport.h"

#include <QFile>

namespace projects::test {
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
    ProjectInfo project { kID, "Spot", "/p/Spot", QByteArray("\x01\x02\xff", 3), "hd1080p25", "rec709", "rec2020HLG",
        "cloud", "drive/1", { 700000000.5 }, ReferenceDate { 700000100 } };
    EXPECT_EQ(project.encoded(),
        R"({"id":"5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D","name":"Spot","folderPath":"/p/Spot",)"
        R"("folderBookmarkData":"AQL/","formatRaw":"hd1080p25","colorSpaceRaw":"rec2020",)"
        R"("outputColorModeRaw":"rec2020HLG","storageRaw":"cloud","cloudFolderID":"drive/1",)"
        R"("createdAt":700000000.5,"lastOpenedAt":700000100})");
}

TEST(ProjectInfoJson, DecodesRequiredAndDefaultedMembers)
{
    const QByteArray base
        = R"({"id":"5a0b3c4d-1e2f-4a5b-8c6d-7e8f9a0b1c2d","name":"N","folderPath":"/f","formatRaw":"x")";
    const struct {
        const char* members;
        const char* mode; // null: the list does not decode
        const char* storage;
    } cases[] = {
        { R"(,"colorSpaceRaw":"p3d65","createdAt":1})", "p3D65PQ", "local" },
        { R"(,"colorSpaceRaw":"rec2020","createdAt":1,"storageRaw":null,"extra":[1]})", "rec2020", "local" },
        { R"(,"colorSpaceRaw":"P3D65","createdAt":1,"storageRaw":"tape"})", "rec709", "tape" },
        { R"(,"colorSpaceRaw":"rec709","createdAt":1,"outputColorModeRaw":"bogus"})", "bogus", "local" },
        { R"(,"colorSpaceRaw":"rec709"})", nullptr, nullptr },
        { R"(,"colorSpaceRaw":"rec709","createdAt":"1"})", nullptr, nullptr },
        { R"(,"colorSpaceRaw":"rec709","createdAt":1,"lastOpenedAt":true})", nullptr, nullptr },
        { R"(,"colorSpaceRaw":"rec709","createdAt":1,"folderBookmarkData":"%%%"})", nullptr, nullptr },
    };
    for (const auto& c : cases) {
        // One bad record fails the whole list.
        const auto decoded = ProjectInfo::decodeList(
            "[" + base + R"(,"colorSpaceRaw":"rec709","createdAt":2},)" + base + c.members + "]");
        ASSERT_EQ(decoded.ok(), c.mode != nullptr) << c.members;
        if (!decoded.ok()) {
            EXPECT_EQ(decoded.error().index, 1);
            continue;
        }
        EXPECT_EQ(decoded->at(1).id, kID);
        EXPECT_EQ(decoded->at(1).outputColorModeRaw, QLatin1String(c.mode)) << c.members;
        EXPECT_EQ(decoded->at(1).storageRaw, QLatin1String(c.storage)) << c.members;
    }
    EXPECT_FALSE(ProjectInfo::decodeList(base + R"(,"colorSpaceRaw":"rec709","createdAt":2})").ok()); // no list
    for (const char* id : { "{5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D}", "abc", "5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D\n" })
        EXPECT_FALSE(ProjectInfo::idFromString(QString::fromLatin1(id))) << id;
}

TEST(ProjectMetadataFile, EncodesByteForByteAsTheGoldenFilesAndReadsThemBack)
{
    const ProjectMetadata full { "0F8B5C1E-2D3A-4B5C-9D8E-7F6A5B4C3D2E", QString::fromUtf8("Café \"Noir\" / A"),
        "hd1080p25", "rec2020", QStringLiteral("rec2020HLG"), "cloud", QStringLiteral("1AbC-drive"), { 86400.5 },
        ReferenceDate { 789012345.125 }, QString::fromUtf8("Café -Noir- - A") };
    const ProjectMetadata minimal { "not-a-uuid", "N", "hd720p50", "p3d65", std::nullopt, "local", std::nullopt, { 0 },
        std::nullopt, "N" };
    for (const auto& [record, file] :
        { std::pair { full, "metadata-full.json" }, { minimal, "metadata-minimal.json" } }) {
        EXPECT_EQ(record.encoded(), golden(file)) << file;
        EXPECT_EQ(ProjectMetadata::decode(golden(file)).value(), record) << file;
    }
    EXPECT_EQ(full.createdAt.toDateTime(), QDateTime(QDate(2001, 1, 2), QTime(0, 0, 0, 500), Qt::UTC));
}

TEST(ProjectMetadataFile, DecodesForeignLayoutsAndRefusesWrongTypes)
{
    const auto foreign = ProjectMetadata::decode(golden("metadata-foreign.json")); // reordered, unknown keys, null
    ASSERT_TRUE(foreign.ok());
    EXPECT_EQ(foreign->lastOpenedAt, std::nullopt);
    EXPECT_EQ(foreign->createdAt.secondsSinceReferenceDate, 12.25);

    const QByteArray valid = golden("metadata-minimal.json");
    const std::pair<const char*, const char*> breakages[] = {
        { R"(,"folderName":"N")", "" }, // required, although import does not use it
        { R"("createdAt":0)", R"("createdAt":1e999)" },
        { R"("id":"not-a-uuid")", R"("id":null)" },
        { "{", "[{" },
    };
    for (const auto& [from, to] : breakages) {
        const QByteArray broken = QByteArray(valid).replace(from, to);
        ASSERT_NE(broken, valid) << from;
        EXPECT_FALSE(ProjectMetadata::decode(broken).ok()) << broken.constData();
    }
}

TEST(ProjectMetadataFile, ReadsOnlyRegularFilesOfSaneSize)
{
    QTemporaryDir dir;
    ProjectMetadata metadata = ProjectMetadata::decode(golden("metadata-minimal.json")).value();
    EXPECT_FALSE(ProjectMetadata::readFile(dir.filePath("missing")).ok());
    EXPECT_FALSE(ProjectMetadata::readFile(dir.path()).ok());
    metadata.name = QString(2 * 1024 * 1024, QLatin1Char('n'));
    ASSERT_TRUE(metadata.writeFile(dir.filePath("big.json")));
    EXPECT_FALSE(ProjectMetadata::readFile(dir.filePath("big.json")).ok());
    EXPECT_FALSE(metadata.writeFile(dir.filePath("gone/meta.json")));
}

using ProjectMetadataWriterTest = LibraryTest;

TEST_F(ProjectMetadataWriterTest, TheStoreWritesTheColourSpaceTheModeImplies)
{
    const QString folder = makeFolder("Spot");
    store().writeProjectMetadataFile({ kID, "Spot", folder, std::nullopt, "uhd2160p25", "rec709", "p3D65PQ", "local",
        std::nullopt, { 700000000.5 }, ReferenceDate { 700000100 } });
    QFile written(folder + "/.corvale_project.json");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), golden("store-written.json"));

    store().writeProjectMetadataFile(makeProject(kID, "Gone", path("gone"), 0)); // no folder: nothing
    EXPECT_FALSE(QFile::exists(path("gone")));
}

} // namespace
} // namespace projects::test
