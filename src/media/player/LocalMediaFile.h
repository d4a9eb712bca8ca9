#pragma once

// An open movie file for reading, restricted to local files: the URL must be a file URL (or a
// plain path) naming a regular file, and libavformat may use no protocol but "file", so neither
// the URL nor anything inside the file (playlists, references) can reach a network or a device.

#include "platform/Result.h"

#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>

struct AVFormatContext;
struct AVStream;

namespace media {

class LocalMediaFile {
public:
    // Pictures larger than this (8K) are refused by the decoders rather than allocated.
    static constexpr long long kMaximumPicturePixels = 8192LL * 4320LL;

    ~LocalMediaFile();
    LocalMediaFile(const LocalMediaFile&) = delete;
    LocalMediaFile& operator=(const LocalMediaFile&) = delete;

    // Opens and reads the stream headers. `abort`, when given, stops a slow open early.
    static platform::Result<std::unique_ptr<LocalMediaFile>, QString> open(
        const QUrl& url, const std::atomic<bool>* abort = nullptr);
    // The local path of a URL, or an error text when it is not a local file URL.
    static platform::Result<QString, QString> localPath(const QUrl& url);

    AVFormatContext* format() const { return format_; }
    // The first video stream, or null (and -1) when the file has none.
    AVStream* videoStream() const;
    int videoStreamIndex() const { return videoIndex_; }
    bool hasAudio() const { return hasAudio_; }

private:
    LocalMediaFile() = default;

    AVFormatContext* format_ = nullptr;
    int videoIndex_ = -1;
    bool hasAudio_ = false;
};

} // namespace media
