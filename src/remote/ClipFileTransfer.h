#pragma once

// Clip files for the remote clients' own caches: the manifest of the playlist's files that
// exist, and the transfer of one clip's file over its control connection as "cache.transfer"
// messages ("start", numbered base64 "chunk"s of at most 24,576 bytes, "end", or "error").
//
// Only regular files are served, so a FIFO or a device can never hold a reader. Transfers run on
// background threads, one at a time per connection in request order and at most four in all; a
// transfer reads on only while its connection has under 1 MiB unsent, and stops silently when its
// connection goes.
//
// Threads: buildCacheManifestClips() and streamClipToClient() on the main thread; the reading on
// background threads, which the destructor stops and waits for.

#include "remote/ClipCacheService.h"
#include "remote/RemoteTransport.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

namespace remote {

class PlaybackRemotePort;

class ClipFileTransfer final : public ClipCacheService {
public:
    static constexpr std::int64_t chunkBytes = 24576;
    static constexpr std::int64_t drainThresholdBytes = 1 << 20;
    static constexpr int maxConcurrentTransfers = 4;

    // One read of the file: bytes read, 0 at the end, or -1 with errno set.
    using ReadChunk = std::function<std::int64_t(int fd, char* buffer, std::int64_t size)>;

    struct Services {
        RemoteTransport& transport;
        PlaybackRemotePort& playback;
        // Bytes queued for the connection and not yet sent; none once it is gone. Any thread.
        std::function<std::optional<std::int64_t>(ConnectionId)> unsentBytes;
        // Empty: read(2).
        ReadChunk readChunk = {};
    };

    explicit ClipFileTransfer(Services services);
    ~ClipFileTransfer() override;

    QJsonArray buildCacheManifestClips() const override;
    void streamClipToClient(const QString& clipID, ConnectionId conn) override;

    // Transfers queued or running; for tests and shutdown.
    int activeTransfers() const;

private:
    struct Job {
        QString clipID;
        QString path;
        std::int64_t announced = 0;
        ConnectionId connection = 0;
    };

    void startWaitingJobs();
    void runNextJob();
    void read(const Job& job);
    // False when the transfer should stop: its connection went or the station is shutting down.
    bool waitForDrain(ConnectionId connection);
    void sendStatus(const Job& job, const QString& status, RemoteMessage fields);

    Services services_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> waiting_;
    std::deque<Job> ready_;
    std::set<ConnectionId> busy_;
    int running_ = 0;
    bool stopping_ = false;
};

} // namespace remote
