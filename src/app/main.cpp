#include "app/DialogPermissionPrompter.h"
#include "app/MainWindow.h"
#include "app/WidgetDialogService.h"
#include "capture/RecordViewModel.h"
#include "cloud/GoogleDriveSyncManager.h"
#include "cloud/KeychainStore.h"
#include "cloud/ProjectLibraryStoreAdapter.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "projects/ProjectLibraryStore.h"
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

    // Cloud sync lives from start-up: its first refresh confirms a sign-in kept in the keyring.
    cloud::KeychainStore keychain;
    cloud::ProjectLibraryStoreAdapter cloudLibrary(projects::ProjectLibraryStore::shared());
    cloud::GoogleDriveSyncManager driveSync(
        { settings::AppSettings::shared(), platform::UserDefaults::standard(), keychain, cloudLibrary,
            platform::Scheduler::main(), platform::MediaClock::system(), platform::NotificationCenter::shared(),
            cloud::GoogleEndpoints::fromEnvironment(platform::UserDefaults::standard()) });

    // The capture engine lives for the whole run; at quit every movie being recorded is finished
    // (waiting a few seconds at most) so no take is lost. Nothing else is saved at quit.
    capture::RecordViewModel recorder({ settings::AppSettings::shared(), platform::Scheduler::main(),
        platform::MediaClock::system(), platform::NotificationCenter::shared() });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &recorder, [&recorder] { recorder.shutdown(); });

    window.show();
    // Tablets are served from the first show on.
    remoteStack.setupControlServer();
    return QApplication::exec();
}
