#pragma once

// What a movie file holds, read without a player: video track, size, rotation, frame rate, field
// order, audio, duration and colour tags. Local files only.

#include "media/frame/Frame.h"
#include "media/player/MediaTime.h"
#include "platform/Result.h"

#include <QObject>
#include <QUrl>

#include <functional>

namespace media {

struct MediaInfo {
    bool hasVideo = false;
    bool hasAudio = false;
    // The stored picture size, before rotation.
    int naturalWidth = 0;
    int naturalHeight = 0;
    // Clockwise rotation that shows the picture upright: 0, 90, 180 or 270.
    int rotation = 0;
    // Nominal frames per second; 0 when the file states none.
    double nominalFrameRate = 0.0;
    // Progressive unless the file says its pictures are interlaced.
    FieldInfo fieldInfo;
    MediaTime duration = MediaTime::indefinite();
    ColorTags colorTags;
    QString codecName;

    // The upright picture size (width and height swapped for 90 and 270).
    int displayWidth() const { return rotation % 180 == 0 ? naturalWidth : naturalHeight; }
    int displayHeight() const { return rotation % 180 == 0 ? naturalHeight : naturalWidth; }
};

class MediaProbe {
public:
    // Fails with a text for a URL that is not a local file, a missing file or one that is not a
    // movie. A movie without video succeeds with hasVideo false.
    static platform::Result<MediaInfo, QString> probe(const QUrl& url);
    // Probes on a pool thread and hands the result to `done` on the main thread, unless `guard`
    // is gone by then.
    static void probeAsync(
        const QUrl& url, QObject* guard, std::function<void(platform::Result<MediaInfo, QString>)> done);
};

} // namespace media
