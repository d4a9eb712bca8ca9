#include "ProjectTestSupport.h"

#include <QDir>

namespace projects::test {

ProjectInfo makeProject(const QUuid& id, const QString& name, const QString& folderPath, double createdAt)
{
    return ProjectInfo {
        .id = id,
        .name = name,
        .folderPath = folderPath,
        .folderBookmarkData = std::nullopt,
        .formatRaw = "hd1080p25",
        .colorSpaceRaw = "rec709",
        .outputColorModeRaw = "rec709",
        .storageRaw = "local",
        .cloudFolderID = std::nullopt,
        .createdAt = { createdAt },
        .lastOpenedAt = std::nullopt,
    };
}

LibraryTest::LibraryTest()
{
    defaults_ = std::make_unique<platform::UserDefaults>(path("defaults.json"));
    settings_ = std::make_unique<settings::AppSettings>(*defaults_);
}

LibraryTest::~LibraryTest() = default;

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

QString LibraryTest::makeFolder(const QString& relative)
{
    EXPECT_TRUE(QDir().mkpath(path(relative))) << relative.toStdString();
    return path(relative);
}

std::optional<ProjectMetadata> LibraryTest::metadataIn(const QString& folder) const
{
    auto metadata = ProjectMetadata::readFile(QDir(folder).filePath(ProjectLibraryStore::projectMetadataFilename));
    return metadata ? std::optional(metadata.value()) : std::nullopt;
}

} // namespace projects::test
