// Which records the library screen lists for each storage kind.

#include "ProjectTestSupport.h"

#include "projects/ProjectListFilter.h"

namespace projects::test {
namespace {

ProjectInfo record(const char* name, const char* storage, const QUuid& id = QUuid::createUuid())
{
    ProjectInfo project = makeProject(id, name, QString("/") + name, 1);
    project.storageRaw = storage;
    return project;
}

QStringList names(const QList<ProjectInfo>& projects)
{
    QStringList result;
    for (const auto& project : projects)
        result << project.name;
    return result;
}

TEST(ProjectListFilterTest, ListsOneStorageKindInLibraryOrder)
{
    const QUuid twice = QUuid::createUuid();
    const QUuid localTwice = QUuid::createUuid();
    const QList<ProjectInfo> library {
        record("c1", "cloud", twice),
        record("l1", "local", localTwice),
        record("t1", "tape"),
        record("c2", "cloud", twice),
        record("c3", "cloud"), // not found in Drive
        record("l2", "local", localTwice),
        record("c4", "Cloud"),
    };
    const QSet<QUuid> inDrive { twice, library.at(6).id };
    const struct {
        ProjectStorageType filter;
        CloudListState cloud;
        QStringList expected;
    } cases[] = {
        { ProjectStorageType::local, {}, { "l1", "t1", "l2", "c4" } },
        { ProjectStorageType::cloud, { false, true, inDrive }, {} },
        { ProjectStorageType::cloud, { true, false, inDrive }, {} },
        { ProjectStorageType::cloud, { true, true, inDrive }, { "c1" } },
        { ProjectStorageType::cloud, { true, true, { library.at(4).id } }, { "c3" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(names(ProjectListFilter::filteredProjects(library, c.filter, c.cloud)), c.expected);
}

} // namespace
} // namespace projects::test
