// The records cloud sync keeps in the library: upserts from Drive metadata and Drive folder ids.

#include "ProjectTestSupport.h"

namespace projects::test {
namespace {

class ProjectCloudRecordsTest : public LibraryTest {
protected:
    static ProjectMetadata metadata(const QString& id, const QString& name, const QString& folderName = QString())
    {
        return { id, name, "hd1080p50", "rec2020", std::nullopt, "local", QStringLiteral("ignored"), { 100 },
            std::nullopt, folderName.isEmpty() ? name : folderName };
    }
    ProjectInfo record(const QString& name, const QString& folderID, const char* storage = "cloud")
    {
        ProjectInfo project = makeProject(QUuid::createUuid(), name, cloudRoot() + "/" + name, 50);
        project.storageRaw = storage;
        project.cloudFolderID = folderID;
        project.lastOpenedAt = ReferenceDate { 60 };
        return project;
    }
    ProjectInfo upsert(const QString& id, const QString& name, const QString& folderID)
    {
        return store().upsertCloudProject(metadata(id, name), folderID, "");
    }
};

TEST_F(ProjectCloudRecordsTest, ANewDriveProjectGetsARecordAndAWorkingFolder)
{
    const QUuid id = QUuid::createUuid();
    const ProjectInfo stored = upsert(ProjectInfo::idString(id), "Spot", "drive-1");
    EXPECT_EQ(stored,
        (ProjectInfo { id, "Spot", cloudRoot() + "/Spot", std::nullopt, "hd1080p50", "rec2020", "rec2020", "cloud",
            QStringLiteral("drive-1"), { 100 }, std::nullopt }));
    EXPECT_EQ(store().projects(), QList<ProjectInfo> { stored });
    EXPECT_EQ(store().currentProjectID(), std::nullopt);
    const auto file = metadataIn(stored.folderPath);
    EXPECT_EQ(std::tuple(file->id, file->storageRaw, file->driveFolderID),
        std::tuple(ProjectInfo::idString(id), QString("cloud"), std::optional<QString>("drive-1")));
}

TEST_F(ProjectCloudRecordsTest, RecordsAreMatchedByIdThenByCloudFolder)
{
    const ProjectInfo byID = record("ById", "old-folder", "local");
    const ProjectInfo byFolder = record("ByFolder", "drive-f");
    const ProjectInfo localTwin = record("LocalTwin", "drive-l", "local");
    storeLibrary({ byID, byFolder, localTwin });

    // By identifier: a cloud record of the new folder; its last-opened stamp stays.
    const ProjectInfo updated = upsert(ProjectInfo::idString(byID.id), "Renamed", "drive-new");
    EXPECT_EQ(std::tuple(updated.id, updated.name, updated.storageRaw, updated.cloudFolderID),
        std::tuple(byID.id, QString("Renamed"), QString("cloud"), std::optional<QString>("drive-new")));
    EXPECT_EQ(std::tuple(updated.lastOpenedAt, updated.createdAt),
        std::tuple(std::optional(ReferenceDate { 60 }), ReferenceDate { 100 }));

    // An id that does not parse keeps the folder's record; one that parses becomes its identity,
    // and the record keeps its working folder.
    EXPECT_EQ(upsert("abc", "ByFolder", "drive-f").id, byFolder.id);
    const QUuid fresh = QUuid::createUuid();
    const ProjectInfo renamed = upsert(ProjectInfo::idString(fresh), "ByFolder", "drive-f");
    EXPECT_EQ(std::tuple(renamed.id, renamed.folderPath), std::tuple(fresh, byFolder.folderPath));
    EXPECT_EQ(store().projects().size(), 3);

    // A local record holding the folder id is never matched.
    EXPECT_NE(upsert("abc", "LocalTwin", "drive-l").id, localTwin.id);
    EXPECT_EQ(store().projects().size(), 4);
}

} // namespace
} // namespace projects::test
