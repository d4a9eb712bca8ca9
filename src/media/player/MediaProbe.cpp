#include "media/player/MediaProbe.h"

#include "media/FFmpegTags.h"
#include "media/player/LocalMediaFile.h"
#include "platform/MainThread.h"

#include <QPointer>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace media {

platform::Result<MediaInfo, QString> MediaProbe::probe(const QUrl& url)
{
    auto opened = LocalMediaFile::open(url);
    if (!opened)
        return platform::fail(opened.error());
    const LocalMediaFile& file = **opened;

    MediaInfo info;
    info.hasAudio = file.hasAudio();
    const AVFormatContext* format = file.format();
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        info.duration = MediaTime::fromSeconds(static_cast<double>(format->duration) / AV_TIME_BASE);

    const AVStream* stream = file.videoStream();
    if (!stream)
        return info;
    const AVCodecParameters* par = stream->codecpar;
    info.hasVideo = true;
    info.naturalWidth = par->width;
    info.naturalHeight = par->height;
    info.rotation = ffmpegtags::rotation(stream);
    info.nominalFrameRate = ffmpegtags::nominalFrameRate(stream);
    info.fieldInfo = ffmpegtags::fieldInfo(par->field_order);
    info.colorTags = ffmpegtags::colorTags(par->color_primaries, par->color_trc, par->color_space);
    info.codecName = QString::fromUtf8(avcodec_get_name(par->codec_id));
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        info.duration = stream->time_base.den > 0 && stream->time_base.num > 0
            ? MediaTime(stream->duration * stream->time_base.num, stream->time_base.den)
            : MediaTime::indefinite();
    return info;
}

void MediaProbe::probeAsync(
    const QUrl& url, QObject* guard, std::function<void(platform::Result<MediaInfo, QString>)> done)
{
    // The QPointer is made, read and dropped on the main thread; the worker only passes it on.
    auto weak = std::make_shared<const QPointer<QObject>>(guard);
    platform::runInBackground([url, weak, done = std::move(done)] {
        auto result = std::make_shared<platform::Result<MediaInfo, QString>>(probe(url));
        platform::runOnMain([weak, done, result] {
            if (*weak)
                done(std::move(*result));
        });
    });
}

} // namespace media
