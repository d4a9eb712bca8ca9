// The library's start-up, normalisation and persistence in a private user-defaults file.

#include "ProjectTestSupport.h"

#include <QSignalSpy>

namespace projects::test {
namespace {

using ProjectLibraryStoreTest = LibraryTest;

TEST_F(ProjectLibraryStoreTest, AFirstStartWritesNothingAndTheLibrarySurvivesARelaunch)
{
    EXPECT_EQ(store().currentProjectID(), std::nullopt);
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::projectsKey));
    ASSERT_TRUE(store().createProject("One", path("p"), settings::CaptureFormat::hd720p50, ProjectStorageType::local,
        settings::ProjectOutputColorMode::rec2020PQ, nullptr));
    const auto two = store().createProject("Two", path("p"), settings::CaptureFormat::uhd2160p25,
        ProjectStorageType::cloud, settings::ProjectOutputColorMode::p3D65PQ, nullptr);
    const QList<ProjectInfo> before = store().projects();

    defaults_ = std::make_unique<platform::UserDefaults>(path("defaults.json")); // the file as written
    settings_ = std::make_unique<settings::AppSettings>(*defaults_);
    reopen();
    EXPECT_EQ(store().projects(), before);
    EXPECT_EQ(store().currentProjectID(), two->id);
    EXPECT_EQ(
        defaults_->stringForKey(ProjectLibraryStore::currentKey), two->id.toString(QUuid::WithoutBraces).toUpper());
    ASSERT_TRUE(store().deleteProject(two->id));
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::currentKey));
}

TEST_F(ProjectLibraryStoreTest, AnUnreadableListIsKeptAsideBeforeAnythingOverwritesIt)
{
    for (const QByteArray& stored : { QByteArray(R"([{"id":"5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D","name":"no date",)"
                                                 R"("folderPath":"/a","formatRaw":"x","colorSpaceRaw":"rec709"}])"),
             QByteArray("[{") }) {
        defaults_->set(ProjectLibraryStore::projectsKey, stored);
        reopen();
        EXPECT_TRUE(store().projects().isEmpty());
        ASSERT_TRUE(store().createProject(QUuid::createUuid().toString(QUuid::Id128), path("p"),
            settings::CaptureFormat::hd1080p25, ProjectStorageType::local, settings::ProjectOutputColorMode::rec709,
            nullptr));
        EXPECT_EQ(defaults_->dataForKey(ProjectLibraryStore::unreadableProjectsKey), stored);
        EXPECT_EQ(storedLibrary().size(), 1);
    }
}

TEST_F(ProjectLibraryStoreTest, NormalisationKeepsTheMostRecentOfEachIdentityAndCloudFolder)
{
    const QUuid shared = QUuid::createUuid();
    const ProjectInfo older = makeProject(shared, "older", "/a", 10);
    ProjectInfo newer = makeProject(shared, "newer", "/b", 5);
    newer.lastOpenedAt = ReferenceDate { 20 };
    auto withCloudFolder = [](const char* name, double created, const char* storage) {
        ProjectInfo project = makeProject(QUuid::createUuid(), name, "/c", created);
        project.storageRaw = storage;
        project.cloudFolderID = QString(); // an empty folder identifier is one like any other
        return project;
    };
    const ProjectInfo cloudOld = withCloudFolder("cloud old", 1, "cloud");
    const ProjectInfo cloudNew = withCloudFolder("cloud new", 2, "cloud");
    const ProjectInfo localA = withCloudFolder("local a", 3, "local");
    const ProjectInfo localB = withCloudFolder("local b", 3, "tape"); // equal key: stays after localA
    storeLibrary({ older, cloudOld, localA, localB, cloudNew, newer });

    QSignalSpy announced(&store(), &ProjectLibraryStore::projectsChanged);
    EXPECT_EQ(store().projects(), (QList<ProjectInfo> { newer, localA, localB, cloudNew }));
    EXPECT_EQ(storedLibrary(), store().projects()); // changed, so persisted
    EXPECT_FALSE(store().normalizeProjects());
    EXPECT_EQ(announced.count(), 1); // announced even without a change
}

} // namespace
} // namespace projects::test
