#pragma once

// Short English descriptions of the library's failures, for the screens that append the reason to
// their own message ("Local delete failed: Project not found.") or show it alone.

#include "projects/ProjectLibraryError.h"

#include <QString>

namespace projects_ui {

QString describe(projects::ProjectLibraryError error);
// The case's description, or the file system's own words when the failure carries no case.
QString describe(const projects::ProjectLibraryFailure& failure);

} // namespace projects_ui
