#include "PlaybackScreenTestKit.h"

#include "kit/ScreenKit.h"
#include "playback/ClipMediaLoader.h"
#include "playback_screen/PlaybackViewHooks.h"

#include <QApplication>
#include <QDir>

namespace playback_screen_test {

namespace {

// Clips in these tests are empty files: thumbnails and formats are never asked for by the screen.
class SilentMediaLoader final : public playback::ClipMediaLoader {
public:
    void loadThumbnail(const QUrl&, QObject*, std::function<void(platform::Result<QImage, QString>)>) override { }
    void loadInfo(const QUrl&, QObject*, std::function<void(platform::Result<media::MediaInfo, QString>)>) override { }
};

} // namespace

void ScreenTest::SetUp()
{
    EngineTest::SetUp();
    ui::screenkit::prepare();
    vm = std::make_unique<playback::PlaybackViewModel>(
        *settings, media::FakeMediaPlayer::factory(&players), scheduler, notifications);
    vm->setMediaLoader(std::make_unique<SilentMediaLoader>());
    library = std::make_unique<projects::ProjectLibraryStore>(*settings, *defaults);
    sidebar = std::make_unique<settings::RecordSidebarState>(*defaults);
    logger = std::make_unique<ui::LayoutLogger>(ui::LayoutLogger::Services {
        scheduler, *defaults, [] { return QDateTime::currentDateTime(); }, [] { return QString(); } });
}

void ScreenTest::TearDown()
{
    view.reset();
    vm.reset();
    library.reset();
    EngineTest::TearDown();
}

playback_screen::PlaybackScreenModels ScreenTest::models()
{
    return { *vm, *engine, *library, *settings, *sidebar, dialogs, scheduler, logger.get() };
}

void ScreenTest::showScreen(QSize size)
{
    view = std::make_unique<playback_screen::PlaybackView>(models());
    view->resize(size);
    view->show();
    settle();
}

QUuid ScreenTest::addClip(const QString& name, bool offline, std::optional<double> duration)
{
    const QString path = QDir(folder.path()).filePath(name);
    if (!offline) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
    }
    vm->addClipFromRecording(QUrl::fromLocalFile(path));
    if (duration) {
        mainPlayer().makeReady(*duration);
        mainPlayer().firePeriodicObservers();
    }
    settle();
    return vm->clips().back().id;
}

void ScreenTest::settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        if (view)
            view->hooks()->runPendingPass();
    }
}

} // namespace playback_screen_test
