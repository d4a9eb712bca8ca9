// Create, open, rename, delete, duplicate and import in temporary folders, the settings follow-up
// and folder naming.

#include "ProjectTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace projects::test {
namespace {

using settings::CaptureFormat;
using settings::ProjectOutputColorMode;

class ProjectOperationsTest : public LibraryTest {
protected:
    ProjectLibraryStore::ProjectOutcome create(const QString& name, const QString& base = QString(),
        ProjectOutputColorMode mode = ProjectOutputColorMode::rec709)
    {
        return store().createProject(name, base.isEmpty() ? path("p") : base, CaptureFormat::hd1080p2997,
            ProjectStorageType::local, mode, &recorder_);
    }
    ProjectInfo created(const QString& name)
    {
        auto project = create(name);
        EXPECT_TRUE(project.ok()) << name.toStdString();
        return project.ok() ? project.value() : ProjectInfo {};
    }
    QUrl folderURL(const QString& folder) { return QUrl::fromLocalFile(folder + '/'); }
};

TEST_F(ProjectOperationsTest, CreateTrimsNamesCleansFoldersAndMakesTheProjectCurrent)
{
    const struct {
        const char* name;
        const char* recordName;
        const char* folder;
    } cases[] = {
        { "  Spot \n", "Spot", "Spot" }, { "A/B:C", "A/B:C", "A-B-C" }, { "///", "///", "Project" },
        { "..", "..", "Project" }, // never the parent folder
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString base = path(QString("base%1").arg(++n));
        const auto result = create(QString::fromLatin1(c.name), base, ProjectOutputColorMode::rec2020PQ);
        ASSERT_TRUE(result.ok()) << c.name;
        EXPECT_EQ(result->name, QLatin1String(c.recordName));
        EXPECT_EQ(result->folderPath, QDir(base).filePath(c.folder));
        EXPECT_TRUE(QFileInfo(result->folderPath).isDir());
        EXPECT_EQ(store().projects().first(), *result);
        EXPECT_EQ(store().currentProjectID(), result->id);
        EXPECT_EQ(result->createdAt, ReferenceDate { clock_ });
        EXPECT_EQ(result->lastOpenedAt, result->createdAt);
        const auto metadata = metadataIn(result->folderPath);
        ASSERT_TRUE(metadata) << c.name;
        EXPECT_EQ(metadata->colorSpaceRaw, "rec2020");
        EXPECT_EQ(metadata->name, QLatin1String(c.recordName));
        EXPECT_EQ(recorder_.folders.last(), folderURL(result->folderPath));
    }
    EXPECT_EQ(settings_->projectFormat(), CaptureFormat::hd1080p2997);
    EXPECT_EQ(settings_->projectColorSpace(), settings::ProjectColorSpace::rec2020);
    EXPECT_EQ(settings_->recordingFolderPath(), store().projects().first().folderPath);
}

TEST_F(ProjectOperationsTest, CreateRefusesWithoutChangingAnything)
{
    created("Spot");
    store().setLibraryPresented(true);
    const auto before = store().projects();
    EXPECT_TRUE(create("  \t\n").error().is(ProjectLibraryError::invalidName));
    EXPECT_TRUE(create("Spot").error().is(ProjectLibraryError::folderExists));
    EXPECT_TRUE(create("Spot/").error().is(ProjectLibraryError::folderExists)); // same folder name

    // A file where a parent folder should be: the file system's own words.
    QFile file(path("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const auto failed = create("X", path("file/sub"));
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().error, std::nullopt);
    EXPECT_TRUE(failed.error().systemDescription.contains("Not a directory"))
        << failed.error().systemDescription.toStdString();

    EXPECT_EQ(store().projects(), before);
    EXPECT_TRUE(store().isLibraryPresented());
}

TEST_F(ProjectOperationsTest, OpenAppliesTheProjectInOrderAndMovesItOnTop)
{
    const ProjectInfo first = created("First");
    created("Second");
    ProjectInfo third = created("Third");
    ProjectInfo target = store().projects().last(); // "First"
    ASSERT_EQ(target.id, first.id);
    target.formatRaw = "hd9999p1"; // names no format
    target.outputColorModeRaw = "p3D65PQ";
    target.folderBookmarkData = QByteArray("mark");
    storeLibrary({ third, store().projects().at(1), target }, third.id);
    reopen();

    QStringList order;
    for (auto signal : { &settings::AppSettings::projectFormatChanged })
        QObject::connect(settings_.get(), signal, [&] { order << "format"; });
    QObject::connect(settings_.get(), &settings::AppSettings::projectOutputColorModeChanged, [&] { order << "mode"; });
    QObject::connect(settings_.get(), &settings::AppSettings::projectColorSpaceChanged, [&] { order << "space"; });
    QObject::connect(settings_.get(), &settings::AppSettings::recordingFolderPathChanged, [&] { order << "path"; });
    QObject::connect(
        settings_.get(), &settings::AppSettings::recordingFolderBookmarkDataChanged, [&] { order << "mark"; });
    store().setLibraryPresented(true);
    store().openProject(store().projects().last(), &recorder_);

    EXPECT_EQ(order, (QStringList { "format", "mode", "space", "path", "mark" }));
    EXPECT_EQ(settings_->projectFormat(), CaptureFormat::hd1080p25);
    EXPECT_EQ(settings_->projectColorSpace(), settings::ProjectColorSpace::p3d65);
    EXPECT_EQ(settings_->recordingFolderBookmarkData(), QByteArray("mark"));
    EXPECT_EQ(recorder_.folders.last(), folderURL(first.folderPath));
    const ProjectInfo opened = store().projects().first();
    EXPECT_EQ(opened.id, first.id);
    EXPECT_EQ(opened.lastOpenedAt, ReferenceDate { clock_ });
    EXPECT_EQ(opened.formatRaw, "hd9999p1"); // the record keeps what it had
    EXPECT_EQ(store().currentProjectID(), first.id);
    EXPECT_FALSE(store().isLibraryPresented());
    EXPECT_EQ(metadataIn(first.folderPath)->lastOpenedAt, opened.lastOpenedAt);
    EXPECT_EQ(ProjectInfo::decodeList(*defaults_->dataForKey(ProjectLibraryStore::projectsKey))->first(), opened);

    // An unknown mode opens as Rec.709.
    ProjectInfo odd = opened;
    odd.outputColorModeRaw = "hdr9000";
    store().openProject(odd, nullptr);
    EXPECT_EQ(settings_->projectOutputColorMode(), ProjectOutputColorMode::rec709);
    EXPECT_EQ(settings_->projectColorSpace(), settings::ProjectColorSpace::rec709);
}

TEST_F(ProjectOperationsTest, RenameAndDeleteTouchOnlyTheRecord)
{
    const ProjectInfo spot = created("Spot");
    const ProjectInfo other = created("Other");
    EXPECT_TRUE(store().renameProject(spot.id, "  New\t").ok());
    EXPECT_EQ(store().projects().at(1).name, "New");
    EXPECT_EQ(store().projects().at(1).folderPath, spot.folderPath);
    EXPECT_EQ(metadataIn(spot.folderPath)->name, "New");
    EXPECT_TRUE(store().renameProject(spot.id, " ").error().is(ProjectLibraryError::invalidName));
    EXPECT_TRUE(store().renameProject(QUuid::createUuid(), "X").error().is(ProjectLibraryError::projectNotFound));

    EXPECT_TRUE(store().deleteProject(other.id).ok());
    EXPECT_EQ(store().currentProjectID(), std::nullopt);
    EXPECT_EQ(store().currentProject(), std::nullopt);
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::currentKey));
    EXPECT_TRUE(metadataIn(other.folderPath)); // folder and file stay
    EXPECT_TRUE(store().deleteProject(other.id).error().is(ProjectLibraryError::projectNotFound));
    EXPECT_EQ(store().projects().size(), 1);
}

TEST_F(ProjectOperationsTest, DuplicateMakesTheNextFreeSiblingFolder)
{
    const ProjectInfo spot = created("Spot");
    makeFolder("p/Spot Copy");
    const auto copy = store().duplicateProject(spot.id, &recorder_);
    ASSERT_TRUE(copy.ok());
    EXPECT_EQ(copy->name, "Spot Copy 2");
    EXPECT_EQ(copy->folderPath, path("p/Spot Copy 2"));
    EXPECT_EQ(copy->formatRaw, spot.formatRaw);
    EXPECT_NE(copy->id, spot.id);
    EXPECT_EQ(store().currentProjectID(), copy->id);
    EXPECT_EQ(QDir(copy->folderPath).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { ".corvale_project.json" });

    for (int n = 3; n <= 100; ++n)
        makeFolder(QString("p/Spot Copy %1").arg(n));
    const auto last = store().duplicateProject(spot.id, nullptr);
    ASSERT_TRUE(last.ok());
    EXPECT_TRUE(QRegularExpression("^Spot Copy [0-9A-F]{4}$").match(last->name).hasMatch()) << last->name.toStdString();
    EXPECT_TRUE(QFileInfo(last->folderPath).isDir());

    EXPECT_TRUE(
        store().duplicateProject(QUuid::createUuid(), nullptr).error().is(ProjectLibraryError::projectNotFound));
    ProjectInfo stranded = makeProject(QUuid::createUuid(), "S", path("file/S"), 1);
    QFile file(path("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    storeLibrary({ stranded });
    reopen();
    EXPECT_TRUE(store().duplicateProject(stranded.id, nullptr).error().is(ProjectLibraryError::folderCreateFailed));
}

TEST_F(ProjectOperationsTest, ImportReadsTheMetadataFileOrFallsBackToTheSettings)
{
    settings_->setProjectFormat(CaptureFormat::hd720p50);
    settings_->setProjectOutputColorMode(ProjectOutputColorMode::rec2020HLG);
    const QString bare = makeFolder("bare");
    const auto plain = store().importProject(bare + "/./", &recorder_);
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(plain->name, "bare");
    EXPECT_EQ(plain->folderPath, bare);
    EXPECT_EQ(plain->formatRaw, "hd720p50");
    EXPECT_EQ(plain->colorSpaceRaw, "rec2020");
    EXPECT_EQ(plain->lastOpenedAt, ReferenceDate { clock_ });
    EXPECT_EQ(metadataIn(bare)->id, ProjectInfo::idString(plain->id));
    EXPECT_TRUE(store().importProject(bare, nullptr).error().is(ProjectLibraryError::projectAlreadyImported));
    EXPECT_TRUE(store().importProject(path("none"), nullptr).error().is(ProjectLibraryError::folderCreateFailed));

    // A cloud project's file imports as local, without its Drive folder; a renamed file is read too.
    const QString foreign = makeFolder("foreign");
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(CORVALE_PROJECTS_TEST_DATA "/metadata-foreign.json"), foreign + "/backup.json"));
    const auto imported = store().importProject(foreign, nullptr, foreign + "/backup.json");
    ASSERT_TRUE(imported.ok());
    EXPECT_EQ(ProjectInfo::idString(imported->id), "5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D");
    EXPECT_EQ(imported->name, "Foreign");
    EXPECT_EQ(imported->outputColorModeRaw, "p3D65PQ");
    EXPECT_EQ(imported->createdAt, ReferenceDate { 12.25 });
    EXPECT_EQ(imported->storageRaw, "local");
    EXPECT_EQ(imported->cloudFolderID, std::nullopt);
    const auto written = metadataIn(foreign);
    EXPECT_EQ(written->storageRaw, "local");
    EXPECT_EQ(written->driveFolderID, std::nullopt);
    EXPECT_EQ(store().currentProjectID(), imported->id);

    // The same identifier from another folder: refused while the first folder is there...
    const QString again = makeFolder("again");
    ASSERT_TRUE(QFile::copy(foreign + "/.corvale_project.json", again + "/.corvale_project.json"));
    EXPECT_TRUE(store().importProject(again, nullptr).error().is(ProjectLibraryError::projectAlreadyImported));
    // ...and replacing the stale record once it is gone.
    ASSERT_TRUE(QDir(foreign).removeRecursively());
    const auto moved = store().importProject(again, nullptr);
    ASSERT_TRUE(moved.ok());
    EXPECT_EQ(moved->id, imported->id);
    EXPECT_EQ(std::count_if(store().projects().cbegin(), store().projects().cend(),
                  [&](const ProjectInfo& p) { return p.id == moved->id; }),
        1);
}

TEST_F(ProjectOperationsTest, SettingsChangesFollowTheCurrentProjectOnly)
{
    settings_->setProjectFormat(CaptureFormat::hd1080p24); // nothing current: nothing happens
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::projectsKey));

    const ProjectInfo a = created("A");
    const ProjectInfo b = created("B");
    settings_->setProjectFormat(CaptureFormat::uhd2160p50);
    EXPECT_EQ(store().currentProject()->formatRaw, "uhd2160p50");
    EXPECT_EQ(metadataIn(b.folderPath)->formatRaw, "uhd2160p50");
    EXPECT_EQ(ProjectInfo::decodeList(*defaults_->dataForKey(ProjectLibraryStore::projectsKey))->first().formatRaw,
        "uhd2160p50");
    settings_->setRecordingFolderPath(std::nullopt);
    EXPECT_EQ(store().currentProject()->folderPath, b.folderPath);

    // Opening A while B is current pushes A's values; none of them lands in B or B's folder.
    store().openProject(store().projects().at(1), nullptr);
    EXPECT_EQ(metadataIn(b.folderPath)->id, ProjectInfo::idString(b.id));
    EXPECT_EQ(metadataIn(a.folderPath)->id, ProjectInfo::idString(a.id));
    EXPECT_EQ(store().projects().at(1).formatRaw, "uhd2160p50");
    EXPECT_EQ(store().currentProject()->formatRaw, "hd1080p2997");

    // A recording folder that is another project's is not taken; one of its own is.
    settings_->setRecordingFolderPath(b.folderPath);
    EXPECT_EQ(store().currentProject()->folderPath, a.folderPath);
    EXPECT_EQ(metadataIn(b.folderPath)->id, ProjectInfo::idString(b.id));
    const QString moved = makeFolder("moved");
    settings_->setRecordingFolderPath(" " + moved + "\n");
    EXPECT_EQ(store().currentProject()->folderPath, moved);
    EXPECT_EQ(metadataIn(moved)->id, ProjectInfo::idString(a.id));
}

TEST(ProjectFolderNames, AreOnePathComponentOfAtMost255Bytes)
{
    const struct {
        QString name;
        QString folder;
    } cases[] = {
        { "A/B:C", "A-B-C" },
        { R"(a\b?c%d*e|f"g<h>i)", "a-b-c-d-e-f-g-h-i" },
        { "//x//", "x" },
        { "  x  ", "  x  " },
        { "", "Project" },
        { ".", "Project" },
        { "..", "Project" },
        { "/../", "Project" },
        { QString("a") + QChar(0) + "b", "ab" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProjectLibraryStore::sanitizedFolderName(c.name), c.folder) << c.name.toStdString();

    // "é" as e + combining accent: three bytes a character, never split.
    const QString accented = QString("e") + QChar(0x0301);
    const QString cut = ProjectLibraryStore::sanitizedFolderName(accented.repeated(100));
    EXPECT_EQ(cut, accented.repeated(85));
    EXPECT_EQ(ProjectLibraryStore::sanitizedFolderName(QString(300, 'x')).size(), 255);

    // A long base name keeps the number that makes it unique.
    QTemporaryDir dir;
    const QString base(255, 'x');
    ASSERT_TRUE(QDir(dir.path()).mkdir(base));
    const auto next = ProjectLibraryStore::uniqueProjectFolder(dir.path(), base);
    EXPECT_EQ(next.name, base + " 2");
    EXPECT_EQ(QFileInfo(next.path).fileName(), QString(253, 'x') + " 2");
    EXPECT_EQ(ProjectLibraryStore::uniqueProjectFolder(dir.path(), " ").name, "Project Copy");
}

} // namespace
} // namespace projects::test
