#pragma once

// The rules that turn the library into the list the library screen shows for one storage kind,
// and that resolve the screen's selected identifier to a record of that list. Both compare storage
// kinds and identifiers only, keep the library's order (most recent first) and are recomputed on
// every call; cost is linear in the number of projects.

#include "projects/ProjectInfo.h"
#include "projects/ProjectStorageType.h"

#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

namespace projects {

// What the rules read of cloud sync.
struct CloudListState {
    bool isSignedIn = false;
    bool cloudListLoaded = false; // the Drive project list has been loaded at least once
    QSet<QUuid> cloudProjectIDs; // the projects found in Drive
};

class ProjectListFilter {
public:
    // Local: every record whose storage kind is local, duplicates included. Cloud: nothing until
    // cloud sync is signed in and has loaded its list; then the cloud records Drive reported, each
    // identifier once (the first, most recent, occurrence).
    static QList<ProjectInfo> filteredProjects(
        const QList<ProjectInfo>& projects, ProjectStorageType storageFilter, const CloudListState& cloud);

    // The first listed record with the selected identifier; none without a selection or when the
    // filter hides it.
    static std::optional<ProjectInfo> selectedProject(const QList<ProjectInfo>& projects,
        ProjectStorageType storageFilter, const CloudListState& cloud, const std::optional<QUuid>& selection);
};

} // namespace projects
