#include "RemoteStationKit.h"

#include "fakes/FakeMediaPlayer.h"
#include "playback/ClipMediaLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

class SilentMediaLoader final : public playback::ClipMediaLoader {
public:
    void loadThumbnail(const QUrl&, QObject*, std::function<void(platform::Result<QImage, QString>)>) override { }
    void loadInfo(const QUrl&, QObject*, std::function<void(platform::Result<media::MediaInfo, QString>)>) override { }
};

} // namespace

RemoteStationKit::RemoteStationKit(platform::Scheduler& scheduler, remote::PermissionPrompter& prompter,
    remote::ServicePublisher& publisher, std::function<void(int count)> updateActiveTrackCount)
    : project(dir.filePath(QStringLiteral("project")))
    , defaults(dir.filePath(QStringLiteral("defaults.json")))
    , settings(defaults)
{
    QDir().mkpath(project);
    playback = std::make_unique<playback::PlaybackViewModel>(
        settings, media::FakeMediaPlayer::factory(&players), scheduler, notifications);
    playback->setMediaLoader(std::make_unique<SilentMediaLoader>());
    media::CameraDiscovery::Options cameras;
    cameras.deviceFolder = dir.filePath(QStringLiteral("dev")).toStdString(); // no camera nodes
    capture = std::make_unique<capture::RecordViewModel>(capture::RecordViewModel::Services {
        settings, scheduler, clock, notifications, capture::RecordViewModel::CardSystem {}, cameras });
    const remote::ControlServer::Options options { QHostAddress::LocalHost, 0, {} };
    stack = std::make_unique<remote::RemoteStack>(remote::RemoteStack::Dependencies {
        [] { return QStringLiteral("123456"); }, prompter, &publisher, options, clock });
    control = std::make_unique<app::StationRemoteControl>(app::StationRemoteControl::Services {
        *stack, *playback, *capture, std::move(updateActiveTrackCount), scheduler });
    settings.setRecordingFolderPath(project);
    playback->exitProjectSelectionMode();
    QCoreApplication::processEvents();
}

RemoteStationKit::~RemoteStationKit()
{
    stack->stop();
    control.reset();
}

QUuid RemoteStationKit::record(const QString& name, const QByteArray& content)
{
    QFile file(QDir(project).filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    file.close();
    notifications.post(QString::fromLatin1(playback::PlaybackViewModel::kRecordingFinishedNotification),
        { { QString::fromLatin1(playback::PlaybackViewModel::kRecordingURLKey),
            QUrl::fromLocalFile(file.fileName()) } });
    QCoreApplication::processEvents();
    return playback->clips().isEmpty() ? QUuid() : playback->clips().last().id;
}

media::FakeMediaPlayer& RemoteStationKit::mainPlayer() const
{
    return *players.at(0);
}
