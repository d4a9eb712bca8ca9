#include "platform/StandardFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

namespace {
QString locationOrHome(QStandardPaths::StandardLocation location)
{
    const QString path = QStandardPaths::writableLocation(location);
    return path.isEmpty() ? QDir::homePath() : path;
}
} // namespace

QString applicationSupportDirectory()
{
    return locationOrHome(QStandardPaths::GenericDataLocation);
}
QString documentsDirectory()
{
    return locationOrHome(QStandardPaths::DocumentsLocation);
}
QString desktopDirectory()
{
    return locationOrHome(QStandardPaths::DesktopLocation);
}

} // namespace platform
