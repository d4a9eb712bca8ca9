#pragma once

// The decoding side of one player item: a thread that opens the file, then demuxes and decodes
// video into the item's frame queue. It serves exact seeks (latest request wins; a request made
// before the file opened is served once it has), decodes ahead while the item plays, and keeps
// up with fast rates by decoding keyframes only and by jumping ahead instead of building a
// backlog. While the item is paused it keeps the next few pictures decoded (with the decoder
// that plays), so that the first pictures after play() are on time even for heavy intra
// material. Nothing here runs on the main thread; callbacks come from the decoder thread.

#include "media/player/MediaTime.h"

#include <QString>
#include <QUrl>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace platform {
class MediaClock;
}

namespace media {

class PlayerFrameQueue;
class PlayerTimebase;

class ItemDecoder {
public:
    struct OpenInfo {
        MediaTime duration = MediaTime::indefinite();
        bool hasVideo = false;
        bool hasAudio = false;
        int width = 0;
        int height = 0;
        double nominalFrameRate = 0.0;
    };
    struct Callbacks {
        std::function<void(const OpenInfo&)> opened;
        std::function<void(const QString&)> openFailed;
        // A read or decode error after the file opened.
        std::function<void(const QString&)> playbackFailed;
    };

    ItemDecoder(QUrl url, std::shared_ptr<PlayerFrameQueue> queue, std::shared_ptr<const PlayerTimebase> timebase,
        const platform::MediaClock& clock, Callbacks callbacks);
    // Stops and joins the thread.
    ~ItemDecoder();
    ItemDecoder(const ItemDecoder&) = delete;
    ItemDecoder& operator=(const ItemDecoder&) = delete;

    // Exact seek: the frame whose interval holds `seconds` goes on show in `epoch`, which the
    // caller has already begun on the queue.
    void seek(double seconds, std::uint64_t epoch);
    // Decodes ahead while positive.
    void setRate(double rate);

    // Bytes of decoded pictures kept for stepping backwards, at most: the process's budget for
    // every player's cache (DecodedFrameBudget) may allow less.
    static constexpr std::size_t kCacheBytes = 320u * 1024u * 1024u;
    // Pictures decoded ahead while paused, once no seek has come for kPrerollSettle seconds
    // (jogging and reverse play, which seek again at once, never pay for it).
    static constexpr int kPrerollPictures = 3;
    static constexpr double kPrerollSettle = 0.12;

private:
    class Worker;
    void run();

    const QUrl url_;
    const std::shared_ptr<PlayerFrameQueue> queue_;
    const std::shared_ptr<const PlayerTimebase> timebase_;
    const platform::MediaClock& clock_;
    const Callbacks callbacks_;

    std::mutex mutex_;
    struct SeekRequest {
        double seconds = 0.0;
        std::uint64_t epoch = 0;
    };
    std::optional<SeekRequest> pendingSeek_;
    std::uint64_t activeEpoch_ = 0;
    double rate_ = 0.0;
    std::atomic<bool> stop_ { false };

    std::thread thread_;
};

} // namespace media
