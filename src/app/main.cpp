#include "app/DialogPermissionPrompter.h"
#include "app/MainWindow.h"
#include "app/WidgetDialogService.h"
#include "remote/RemoteStack.h"
#include "settings/AppSettings.h"
#include "ui/AppTheme.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvale"));
    QApplication::setOrganizationName(QStringLiteral("Corvale"));

    // The stored appearance is applied before the first window paints.
    ui::AppTheme::install();

    app::MainWindow window;
    app::WidgetDialogService dialogs;
    app::DialogPermissionPrompter prompter(dialogs, &window);
    remote::RemoteStack remoteStack({ [] { return settings::AppSettings::shared().pairingCode(); }, prompter });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&remoteStack] { remoteStack.stop(); });

    window.show();
    // Tablets are served from the first show on.
    remoteStack.setupControlServer();
    return QApplication::exec();
}
