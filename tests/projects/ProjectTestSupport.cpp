#include "ProjectTestSupport.h"

#include <QDir>

namespace projects::test {

ProjectInfo makeProject(const QUuid& id, const QString& name, const QString& folderPath, double createdAt)
{
    return ProjectInfo { id, name, folderPath, std::nullopt, "hd1080p25", "rec709", "rec709", "local", std::nullopt,
        { createdAt }, std::nullopt };
}

LibraryTest::LibraryTest()
    : defaults_(std::make_unique<platform::UserDefaults>(path("defaults.json")))
    , settings_(std::make_unique<settings::AppSettings>(*defaults_))
{
}

ProjectLibraryStore& LibraryTest::store()
{
    if (!store_)
        reopen();
    return *store_;
}

void LibraryTest::reopen()
{
    store_.reset();
    ProjectLibraryStore::Services services;
    services.now = [this] { return ReferenceDate { clock_ += 1 }; };
    services.cloudProjectsRoot = cloudRoot();
    store_ = std::make_unique<ProjectLibraryStore>(*settings_, *defaults_, std::move(services));
}

void LibraryTest::storeLibrary(const QList<ProjectInfo>& projects, const std::optional<QUuid>& current)
{
    defaults_->set(ProjectLibraryStore::projectsKey, ProjectInfo::encodeList(projects));
    if (current)
        defaults_->set(ProjectLibraryStore::currentKey, ProjectInfo::idString(*current));
}

QList<ProjectInfo> LibraryTest::storedLibrary() const
{
    return ProjectInfo::decodeList(defaults_->dataForKey(ProjectLibraryStore::projectsKey).value_or("")).valueOr({});
}

QString LibraryTest::makeFolder(const QString& relative)
{
    EXPECT_TRUE(QDir().mkpath(path(relative)));
    return path(relative);
}

std::optional<ProjectMetadata> LibraryTest::metadataIn(const QString& folder) const
{
    auto metadata = ProjectMetadata::readFile(QDir(folder).filePath(ProjectLibraryStore::projectMetadataFilename));
    return metadata ? std::optional(metadata.value()) : std::nullopt;
}

} // namespace projects::test
