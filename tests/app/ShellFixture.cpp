#include "ShellFixture.h"

#include <QWidget>

namespace app {

LoggingServices::LoggingServices(projects::ProjectLibraryStore& library, settings::RecordSidebarState& sidebar,
    platform::UserDefaults& defaults, platform::Scheduler& scheduler)
    : library_(library)
    , sidebar_(sidebar)
    , defaults_(defaults)
    , scheduler_(scheduler)
{
}

void LoggingServices::handleSignal(const remote::WebRTCSignalMessage& message)
{
    signalThread = std::this_thread::get_id();
    log << QStringLiteral("handleSignal ") + message.sessionID;
}

MainWindow::Environment LoggingServices::mainWindowEnvironment()
{
    return MainWindow::Environment {
        library_,
        [this] { note("enterProjectSelectionMode"); },
        [this](QWidget* parent) {
            if (makeLibraryView)
                return makeLibraryView(parent);
            auto* view = new QWidget(parent);
            view->setObjectName(QStringLiteral("libraryView"));
            view->setMinimumSize(400, 300);
            return static_cast<QWidget*>(view);
        },
        sidebar_,
        defaults_,
        scheduler_,
        layoutLogger,
        notifications,
        layoutLogGesture,
    };
}

std::unique_ptr<SettingsRootView> LoggingServices::makeSettingsWindow()
{
    note("makeSettingsWindow");
    return makeSettings ? makeSettings() : nullptr;
}

CorvaleApp& ShellFixture::app()
{
    if (!application)
        application = std::make_unique<CorvaleApp>(services);
    return *application;
}

} // namespace app
