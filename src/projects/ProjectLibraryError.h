#pragma once

// Why a library operation refused or failed. The screens choose their own texts per case.

#include <QString>

#include <optional>

namespace projects {

enum class ProjectLibraryError {
    invalidName, // the name is empty after trimming
    folderExists, // the new project's folder is already there
    projectNotFound, // no record has the identifier
    folderCreateFailed, // a folder could not be made, or the folder to import is not there
    projectAlreadyImported, // the folder or the project's identifier is already in the library
    invalidProjectFile, // a chosen file is no project metadata file
};

// What a failed operation reports: one of the cases above, or (creating a project's folder only)
// the file system's own error in its words.
struct ProjectLibraryFailure {
    std::optional<ProjectLibraryError> error;
    QString systemDescription;

    bool is(ProjectLibraryError kind) const { return error == kind; }
};

} // namespace projects
