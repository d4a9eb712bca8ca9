#include "media/player/LocalMediaFile.h"

#include "media/FFmpegSupport.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <QFileInfo>

namespace media {

platform::Result<QString, QString> LocalMediaFile::localPath(const QUrl& url)
{
    if (url.isEmpty())
        return platform::fail(QStringLiteral("No file given"));
    // A bare path (no scheme) counts as a local file; every other scheme is refused.
    QString path;
    if (url.scheme().isEmpty())
        path = url.path();
    else if (url.isLocalFile() && url.host().isEmpty())
        path = url.toLocalFile();
    else
        return platform::fail(QStringLiteral("Only local files can be opened: %1").arg(url.toDisplayString()));
    if (path.isEmpty())
        return platform::fail(QStringLiteral("No file given"));
    const QFileInfo info(path);
    if (!info.exists())
        return platform::fail(QStringLiteral("The file does not exist: %1").arg(path));
    if (!info.isFile())
        return platform::fail(QStringLiteral("Not a regular file: %1").arg(path));
    return info.absoluteFilePath();
}

LocalMediaFile::~LocalMediaFile()
{
    if (format_)
        avformat_close_input(&format_);
}

namespace {
int interruptCallback(void* opaque)
{
    const auto* abort = static_cast<const std::atomic<bool>*>(opaque);
    return abort && abort->load() ? 1 : 0;
}
} // namespace

platform::Result<std::unique_ptr<LocalMediaFile>, QString> LocalMediaFile::open(
    const QUrl& url, const std::atomic<bool>* abort)
{
    auto path = localPath(url);
    if (!path)
        return platform::fail(path.error());

    initializeFFmpeg();
    std::unique_ptr<LocalMediaFile> file(new LocalMediaFile);
    file->format_ = avformat_alloc_context();
    if (!file->format_)
        return platform::fail(QStringLiteral("Out of memory"));
    file->format_->interrupt_callback.callback = interruptCallback;
    file->format_->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(abort);

    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // Movie containers only: no playlists that point elsewhere, no text or image formats that
    // would make a stray file look like a picture.
    av_dict_set(&options, "format_whitelist", "mov,mp4,m4a,3gp,3g2,mj2,mxf,matroska,webm,avi,mpegts,mpeg", 0);
    // The explicit "file:" prefix keeps a path with a colon in it from naming another protocol.
    const QByteArray name = QByteArrayLiteral("file:") + path->toUtf8();
    int rc = avformat_open_input(&file->format_, name.constData(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) {
        file->format_ = nullptr; // freed by avformat_open_input on failure
        return platform::fail(QStringLiteral("Cannot open %1: %2").arg(*path, avErrorText(rc)));
    }
    rc = avformat_find_stream_info(file->format_, nullptr);
    if (rc < 0)
        return platform::fail(QStringLiteral("Cannot read %1: %2").arg(*path, avErrorText(rc)));

    file->videoIndex_ = av_find_best_stream(file->format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (file->videoIndex_ < 0)
        file->videoIndex_ = -1;
    for (unsigned i = 0; i < file->format_->nb_streams; ++i)
        if (file->format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            file->hasAudio_ = true;
    return file;
}

AVStream* LocalMediaFile::videoStream() const
{
    return videoIndex_ >= 0 ? format_->streams[videoIndex_] : nullptr;
}

} // namespace media
