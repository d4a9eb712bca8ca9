#pragma once

// What the remote-control benchmarks share: the station's remote side over its real engines (the
// playback engine on fake players, the capture engine without cards), tablets as blocking
// loopback sockets on their own threads, and raw servers on one network thread that stand for
// what the bytes alone would cost.

#include "app/StationRemoteControl.h"
#include "capture/RecordViewModel.h"
#include "platform/ManualMediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "playback/PlaybackViewModel.h"
#include "remote/PermissionPrompter.h"
#include "remote/RemoteStack.h"
#include "remote/ServicePublisher.h"
#include "settings/AppSettings.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {
class FakeMediaPlayer;
}

namespace remote_bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);
// Resident memory of this process in bytes.
std::int64_t residentBytes();

class Station {
public:
    Station();
    ~Station();

    // A file in the project folder added as a finished recording; its id.
    QUuid record(const QString& name, const QByteArray& content);
    quint16 port() const { return stack->controlServer().port(); }

    QTemporaryDir dir;
    QString project;
    platform::UserDefaults defaults;
    settings::AppSettings settings;
    platform::ManualMediaClock clock;
    platform::NotificationCenter notifications;
    std::vector<media::FakeMediaPlayer*> players;
    std::unique_ptr<playback::PlaybackViewModel> playback;
    std::unique_ptr<capture::RecordViewModel> capture;
    std::unique_ptr<remote::PermissionPrompter> prompter;
    std::unique_ptr<remote::ServicePublisher> publisher;
    std::unique_ptr<remote::RemoteStack> stack;
    std::unique_ptr<app::StationRemoteControl> control;
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
