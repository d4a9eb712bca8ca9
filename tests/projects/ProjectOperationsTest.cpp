// Create, open, rename, delete, duplicate and import in temporary folders, the settings follow-up
// and folder naming.

#include "ProjectTestSupport.h"

#include <QDir>
#include <QFile>

namespace projects::test {
namespace {

using settings::CaptureFormat;
using settings::ProjectOutputColorMode;

class ProjectOperationsTest : public LibraryTest {
protected:
    ProjectLibraryStore::ProjectOutcome create(const QString& name, const QString& base = "p")
    {
        return store().createProject(name, path(base), CaptureFormat::hd1080p2997, ProjectStorageType::local,
            ProjectOutputColorMode::rec2020PQ, &recorder_);
    }
    static QUrl folderURL(const QString& folder) { return QUrl::fromLocalFile(folder + '/'); }
    bool holds(const QString& folder, const ProjectInfo& project) const
    {
        const auto metadata = metadataIn(folder);
        return metadata && metadata->id == ProjectInfo::idString(project.id);
    }
};

TEST_F(ProjectOperationsTest, CreateTrimsNamesCleansFoldersAndMakesTheProjectCurrent)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        { "  Spot \n", "Spot", "b1/Spot" }, { "A/B:C", "A/B:C", "b1/A-B-C" }, { "///", "///", "b1/Project" },
        { "..", "..", "b2/Project" }, // never the parent folder
    };
    for (const auto& [name, recordName, folder] : cases) {
        const auto result = create(name, QString(folder).section('/', 0, 0));
        ASSERT_TRUE(result.ok()) << name;
        EXPECT_EQ(std::tuple(result->name, result->folderPath, store().currentProjectID(), result->lastOpenedAt),
            std::tuple(QString(recordName), path(folder), std::optional(result->id), std::optional(result->createdAt)));
        EXPECT_EQ(store().projects().first(), *result);
        EXPECT_TRUE(holds(result->folderPath, *result) && metadataIn(result->folderPath)->colorSpaceRaw == "rec2020");
        EXPECT_EQ(recorder_.folders.last(), folderURL(result->folderPath));
    }
    EXPECT_EQ(settings_->projectFormat(), CaptureFormat::hd1080p2997);
    EXPECT_EQ(settings_->projectColorSpace(), settings::ProjectColorSpace::rec2020);

    store().setLibraryPresented(true);
    const auto before = store().projects();
    EXPECT_TRUE(create("  \t\n").error().is(ProjectLibraryError::invalidName));
    EXPECT_TRUE(create("Spot/", "b1").error().is(ProjectLibraryError::folderExists)); // the same folder name
    QFile file(path("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const auto failed = create("X", "file/sub"); // a file where a parent should be: the system's words
    EXPECT_EQ(failed.error().error, std::nullopt);
    EXPECT_TRUE(failed.error().systemDescription.contains("Not a directory"));
    EXPECT_EQ(store().projects(), before);
    EXPECT_TRUE(store().isLibraryPresented());
}

TEST_F(ProjectOperationsTest, OpenAppliesTheProjectInOrderAndMovesItOnTop)
{
    ProjectInfo target = *create("First");
    const ProjectInfo third = *create("Third");
    target.formatRaw = "hd9999p1"; // names no format
    target.outputColorModeRaw = "p3D65PQ";
    target.folderBookmarkData = QByteArray("mark");
    storeLibrary({ third, target }, third.id);
    reopen();

    QStringList order;
    auto note = [&](auto signal, const char* name) {
        QObject::connect(settings_.get(), signal, [&order, name] { order << name; });
    };
    note(&settings::AppSettings::projectFormatChanged, "format");
    note(&settings::AppSettings::projectOutputColorModeChanged, "mode");
    note(&settings::AppSettings::projectColorSpaceChanged, "space");
    note(&settings::AppSettings::recordingFolderPathChanged, "path");
    note(&settings::AppSettings::recordingFolderBookmarkDataChanged, "mark");
    store().setLibraryPresented(true);
    store().openProject(store().projects().last(), &recorder_);

    EXPECT_EQ(order, (QStringList { "format", "mode", "space", "path", "mark" }));
    EXPECT_EQ(std::tuple(
                  settings_->projectFormat(), settings_->projectColorSpace(), settings_->recordingFolderBookmarkData()),
        std::tuple(CaptureFormat::hd1080p25, settings::ProjectColorSpace::p3d65, std::optional(QByteArray("mark"))));
    EXPECT_EQ(recorder_.folders.last(), folderURL(target.folderPath));
    const ProjectInfo opened = store().projects().first();
    EXPECT_EQ(std::tuple(opened.id, opened.formatRaw, opened.lastOpenedAt), // the record keeps what it had
        std::tuple(target.id, QString("hd9999p1"), std::optional(ReferenceDate { clock_ })));
    EXPECT_EQ(store().currentProjectID(), target.id);
    EXPECT_FALSE(store().isLibraryPresented());
    EXPECT_EQ(metadataIn(target.folderPath)->lastOpenedAt, opened.lastOpenedAt);
    EXPECT_EQ(storedLibrary().first(), opened);
}

TEST_F(ProjectOperationsTest, ImportReadsTheMetadataFileOrFallsBackToTheSettings)
{
    settings_->setProjectFormat(CaptureFormat::hd720p50);
    settings_->setProjectOutputColorMode(ProjectOutputColorMode::rec2020HLG);
    const QString bare = makeFolder("bare");
    const auto plain = store().importProject(bare + "/./", &recorder_);
    EXPECT_EQ(std::tuple(plain->name, plain->folderPath, plain->formatRaw, plain->colorSpaceRaw),
        std::tuple(QString("bare"), bare, QString("hd720p50"), QString("rec2020")));
    EXPECT_EQ(plain->lastOpenedAt, ReferenceDate { clock_ });
    EXPECT_TRUE(holds(bare, *plain));
    EXPECT_TRUE(store().importProject(bare, nullptr).error().is(ProjectLibraryError::projectAlreadyImported));
    EXPECT_TRUE(store().importProject(path("none"), nullptr).error().is(ProjectLibraryError::folderCreateFailed));

    // A cloud project's file, renamed: read all the same, imported as local without its Drive folder.
    const QString foreign = makeFolder("foreign");
    ASSERT_TRUE(QFile::copy(CORVALE_PROJECTS_TEST_DATA "/metadata-foreign.json", foreign + "/backup.json"));
    const auto imported = store().importProject(foreign, nullptr, foreign + "/backup.json");
    EXPECT_EQ(ProjectInfo::idString(imported->id), "5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D");
    EXPECT_EQ(std::tuple(imported->name, imported->outputColorModeRaw, imported->storageRaw),
        std::tuple(QString("Foreign"), QString("p3D65PQ"), QString("local")));
    EXPECT_EQ(std::tuple(imported->createdAt, imported->cloudFolderID, metadataIn(foreign)->driveFolderID),
        std::tuple(ReferenceDate { 12.25 }, std::optional<QString>(), std::optional<QString>()));
    EXPECT_EQ(store().currentProjectID(), imported->id);

    // The same identifier in another folder: refused while the first folder is there, then replacing it.
    const QString again = makeFolder("again");
    ASSERT_TRUE(QFile::copy(foreign + "/.corvale_project.json", again + "/.corvale_project.json"));
    EXPECT_TRUE(store().importProject(again, nullptr).error().is(ProjectLibraryError::projectAlreadyImported));
    ASSERT_TRUE(QDir(foreign).removeRecursively());
    EXPECT_EQ(store().importProject(again, nullptr)->id, imported->id);
    EXPECT_EQ(store().projects().size(), 2);
}

TEST(ProjectFolderNames, AreOnePathComponentOfAtMost255Bytes)
{
    const std::pair<QString, QString> cases[] = {
        { "A/B:C", "A-B-C" }, { R"(a\b?c%d*e|f"g<h>i)", "a-b-c-d-e-f-g-h-i" }, { "//x//", "x" }, { "  x  ", "  x  " },
        { "", "Project" }, { ".", "Project" }, { "/../", "Project" }, { QString("a") + QChar(0) + "b", "ab" },
        { QString(300, 'x'), QString(255, 'x') },
        { QString("e\u0301").repeated(100), QString("e\u0301").repeated(85) }, // 3 bytes each, never split
    };
    for (const auto& [name, folder] : cases)
        EXPECT_EQ(ProjectLibraryStore::sanitizedFolderName(name), folder) << name.toStdString();

    QTemporaryDir dir; // a long base name keeps the number that makes it unique
    ASSERT_TRUE(QDir(dir.path()).mkdir(QString(255, 'x')));
    const auto next = ProjectLibraryStore::uniqueProjectFolder(dir.path(), QString(255, 'x'));
    EXPECT_EQ(next.name, QString(255, 'x') + " 2");
    EXPECT_EQ(next.path, dir.filePath(QString(253, 'x') + " 2"));
    EXPECT_EQ(ProjectLibraryStore::uniqueProjectFolder(dir.path(), " ").name, "Project Copy");
}

} // namespace
} // namespace projects::test
