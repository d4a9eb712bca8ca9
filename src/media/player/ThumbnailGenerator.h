#pragma once

// A small still of a movie's first picture, upright (the file's rotation applied) and scaled
// down to fit a box, for playlist rows. Local files only. generate() decodes on the calling
// thread; the main thread uses generateAsync().

#include "platform/Result.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QUrl>

#include <functional>

namespace media {

class ThumbnailGenerator {
public:
    static constexpr int kMaximumWidth = 240;
    static constexpr int kMaximumHeight = 135;

    // An ARGB32-premultiplied image no larger than `maximumSize`, aspect ratio kept (pictures
    // already inside the box keep their size), or an error text.
    static platform::Result<QImage, QString> generate(
        const QUrl& url, QSize maximumSize = QSize(kMaximumWidth, kMaximumHeight));
    // Generates on a pool thread and hands the result to `done` on the main thread, unless
    // `guard` is gone by then.
    static void generateAsync(const QUrl& url, QObject* guard,
        std::function<void(platform::Result<QImage, QString>)> done,
        QSize maximumSize = QSize(kMaximumWidth, kMaximumHeight));
};

} // namespace media
