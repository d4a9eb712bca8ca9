// The library's start-up, normalisation and persistence in a private user-defaults file.

#include "ProjectTestSupport.h"

#include <QSignalSpy>

namespace projects::test {
namespace {

using ProjectLibraryStoreTest = LibraryTest;

QList<QUuid> ids(const QList<ProjectInfo>& projects)
{
    QList<QUuid> result;
    for (const auto& project : projects)
        result.append(project.id);
    return result;
}

TEST_F(ProjectLibraryStoreTest, AFirstStartWritesNothing)
{
    EXPECT_TRUE(store().projects().isEmpty());
    EXPECT_EQ(store().currentProjectID(), std::nullopt);
    EXPECT_FALSE(store().isLibraryPresented());
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::projectsKey));
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::currentKey));
    store().presentOnLaunch();
    EXPECT_TRUE(store().isLibraryPresented());
}

TEST_F(ProjectLibraryStoreTest, TheLibrarySurvivesARelaunch)
{
    ASSERT_TRUE(store().createProject("One", path("p"), settings::CaptureFormat::hd720p50, ProjectStorageType::local,
        settings::ProjectOutputColorMode::rec2020PQ, nullptr));
    const auto two = store().createProject("Two", path("p"), settings::CaptureFormat::uhd2160p25,
        ProjectStorageType::cloud, settings::ProjectOutputColorMode::p3D65PQ, nullptr);
    ASSERT_TRUE(two.ok());
    const QList<ProjectInfo> before = store().projects();

    defaults_ = std::make_unique<platform::UserDefaults>(path("defaults.json")); // read the file again
    settings_ = std::make_unique<settings::AppSettings>(*defaults_);
    reopen();
    EXPECT_EQ(store().projects(), before);
    EXPECT_EQ(store().currentProjectID(), two->id);
    EXPECT_EQ(defaults_->stringForKey(ProjectLibraryStore::currentKey), ProjectInfo::idString(two->id));
    EXPECT_EQ(ProjectInfo::idString(two->id), ProjectInfo::idString(two->id).toUpper());

    // No current project: the entry goes at the next save.
    ASSERT_TRUE(store().deleteProject(two->id));
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::currentKey));
}

TEST_F(ProjectLibraryStoreTest, AnUnreadableListIsKeptAsideBeforeAnythingOverwritesIt)
{
    const QList<QByteArray> unreadable {
        R"([{"id":"5A0B3C4D-1E2F-4A5B-8C6D-7E8F9A0B1C2D","name":"no createdAt","folderPath":"/a","formatRaw":"x","colorSpaceRaw":"rec709"}])",
        "[{", // not JSON
    };
    for (const QByteArray& stored : unreadable) {
        defaults_->set(ProjectLibraryStore::projectsKey, stored);
        defaults_->remove(ProjectLibraryStore::unreadableProjectsKey);
        reopen();
        EXPECT_TRUE(store().projects().isEmpty());
        ASSERT_TRUE(store().createProject(QUuid::createUuid().toString(QUuid::Id128), path("p"),
            settings::CaptureFormat::hd1080p25, ProjectStorageType::local, settings::ProjectOutputColorMode::rec709,
            nullptr));
        EXPECT_EQ(defaults_->dataForKey(ProjectLibraryStore::unreadableProjectsKey), stored);
        EXPECT_EQ(ProjectInfo::decodeList(*defaults_->dataForKey(ProjectLibraryStore::projectsKey))->size(), 1);
    }
}

TEST_F(ProjectLibraryStoreTest, NormalisationKeepsTheMostRecentOfEachIdentityAndCloudFolder)
{
    const QUuid shared = QUuid::createUuid();
    ProjectInfo older = makeProject(shared, "older", "/a", 10);
    ProjectInfo newer = makeProject(shared, "newer", "/b", 5);
    newer.lastOpenedAt = ReferenceDate { 20 };
    auto cloud = [](const char* name, double created, const char* storage) {
        ProjectInfo project = makeProject(QUuid::createUuid(), name, "/c", created);
        project.storageRaw = storage;
        project.cloudFolderID = QString(); // an empty folder identifier is an identifier too
        return project;
    };
    const ProjectInfo cloudOld = cloud("cloud old", 1, "cloud");
    const ProjectInfo cloudNew = cloud("cloud new", 2, "cloud");
    const ProjectInfo localA = cloud("local a", 3, "local");
    const ProjectInfo localB = cloud("local b", 3, "tape"); // equal key: keeps its place after localA
    storeLibrary({ older, cloudOld, localA, localB, cloudNew, newer });

    QSignalSpy persisted(&store(), &ProjectLibraryStore::projectsChanged);
    EXPECT_EQ(ids(store().projects()), (QList<QUuid> { shared, localA.id, localB.id, cloudNew.id }));
    EXPECT_EQ(store().projects().first().name, "newer");
    EXPECT_EQ(store().projects().at(2).storageRaw, "tape");
    // Persisted because it changed; the most recent became current but that is not saved.
    EXPECT_EQ(
        ProjectInfo::decodeList(*defaults_->dataForKey(ProjectLibraryStore::projectsKey)).value(), store().projects());
    EXPECT_EQ(store().currentProjectID(), shared);
    EXPECT_FALSE(defaults_->contains(ProjectLibraryStore::currentKey));

    // Normalising a normal list changes nothing but still announces the list.
    EXPECT_FALSE(store().normalizeProjects());
    EXPECT_EQ(persisted.count(), 1);
}

TEST_F(ProjectLibraryStoreTest, AStartChoosesACurrentProjectWithoutSavingTheChoice)
{
    const ProjectInfo a = makeProject(QUuid::createUuid(), "a", "/a", 1);
    ProjectInfo b = makeProject(QUuid::createUuid(), "b", "/b", 2);
    b.lastOpenedAt = ReferenceDate { 3 };
    // A stored current identifier that names no record: the first record, in memory only.
    const QUuid gone = QUuid::createUuid();
    storeLibrary({ b, a }, gone);
    EXPECT_EQ(store().currentProjectID(), b.id);
    EXPECT_EQ(defaults_->stringForKey(ProjectLibraryStore::currentKey), ProjectInfo::idString(gone));

    // No stored identifier: the most recent; the loaded order stays.
    defaults_->remove(ProjectLibraryStore::currentKey);
    storeLibrary({ b, a });
    defaults_->set(ProjectLibraryStore::currentKey, "not an id");
    reopen();
    EXPECT_EQ(store().currentProjectID(), b.id);
    EXPECT_EQ(ids(store().projects()), (QList<QUuid> { b.id, a.id }));
}

} // namespace
} // namespace projects::test
