#pragma once

// What the remote-control benchmarks share: the station's remote side over its real engines (the
// playback engine on fake players, the capture engine without cards), tablets as blocking
// loopback sockets on their own threads, and raw servers on one network thread that stand for
// what the bytes alone would cost.

#include "RemoteStationKit.h"

#include "remote/PermissionPrompter.h"
#include "remote/ServicePublisher.h"

#include <QByteArray>
#include <QThread>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace remote_bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);
// Resident memory of this process in bytes.
std::int64_t residentBytes();

// The station's remote side, listening, with its pipelines running on the main thread's timers;
// every permission asked is granted.
class Station {
public:
    Station();
    quint16 port() const { return kit.stack->controlServer().port(); }

private:
    std::unique_ptr<remote::PermissionPrompter> prompter_;
    std::unique_ptr<remote::ServicePublisher> publisher_;

public:
    RemoteStationKit kit;
};

// A tablet: a blocking socket to 127.0.0.1. Use it from one thread at a time.
class LineClient {
public:
    explicit LineClient(quint16 port);
    ~LineClient();
    bool connected() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void sendAll(const QByteArray& bytes);
    // The next line without its line feed; empty at the end of the stream.
    QByteArray readLine();
    // Up to `max` bytes as they come; empty at the end of the stream.
    QByteArray readSome(std::size_t max);
    // Lines already read into the buffer can be taken without blocking.
    bool hasBufferedLine() const;
    // Asks for control as client `key` and waits for the grant.
    bool authorise(const QString& key, const QString& scope = QStringLiteral("control"));
    void close();

private:
    bool fill();
    int fd_ = -1;
    QByteArray buffer_;
};

// One network thread: every connection's lines are handed to `onLine` there, with the means to
// write to that connection or to all of them.
class RawServer {
public:
    struct Peer {
        std::function<void(const QByteArray&)> send;
        std::function<void(const QByteArray&)> broadcast;
    };
    using OnLine = std::function<void(const QByteArray& line, const Peer& peer)>;

    explicit RawServer(OnLine onLine);
    ~RawServer();
    quint16 port() const { return port_; }

private:
    QThread thread_;
    quint16 port_ = 0;
    QObject* server_ = nullptr;
};

// Runs the Qt event loop of this thread until `done` holds.
void runUntil(const std::function<bool()>& done);

} // namespace remote_bench
