// The records cloud sync keeps in the library: upserts from Drive metadata and Drive folder ids.

#include "ProjectTestSupport.h"

#include <QDir>
#include <QSignalSpy>

namespace projects::test {
namespace {

class ProjectCloudRecordsTest : public LibraryTest {
protected:
    static ProjectMetadata metadata(const QString& id, const QString& name, const QString& folderName = QString())
    {
        return ProjectMetadata { .id = id,
            .name = name,
            .formatRaw = "hd1080p50",
            .colorSpaceRaw = "rec2020",
            .outputColorModeRaw = std::nullopt,
            .storageRaw = "local",
            .driveFolderID = QStringLiteral("ignored"),
            .createdAt = { 100 },
            .lastOpenedAt = std::nullopt,
            .folderName = folderName.isEmpty() ? name : folderName };
    }
    ProjectInfo cloudRecord(const QString& name, const QString& folderID, const char* storage = "cloud")
    {
        ProjectInfo project = makeProject(QUuid::createUuid(), name, cloudRoot() + "/" + name, 50);
        project.storageRaw = storage;
        project.cloudFolderID = folderID;
        project.lastOpenedAt = ReferenceDate { 60 };
        return project;
    }
};

TEST_F(ProjectCloudRecordsTest, ANewDriveProjectGetsARecordAndAWorkingFolder)
{
    const QUuid id = QUuid::createUuid();
    const ProjectInfo stored = store().upsertCloudProject(metadata(ProjectInfo::idString(id), "Spot"), "drive-1", "x");
    EXPECT_EQ(stored.id, id);
    EXPECT_EQ(stored.storageRaw, "cloud");
    EXPECT_EQ(stored.cloudFolderID, "drive-1");
    EXPECT_EQ(stored.outputColorModeRaw, "rec2020");
    EXPECT_EQ(stored.colorSpaceRaw, "rec2020");
    EXPECT_EQ(stored.lastOpenedAt, std::nullopt);
    EXPECT_EQ(stored.folderPath, cloudRoot() + "/Spot");
    EXPECT_EQ(store().projects(), QList<ProjectInfo> { stored });
    EXPECT_EQ(store().currentProjectID(), std::nullopt);
    const auto file = metadataIn(stored.folderPath);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->driveFolderID, "drive-1");
    EXPECT_EQ(file->storageRaw, "cloud");
    EXPECT_EQ(file->id, ProjectInfo::idString(id));

    // An empty folder name takes the Drive folder's; forbidden characters only give "Project".
    EXPECT_EQ(
        store().upsertCloudProject(metadata("abc", "N", "?"), "drive-2", "").folderPath, cloudRoot() + "/Project");
    ProjectMetadata unnamed = metadata("abc", "M");
    unnamed.folderName.clear();
    EXPECT_EQ(store().upsertCloudProject(unnamed, "drive-3", "From Drive").folderPath, cloudRoot() + "/From Drive");
}

TEST_F(ProjectCloudRecordsTest, RecordsAreMatchedByIdThenByCloudFolder)
{
    const ProjectInfo byID = cloudRecord("ById", "old-folder", "local");
    const ProjectInfo byFolder = cloudRecord("ByFolder", "drive-f");
    const ProjectInfo localTwin = cloudRecord("LocalTwin", "drive-l", "local");
    storeLibrary({ byID, byFolder, localTwin });

    // By identifier: becomes a cloud record of the new folder; its last-opened stamp stays.
    const ProjectInfo updated
        = store().upsertCloudProject(metadata(ProjectInfo::idString(byID.id), "Renamed"), "drive-new", "");
    EXPECT_EQ(updated.id, byID.id);
    EXPECT_EQ(updated.name, "Renamed");
    EXPECT_EQ(updated.storageRaw, "cloud");
    EXPECT_EQ(updated.cloudFolderID, "drive-new");
    EXPECT_EQ(updated.lastOpenedAt, ReferenceDate { 60 });
    EXPECT_EQ(updated.createdAt, ReferenceDate { 100 });

    // An id that does not parse keeps the folder's record identity; one that parses replaces it.
    EXPECT_EQ(store().upsertCloudProject(metadata("abc", "ByFolder"), "drive-f", "").id, byFolder.id);
    const QUuid fresh = QUuid::createUuid();
    EXPECT_EQ(store().upsertCloudProject(metadata(ProjectInfo::idString(fresh), "ByFolder"), "drive-f", "").id, fresh);
    EXPECT_EQ(store().projects().size(), 3);

    // A local record holding the folder id is never matched.
    const ProjectInfo added = store().upsertCloudProject(metadata("abc", "LocalTwin"), "drive-l", "");
    EXPECT_NE(added.id, localTwin.id);
    EXPECT_EQ(store().projects().size(), 4);
}

TEST_F(ProjectCloudRecordsTest, TwoProjectsWithOneNameGetFoldersOfTheirOwn)
{
    const ProjectInfo first = store().upsertCloudProject(metadata("abc", "Same"), "drive-1", "");
    const ProjectInfo second = store().upsertCloudProject(metadata("abc", "Same"), "drive-2", "");
    EXPECT_NE(first.id, second.id);
    EXPECT_EQ(first.folderPath, cloudRoot() + "/Same");
    EXPECT_EQ(second.folderPath, cloudRoot() + "/Same " + ProjectInfo::idString(second.id).left(8));
    EXPECT_EQ(metadataIn(first.folderPath)->id, ProjectInfo::idString(first.id));
    EXPECT_EQ(metadataIn(second.folderPath)->id, ProjectInfo::idString(second.id));
    // Later upserts keep each where it is.
    EXPECT_EQ(store().upsertCloudProject(metadata("abc", "Same"), "drive-2", "").folderPath, second.folderPath);
    EXPECT_EQ(store().upsertCloudProject(metadata("abc", "Same"), "drive-1", "").folderPath, first.folderPath);
}

TEST_F(ProjectCloudRecordsTest, DriveFolderIdsAreStoredOnlyWhenTheyChange)
{
    const ProjectInfo project = cloudRecord("P", "drive-1");
    QDir().mkpath(project.folderPath);
    storeLibrary({ project });
    QSignalSpy changes(&store(), &ProjectLibraryStore::projectsChanged);
    store().updateCloudFolderID(project.id, "drive-1");
    store().updateCloudFolderID(QUuid::createUuid(), "drive-2");
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(metadataIn(project.folderPath));

    store().updateCloudFolderID(project.id, "drive-2");
    EXPECT_EQ(store().projects().first().cloudFolderID, "drive-2");
    EXPECT_EQ(metadataIn(project.folderPath)->driveFolderID, "drive-2");
    EXPECT_EQ(ProjectInfo::decodeList(*defaults_->dataForKey(ProjectLibraryStore::projectsKey))->first().cloudFolderID,
        "drive-2");
}

} // namespace
} // namespace projects::test
