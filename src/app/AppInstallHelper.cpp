#include "app/AppInstallHelper.h"

#include "platform/DebugLog.h"
#include "ui/DialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

namespace app {

namespace {

// Whether `path` lies in `folder` by whole path components ("/optical" is not in "/opt").
bool isWithin(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool hasBuildTreeAncestor(const QString& executablePath)
{
    QDir folder = QFileInfo(executablePath).absoluteDir();
    for (;;) {
        if (folder.exists(QStringLiteral("CMakeCache.txt")))
            return true;
        if (!folder.cdUp())
            return false;
    }
}

// One argument of the entry's Exec line: always quoted, with the characters the quoting
// reserves escaped, then the string escapes of the file format itself.
QString execArgument(const QString& path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

AppInstallHelper::Environment AppInstallHelper::fromProcess()
{
    Environment environment;
    const QString appImage = qEnvironmentVariable("APPIMAGE");
    environment.executablePath = appImage.isEmpty() ? QCoreApplication::applicationFilePath() : appImage;
    environment.applicationsFolder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    environment.platformName = QGuiApplication::platformName();
    environment.variable = [](const char* name) -> std::optional<QString> {
        if (!qEnvironmentVariableIsSet(name))
            return std::nullopt;
        return qEnvironmentVariable(name);
    };
    return environment;
}

bool AppInstallHelper::isDevelopmentRun(const Environment& environment)
{
    if (environment.variable("CORVALE_NO_INSTALL_PROMPT"))
        return true;
    if (environment.platformName == QLatin1String("offscreen") || environment.platformName == QLatin1String("minimal"))
        return true;
    const auto nonEmpty = [&](const char* name) { return !environment.variable(name).value_or(QString()).isEmpty(); };
    if (!nonEmpty("DISPLAY") && !nonEmpty("WAYLAND_DISPLAY"))
        return true;
    return hasBuildTreeAncestor(environment.executablePath);
}

bool AppInstallHelper::isInApplicationsFolder(const Environment& environment)
{
    const QString path = QDir::cleanPath(QFileInfo(environment.executablePath).absoluteFilePath());
    if (isWithin(path, QStringLiteral("/usr")) || isWithin(path, QStringLiteral("/opt")))
        return true;
    return !environment.applicationsFolder.isEmpty()
        && QFileInfo::exists(QDir(environment.applicationsFolder).filePath(QString::fromLatin1(entryName)));
}

std::optional<QString> AppInstallHelper::desktopEntry(const QString& executablePath)
{
    // The format has no way to carry a line break or a NUL inside a value.
    if (executablePath.isEmpty() || executablePath.contains(QLatin1Char('\n'))
        || executablePath.contains(QLatin1Char('\r')) || executablePath.contains(QChar(0)))
        return std::nullopt;
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Corvale\n"
                          "Comment=Video assist station\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "Categories=AudioVideo;Video;\n")
        .arg(execArgument(QFileInfo(executablePath).absoluteFilePath()));
}

bool AppInstallHelper::moveToApplications(const Environment& environment, ui::DialogService& dialogs, QWidget* parent)
{
    const auto entry = desktopEntry(environment.executablePath);
    bool written = false;
    if (entry && !environment.applicationsFolder.isEmpty() && QDir().mkpath(environment.applicationsFolder)) {
        QSaveFile file(QDir(environment.applicationsFolder).filePath(QString::fromLatin1(entryName)));
        written = file.open(QIODevice::WriteOnly) && file.write(entry->toUtf8()) >= 0 && file.commit();
        if (!written)
            dlog("❌ applications menu entry not written:", file.fileName(), file.errorString());
    }
    if (written)
        return true;
    ui::AlertRequest alert;
    alert.title = QStringLiteral("Move failed");
    alert.message = QStringLiteral("Please add Corvale to the applications menu manually.");
    alert.buttons = { { QStringLiteral("OK"), ui::AlertButton::Role::normal } };
    dialogs.showAlert(parent, alert, [](int) {});
    return false;
}

void AppInstallHelper::promptToMoveToApplicationsIfNeeded(
    const Environment& environment, ui::DialogService& dialogs, QWidget* parent)
{
    if (isDevelopmentRun(environment) || isInApplicationsFolder(environment))
        return;
    ui::AlertRequest alert;
    alert.title = QStringLiteral("Install Corvale");
    alert.message = QStringLiteral("Corvale should be added to the applications menu.");
    alert.buttons = { { QStringLiteral("Add to Applications Menu"), ui::AlertButton::Role::normal },
        { QStringLiteral("Not Now"), ui::AlertButton::Role::cancel } };
    dialogs.showAlert(parent, alert, [environment, &dialogs, guard = QPointer<QWidget>(parent)](int button) {
        if (button == 0)
            moveToApplications(environment, dialogs, guard.data());
    });
}

} // namespace app
