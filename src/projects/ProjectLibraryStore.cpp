#include "projects/ProjectLibraryStore.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

namespace projects {

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

ReferenceDate recencyKey(const ProjectInfo& project)
{
    return project.lastOpenedAt.value_or(project.createdAt);
}

} // namespace

ProjectLibraryStore::ProjectLibraryStore(
    settings::AppSettings& settings, platform::UserDefaults& defaults, Services services, QObject* parent)
    : QObject(parent)
    , settings_(settings)
    , defaults_(defaults)
    , services_(std::move(services))
{
    load();
    if (normalizeProjects())
        persist();
    // Something is open from the start when the library has anything; this choice is not saved.
    if (!currentProjectID_ && !projects_.isEmpty()) {
        QList<ProjectInfo> sorted = projects_;
        std::stable_sort(sorted.begin(), sorted.end(), sortByRecent);
        setCurrentProjectID(sorted.first().id);
    }
    observeAppSettings();
}

ProjectLibraryStore::ProjectLibraryStore(
    settings::AppSettings& settings, platform::UserDefaults& defaults, QObject* parent)
    : ProjectLibraryStore(settings, defaults, Services {}, parent)
{
}

ProjectLibraryStore::~ProjectLibraryStore() = default;

ProjectLibraryStore& ProjectLibraryStore::shared()
{
    static ProjectLibraryStore* const instance = [] {
        auto* store = new ProjectLibraryStore(settings::AppSettings::shared(), platform::UserDefaults::standard());
        if (auto* app = QCoreApplication::instance(); app && store->thread() != app->thread())
            store->moveToThread(app->thread());
        return store;
    }();
    return *instance;
}

void ProjectLibraryStore::setProjects(QList<ProjectInfo> projects)
{
    Q_ASSERT(platform::isMainThread());
    projects_ = std::move(projects);
    emit projectsChanged(projects_);
}

void ProjectLibraryStore::setCurrentProjectID(const std::optional<QUuid>& id)
{
    Q_ASSERT(platform::isMainThread());
    currentProjectID_ = id;
    emit currentProjectIDChanged(currentProjectID_);
}

void ProjectLibraryStore::setLibraryPresented(bool presented)
{
    Q_ASSERT(platform::isMainThread());
    isLibraryPresented_ = presented;
    emit isLibraryPresentedChanged(presented);
}

void ProjectLibraryStore::presentOnLaunch()
{
    setLibraryPresented(true);
}

std::optional<ProjectInfo> ProjectLibraryStore::currentProject() const
{
    if (!currentProjectID_)
        return std::nullopt;
    const qsizetype index = indexOf(*currentProjectID_);
    return index < 0 ? std::nullopt : std::optional(projects_.at(index));
}

qsizetype ProjectLibraryStore::indexOf(const QUuid& id) const
{
    const auto found = std::find_if(
        projects_.cbegin(), projects_.cend(), [&id](const ProjectInfo& project) { return project.id == id; });
    return found == projects_.cend() ? -1 : found - projects_.cbegin();
}

void ProjectLibraryStore::load()
{
    QList<ProjectInfo> loaded;
    const QVariant stored = defaults_.object(key(projectsKey));
    if (stored.isValid()) {
        const auto decoded = stored.typeId() == QMetaType::QByteArray
            ? ProjectInfo::decodeList(stored.toByteArray())
            : platform::Result<QList<ProjectInfo>, JsonDecodeError>(
                platform::fail(JsonDecodeError { JsonDecodeError::Kind::notAnObject, {}, -1 }));
        if (decoded) {
            loaded = *decoded;
        } else {
            // The library starts empty, and its next save would destroy the only copy.
            defaults_.set(key(unreadableProjectsKey), stored);
            dlog("⚠️ [Projects] Stored project list unreadable (record", decoded.error().index, "key",
                decoded.error().key, "); kept under", unreadableProjectsKey);
        }
    }
    setProjects(std::move(loaded));

    const auto current = defaults_.stringForKey(key(currentKey));
    setCurrentProjectID(current ? ProjectInfo::idFromString(*current) : std::nullopt);
}

bool ProjectLibraryStore::normalizeProjects()
{
    const QList<ProjectInfo> before = projects_;
    QList<ProjectInfo> sorted = projects_;
    std::stable_sort(sorted.begin(), sorted.end(), sortByRecent);

    QList<ProjectInfo> result;
    QSet<QUuid> seenIDs;
    QSet<QString> seenCloudFolders;
    for (const auto& project : sorted) {
        if (seenIDs.contains(project.id))
            continue;
        if (project.storage() == ProjectStorageType::cloud && project.cloudFolderID) {
            if (seenCloudFolders.contains(*project.cloudFolderID))
                continue;
            seenCloudFolders.insert(*project.cloudFolderID);
        }
        seenIDs.insert(project.id);
        result.append(project);
    }
    setProjects(std::move(result));

    if (currentProjectID_ && indexOf(*currentProjectID_) < 0)
        setCurrentProjectID(projects_.isEmpty() ? std::nullopt : std::optional(projects_.first().id));
    return projects_ != before;
}

void ProjectLibraryStore::persist()
{
    defaults_.set(key(projectsKey), ProjectInfo::encodeList(projects_));
    if (currentProjectID_)
        defaults_.set(key(currentKey), ProjectInfo::idString(*currentProjectID_));
    else
        defaults_.remove(key(currentKey));
}

bool ProjectLibraryStore::sortByRecent(const ProjectInfo& a, const ProjectInfo& b)
{
    return recencyKey(a) > recencyKey(b);
}

std::optional<QByteArray> ProjectLibraryStore::makeBookmark(const QString& folderPath) const
{
    return services_.makeBookmark ? services_.makeBookmark(folderPath) : std::nullopt;
}

ReferenceDate ProjectLibraryStore::now() const
{
    return services_.now ? services_.now() : ReferenceDate::now();
}

} // namespace projects
