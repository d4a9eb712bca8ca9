#include "media/player/ThumbnailGenerator.h"

#include "media/FFmpegSupport.h"
#include "media/FFmpegTags.h"
#include "media/frame/FrameConverter.h"
#include "media/frame/FramePool.h"
#include "media/player/LocalMediaFile.h"
#include "platform/MainThread.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QPointer>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <memory>

namespace media {

namespace {
// The first picture of the stream, or null.
AVFramePtr decodeFirstPicture(AVFormatContext* format, AVStream* stream, QString& error)
{
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        error
            = QStringLiteral("No decoder for %1").arg(QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id)));
        return nullptr;
    }
    AVCodecContextPtr codec(avcodec_alloc_context3(decoder));
    AVPacketPtr packet(av_packet_alloc());
    AVFramePtr picture(av_frame_alloc());
    if (!codec || !packet || !picture || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0) {
        error = QStringLiteral("Out of memory");
        return nullptr;
    }
    codec->pkt_timebase = stream->time_base;
    codec->max_pixels = LocalMediaFile::kMaximumPicturePixels;
    codec->thread_count = 1;
    int rc = avcodec_open2(codec.get(), decoder, nullptr);
    if (rc < 0) {
        error = avErrorText(rc);
        return nullptr;
    }
    bool draining = false;
    for (;;) {
        rc = avcodec_receive_frame(codec.get(), picture.get());
        if (rc == 0)
            return picture;
        if (rc != AVERROR(EAGAIN) || draining)
            break;
        rc = av_read_frame(format, packet.get());
        if (rc < 0) {
            draining = true;
            avcodec_send_packet(codec.get(), nullptr);
            continue;
        }
        if (packet->stream_index == stream->index)
            avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
    }
    error = QStringLiteral("No picture could be decoded");
    return nullptr;
}
} // namespace

platform::Result<QImage, QString> ThumbnailGenerator::generate(const QUrl& url, QSize maximumSize)
{
    if (maximumSize.width() <= 0 || maximumSize.height() <= 0)
        return platform::fail(QStringLiteral("Invalid thumbnail size"));
    auto opened = LocalMediaFile::open(url);
    if (!opened)
        return platform::fail(opened.error());
    LocalMediaFile& file = **opened;
    AVStream* stream = file.videoStream();
    if (!stream)
        return platform::fail(QStringLiteral("The file has no video track"));
    for (unsigned i = 0; i < file.format()->nb_streams; ++i)
        file.format()->streams[i]->discard = file.format()->streams[i] == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    QString error;
    auto picture = decodeFirstPicture(file.format(), stream, error);
    if (!picture)
        return platform::fail(error);

    const int rotation = ffmpegtags::rotation(stream);
    const bool swapped = rotation % 180 != 0;
    const int uprightW = swapped ? picture->height : picture->width;
    const int uprightH = swapped ? picture->width : picture->height;
    const double scale = std::min({ 1.0, static_cast<double>(maximumSize.width()) / uprightW,
        static_cast<double>(maximumSize.height()) / uprightH });
    const int fittedW = std::max(1, static_cast<int>(std::lround(uprightW * scale)));
    const int fittedH = std::max(1, static_cast<int>(std::lround(uprightH * scale)));

    // Scale first (the small picture is cheap to turn), then turn it upright.
    FramePool pool(1);
    FrameConverter converter(1, &pool);
    const Frame small = converter.convert(picture.get(), 0.0, swapped ? fittedH : fittedW, swapped ? fittedW : fittedH);
    if (small.isNull())
        return platform::fail(QStringLiteral("The picture could not be converted"));
    QImage image = small.imageView().copy();
    if (rotation != 0)
        image = image.transformed(QTransform().rotate(rotation));
    return image;
}

void ThumbnailGenerator::generateAsync(
    const QUrl& url, QObject* guard, std::function<void(platform::Result<QImage, QString>)> done, QSize maximumSize)
{
    // The QPointer is made, read and dropped on the main thread; the worker only passes it on.
    auto weak = std::make_shared<const QPointer<QObject>>(guard);
    platform::runInBackground([url, weak, maximumSize, done = std::move(done)] {
        auto result = std::make_shared<platform::Result<QImage, QString>>(generate(url, maximumSize));
        platform::runOnMain([weak, done, result] {
            if (*weak)
                done(std::move(*result));
        });
    });
}

} // namespace media
