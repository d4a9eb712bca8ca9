#include "ShellFixture.h"

#include "app/MainWindow.h"
#include "app/StationServices.h"
#include "playback/PlaybackViewModel.h"
#include "projects/ProjectLibraryStore.h"
#include "remote/RemoteStack.h"
#include "remote/ServicePublisher.h"
#include "ui/AppPane.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>

#include <csignal>

namespace app {
namespace {

const QStringList startUpSteps { "applyAppearance", "startKeyboardListeningOnce", "attachWebRTC",
    "updateActiveTrackCount", "startPlaybackTaps", "setupControlServer", "setupRealtimeSyncPipelines",
    "enterProjectSelectionMode" };
const QStringList quitSteps { "shutdownCapture", "stopCaptureAndOutput", "saveUnsavedMarks", "stopPlaybackTaps",
    "cleanupPlayback", "stopControlServer", "endRealtimeSync", "exitEventLoop" };

// Turns the event loop until `done` holds; the deadline only bounds a failure.
template <class Condition> bool processUntil(Condition done)
{
    QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

using CorvaleAppTest = ShellFixture;

TEST_F(CorvaleAppTest, StartUpRunsInOrderOnceAtTheFirstShowAndOpensTheLibrary)
{
    EXPECT_TRUE(services.log.isEmpty()) << "nothing starts before the window shows";
    app().show();
    QCoreApplication::processEvents();
    EXPECT_EQ(services.log, startUpSteps);
    ASSERT_NE(app().mainWindow().librarySheet(), nullptr);
    EXPECT_TRUE(app().mainWindow().librarySheet()->isVisible());

    app().mainWindow().hide();
    app().mainWindow().show();
    QCoreApplication::processEvents();
    EXPECT_EQ(services.log, startUpSteps) << "a second show adds nothing";
}

TEST_F(CorvaleAppTest, SignalsFromAWorkerAreHandledLaterOnTheMainThread)
{
    app();
    remote::WebRTCSignalMessage message;
    message.sessionID = QStringLiteral("s1");
    std::thread worker([&] { services.deliver(message); });
    worker.join();
    EXPECT_FALSE(services.log.contains(QStringLiteral("handleSignal s1"))) << "never inside the caller";
    QCoreApplication::processEvents();
    EXPECT_EQ(services.log, QStringList { QStringLiteral("handleSignal s1") });
    EXPECT_EQ(services.signalThread, std::this_thread::get_id());

    // A signal still queued when the application goes is dropped.
    services.deliver(message);
    application.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(services.log.size(), 1);
}

TEST_F(CorvaleAppTest, QuitRunsOnceInOrderWhateverAsksForIt)
{
    const std::function<void()> askers[] = {
        [&] {
            app().mainWindow().close();
            app().quit();
            QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
        },
        [] { ASSERT_EQ(std::raise(SIGTERM), 0); },
        [] { ASSERT_EQ(std::raise(SIGINT), 0); },
    };
    for (const auto& ask : askers) {
        application.reset();
        app().show();
        QCoreApplication::processEvents();
        services.log.clear();
        ask();
        ASSERT_TRUE(processUntil([&] { return app().hasQuit(); }));
        EXPECT_EQ(services.log, quitSteps);
    }
    EXPECT_TRUE(defaults.contains(QString::fromLatin1(MainWindow::frameKey))) << "the frame is stored at close";
}

// Announces nothing: the station's own publisher would reach the local network.
class QuietPublisher final : public remote::ServicePublisher {
public:
    void publish(const remote::ServiceDescription&, Listener) override { }
    void stop() override { }
};

TEST(StationTest, TheStationAsMainBuildsItOpensWithTheLibrarySheet)
{
    ui::screenkit::prepare();
    qputenv("CORVALE_GOOGLE_BASE_URL", "http://127.0.0.1:9");
    QuietPublisher publisher;
    StationServices::Options options;
    options.server.address = QHostAddress::LocalHost;
    options.server.port = 0;
    options.publisher = &publisher;
    StationServices services(options);
    {
        CorvaleApp corvale(services);
        corvale.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(services.playbackVM().isProjectSelectionMode());
        ASSERT_NE(corvale.mainWindow().librarySheet(), nullptr);
        EXPECT_TRUE(services.remoteStack().didSetupControlServer());
        EXPECT_NE(corvale.mainWindow().recordPane()->findChild<QWidget*>("expandedSidebar"), nullptr);
        corvale.quit();
    }
    QCoreApplication::processEvents();
}

} // namespace
} // namespace app
