#include "projects/ui/LibraryFailureText.h"

namespace projects_ui {

QString describe(projects::ProjectLibraryError error)
{
    using E = projects::ProjectLibraryError;
    switch (error) {
    case E::invalidName:
        return QStringLiteral("The project name is empty.");
    case E::folderExists:
        return QStringLiteral("A folder with this name already exists.");
    case E::projectNotFound:
        return QStringLiteral("Project not found.");
    case E::folderCreateFailed:
        return QStringLiteral("The project folder could not be created.");
    case E::projectAlreadyImported:
        return QStringLiteral("The project is already in the library.");
    case E::invalidProjectFile:
        return QStringLiteral("Not a valid project file.");
    }
    return QStringLiteral("Unknown error.");
}

QString describe(const projects::ProjectLibraryFailure& failure)
{
    if (failure.error)
        return describe(*failure.error);
    if (!failure.systemDescription.isEmpty())
        return failure.systemDescription;
    return QStringLiteral("Unknown error.");
}

} // namespace projects_ui
