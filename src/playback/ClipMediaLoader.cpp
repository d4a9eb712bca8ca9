#include "playback/ClipMediaLoader.h"

#include "media/player/ThumbnailGenerator.h"

namespace playback {

void ClipMediaLoader::loadThumbnail(
    const QUrl& url, QObject* guard, std::function<void(platform::Result<QImage, QString>)> done)
{
    media::ThumbnailGenerator::generateAsync(url, guard, std::move(done));
}

void ClipMediaLoader::loadInfo(
    const QUrl& url, QObject* guard, std::function<void(platform::Result<media::MediaInfo, QString>)> done)
{
    media::MediaProbe::probeAsync(url, guard, std::move(done));
}

} // namespace playback
