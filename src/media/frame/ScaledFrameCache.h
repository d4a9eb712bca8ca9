#pragma once

// The pictures of one frame source (a player's video output, say) ready to paint at the sizes of
// the views that show it. Each distinct size in use is scaled once per source frame, however many
// views share it, by the BGRA compositor's aspect-fit blit: the picture centred on black in a
// canvas of exactly that size, so a view paints it 1:1 and never scales on the main thread.
// Scaling runs on Qt's thread pool with at most one job per size; a frame that arrives while a
// size is busy replaces any frame still waiting for it (latest wins), so a slow size drops frames
// instead of queueing them.
//
// Threads: every member is called on the main thread (asserted). The workers see only copies of
// the immutable source frame and hand their canvas back to the main thread; a result that comes
// back after the cache is gone, or for a size no longer in use, is dropped.

#include "media/frame/Frame.h"
#include "platform/MainThread.h"

#include <QObject>
#include <QSize>

#include <cstdint>
#include <map>

namespace media {

class ScaledFrameCache final : public QObject {
    Q_OBJECT
public:
    explicit ScaledFrameCache(QObject* parent = nullptr);
    ~ScaledFrameCache() override;

    // The newest source frame; every size in use is scaled again. A null frame clears them all.
    void setSource(const Frame& frame);
    const Frame& source() const { return source_; }

    // A view starts or stops showing the source at `size` (device pixels); uses are counted, and
    // an empty size is ignored. Starting a size that has no picture yet scales the current source.
    void acquire(QSize size);
    void release(QSize size);
    bool isInUse(QSize size) const { return entries_.count(key(size)) != 0; }

    // The latest scaled picture for a size in use (null until the first one is ready, or when the
    // source is null).
    Frame scaledFrame(QSize size) const;

    // How many scales have been started since the cache was made; for tests and diagnostics.
    std::uint64_t scaleCount() const { return scaleCount_; }

    // The picture of `source` aspect-fitted, centred, on black in a canvas of `size`; null for an
    // empty size or a source the compositor cannot draw. Any thread.
    static Frame fitOnBlack(const Frame& source, QSize size);

signals:
    // A new picture for `size` is ready (or the pictures were cleared with a null source).
    void frameReady(QSize size);

private:
    struct Entry {
        int uses = 0;
        Frame picture;
        std::uint64_t pictureSerial = 0; // source serial the picture was made from
        bool busy = false;
        std::uint64_t id = 0; // tells a job's entry from a later one at the same size
    };
    using Key = std::pair<int, int>;
    static Key key(QSize size) { return { size.width(), size.height() }; }

    void schedule(QSize size, Entry& entry);
    void finished(QSize size, std::uint64_t id, std::uint64_t serial, Frame picture);

    Frame source_;
    std::uint64_t sourceSerial_ = 0;
    std::uint64_t scaleCount_ = 0;
    std::uint64_t nextEntryId_ = 1;
    std::map<Key, Entry> entries_;
    platform::LivenessFlag alive_;
};

} // namespace media
