#pragma once

// A small still of a movie's first picture, upright (the file's rotation applied) and scaled
// down to fit a box, for playlist rows. Local files only; decodes on the calling thread, so call
// it off the main thread.

#include "platform/Result.h"

#include <QImage>
#include <QSize>
#include <QUrl>

namespace media {

class ThumbnailGenerator {
public:
    static constexpr int kMaximumWidth = 240;
    static constexpr int kMaximumHeight = 135;

    // An ARGB32-premultiplied image no larger than `maximumSize`, aspect ratio kept (pictures
    // already inside the box keep their size), or an error text.
    static platform::Result<QImage, QString> generate(
        const QUrl& url, QSize maximumSize = QSize(kMaximumWidth, kMaximumHeight));
};

} // namespace media
