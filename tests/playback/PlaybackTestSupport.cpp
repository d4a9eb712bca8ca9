#include "PlaybackTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace playback_test {

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(CORVALE_PLAYBACK_TEST_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

EngineTest::EngineTest()
    : defaults_(std::make_unique<platform::UserDefaults>(dir_.filePath("defaults.json")))
    , settings_(std::make_unique<settings::AppSettings>(*defaults_))
{
    vm_ = std::make_unique<playback::PlaybackViewModel>(
        *settings_, media::FakeMediaPlayer::factory(&players_), scheduler_, notifications_);
    auto loader = std::make_unique<ManualMediaLoader>();
    loader_ = loader.get();
    vm_->setMediaLoader(std::move(loader));
    vm_->setDialogs(&dialogs_);
}

EngineTest::~EngineTest() = default;

QString EngineTest::folder(const QString& name) const
{
    const QString path = dir_.filePath(name);
    QDir().mkpath(path);
    return path;
}

QUrl EngineTest::touch(const QString& folder, const QString& name) const
{
    const QString path = QDir(folder).filePath(name);
    testkit::writeFile(path, "movie");
    return QUrl::fromLocalFile(path);
}

void EngineTest::openProject(const QString& path)
{
    settings_->setRecordingFolderPath(path);
    vm_->exitProjectSelectionMode();
    drainEvents();
}

void EngineTest::drainEvents()
{
    QCoreApplication::processEvents();
}

QByteArray EngineTest::playlistText(const QString& folder)
{
    vm_->flushPendingSaves();
    return testkit::readFile(QDir(folder).filePath("playlist.json"));
}

ProjectEngineTest::ProjectEngineTest()
    : project_(folder("project"))
{
    openProject(project_);
}

QUuid ProjectEngineTest::add(const QString& name, std::optional<double> seconds, double fps)
{
    vm_->addClipFromRecording(touch(project_, name));
    if (seconds) {
        main()->makeReady(*seconds, fps);
        report();
    }
    return vm_->clips().last().id;
}

void ProjectEngineTest::report()
{
    main()->firePeriodicObservers();
    drainEvents();
}

playback::ClipItem ProjectEngineTest::clip(const QUuid& id) const
{
    for (const auto& c : vm_->clips())
        if (c.id == id)
            return c;
    return {};
}

} // namespace playback_test
