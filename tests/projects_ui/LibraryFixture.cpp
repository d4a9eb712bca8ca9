#include "LibraryFixture.h"

#include "projects/ui/ProjectGrid.h"

#include <QDir>

namespace projects_ui {

projects::ProjectInfo LibraryFixture::record(
    const QString& name, projects::ProjectStorageType storage, double age, std::optional<QString> cloudFolderID)
{
    const QString folder = env.path(QStringLiteral("projects/") + name);
    QDir().mkpath(folder);
    projects::ProjectInfo info;
    info.id = QUuid::createUuid();
    info.name = name;
    info.folderPath = folder;
    info.formatRaw = QStringLiteral("hd1080p25");
    info.colorSpaceRaw = QStringLiteral("rec709");
    info.outputColorModeRaw = QStringLiteral("rec709");
    info.storageRaw = settings::toRaw(storage);
    info.cloudFolderID = std::move(cloudFolderID);
    info.createdAt = projects::ReferenceDate { clock - 1000 - age };
    return info;
}

void LibraryFixture::seed(const QList<projects::ProjectInfo>& projects, const std::optional<QUuid>& current)
{
    env.defaults->set(projects::ProjectLibraryStore::projectsKey, projects::ProjectInfo::encodeList(projects));
    if (current)
        env.defaults->set(projects::ProjectLibraryStore::currentKey, projects::ProjectInfo::idString(*current));
}

projects::ProjectLibraryStore& LibraryFixture::library()
{
    if (!store) {
        projects::ProjectLibraryStore::Services services;
        services.now = [this] { return projects::ReferenceDate { clock += 1 }; };
        services.cloudProjectsRoot = env.path(QStringLiteral("cloud"));
        store = std::make_unique<projects::ProjectLibraryStore>(*env.settings, *env.defaults, services);
    }
    return *store;
}

PlaybackHooks LibraryFixture::hooks()
{
    return PlaybackHooks {
        [this] {
            ++enters;
            selectionMode = true;
        },
        [this] {
            ++exits;
            selectionMode = false;
        },
        [this] { return selectionMode; },
    };
}

ProjectLibraryView& LibraryFixture::view()
{
    if (!screen) {
        screen = std::make_unique<ProjectLibraryView>(
            ProjectLibraryView::Environment { library(), nullptr, hooks(), cloud, *env.settings, dialogs, scheduler,
                env.path(QStringLiteral("Documents")), QLocale(QLocale::English, QLocale::UnitedStates) });
        screen->resize(900, 640);
        screen->show();
        QApplication::processEvents();
    }
    return *screen;
}

void LibraryFixture::signedInWith(const QList<QUuid>& ids)
{
    cloud.setIsSignedIn(true);
    cloud.setCloudListLoaded(true);
    cloud.setCloudProjectIDs(QSet<QUuid>(ids.begin(), ids.end()));
}

QStringList LibraryFixture::alertMessages() const
{
    QStringList messages;
    for (const auto& alert : dialogs.alerts())
        messages << alert.request.message;
    return messages;
}

QStringList LibraryFixture::listedNames()
{
    QStringList names;
    for (const auto& project : view().grid()->projects())
        names << project.name;
    return names;
}

} // namespace projects_ui
