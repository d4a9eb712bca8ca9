#pragma once

// Reads what the playlist shows of a movie without playing it: a thumbnail and the video format.
// The engine asks for both after adding or loading clips; this class reads them on pool threads
// with the media layer's thumbnail generator and probe. Tests derive from it to answer by hand.
//
// Threads: called on the main thread; `done` runs on the main thread, and not at all when `guard`
// is gone by then.

#include "media/player/MediaProbe.h"
#include "platform/Result.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

namespace playback {

class ClipMediaLoader {
public:
    virtual ~ClipMediaLoader() = default;

    // A still of the first picture, upright, fitting 240 x 135.
    virtual void loadThumbnail(
        const QUrl& url, QObject* guard, std::function<void(platform::Result<QImage, QString>)> done);
    virtual void loadInfo(
        const QUrl& url, QObject* guard, std::function<void(platform::Result<media::MediaInfo, QString>)> done);
};

} // namespace playback
