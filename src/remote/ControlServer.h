#pragma once

// The transport of the remote-control protocol: a TCP listener (port 8765) announced on the local
// network, any number of tablet connections (up to a limit), each connection's byte stream cut
// into lines at line feeds and parsed as one JSON object per line, and every object handed with
// its connection to one command handler on the main thread. Outgoing, a message becomes compact
// JSON and one line feed, sent to one connection, to the connection a client key is bound to, or
// to every connection. The server knows nothing of message types, pairing or permissions.
//
// Limits that keep one peer from hurting the station or the other tablets: a line may hold 1 MiB
// before its line feed (else its connection is closed), 64 connections at most, 16 MiB unsent to a
// connection at most (else it is closed), reading from a connection pauses while 256 of its
// messages wait for the main thread, 16 client keys per connection, keys over 256 bytes unbound.
//
// Threads: construction, setCommandHandler(), startOnce(), stop(), the published properties and
// the announcement belong to the main thread (asserted). The sockets live on the network thread
// "ControlServer.NWQueue", which accepts, reads, frames and parses. send(), sendToClientKey(),
// broadcastState(), bind(), peerAddress() and unsentBytes() may be called from any thread; sends
// are serialised on the caller's thread and queued to the network thread, so the sends of one
// thread to one connection go out in call order.

#include "remote/ControlServerState.h"
#include "remote/QueuedCalls.h"
#include "remote/RemoteTransport.h"
#include "remote/ServicePublisher.h"

#include <QHostAddress>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <map>
#include <optional>

namespace remote {

class ControlServerSockets;

class ControlServer : public QObject, public RemoteTransport {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(int connectedClients READ connectedClients NOTIFY connectedClientsChanged)

public:
    using CommandHandler = std::function<void(ConnectionId connection, const RemoteMessage& message)>;

    struct Limits {
        qsizetype maxLineBytes = 1 << 20;
        int maxConnections = 64;
        qint64 maxUnsentBytes = qint64(16) << 20;
        int maxPendingMessages = 256;
        int maxKeysPerConnection = 16;
        qsizetype maxKeyBytes = 256;
    };

    struct Options {
        QHostAddress address = QHostAddress::Any;
        quint16 port = 8765;
        Limits limits;
    };

    // What the server holds, read under its lock (for tests and diagnostics).
    struct Snapshot {
        std::vector<ConnectionId> connections;
        std::size_t buffers = 0;
        std::size_t bufferedBytes = 0;
        std::map<QString, ConnectionId> connByClientKey;
        std::map<ConnectionId, int> pending;
        std::map<ConnectionId, bool> paused;
    };

    explicit ControlServer(ServicePublisher& publisher, QObject* parent = nullptr);
    ControlServer(ServicePublisher& publisher, Options options, QObject* parent = nullptr);
    ~ControlServer() override;

    static QString bonjourType() { return QStringLiteral("_corvale._tcp."); }
    static QString bonjourDomain() { return QStringLiteral("local."); }
    // The announced name: the pretty host name, else the host name, else "Corvale".
    static QString serviceName(const QString& prettyHostName, const QString& hostName);
    // PRETTY_HOSTNAME of /etc/machine-info (or of `path`), unquoted; empty when there is none.
    static QString prettyHostName(const QString& path = QStringLiteral("/etc/machine-info"));

    bool isRunning() const { return isRunning_; }
    int connectedClients() const { return connectedClients_; }
    // The port listened on (the one the system chose, for port 0) once listening; else the
    // configured one.
    quint16 port() const { return boundPort_.load(); }

    void setCommandHandler(CommandHandler handler);
    void startOnce();
    void stop();

    void send(ConnectionId connection, const RemoteMessage& message) override;
    void sendToClientKey(const QString& clientKey, const RemoteMessage& message) override;
    void broadcastState(const RemoteMessage& message) override;
    void bind(const QString& clientKey, ConnectionId connection) override;
    QString peerAddress(ConnectionId connection) const override;

    // Bytes given to send() for the connection and not yet taken by the system; none once the
    // connection is gone. Senders of bulk data wait for it to fall before sending more.
    std::optional<qint64> unsentBytes(ConnectionId connection) const;

    Snapshot snapshot() const;

signals:
    void isRunningChanged(bool value);
    void connectedClientsChanged(int value);

public:
    // Calls from the network thread; see QueuedCalls.
    QueuedCalls& queuedCalls() { return calls_; }
    Q_INVOKABLE void runQueuedCalls() { calls_.run(); }

private:
    friend class ControlServerSockets;

    // Main-thread ends of the network thread's events.
    void deliver(ConnectionId connection, const std::vector<RemoteMessage>& messages);
    void publishRunning(bool running);
    void publishConnectedClients(int count);
    void listenerReady(quint16 port);
    void listenerFailed();
    void startBonjour();
    void stopBonjour();

    // Takes the bytes over: the last reference is dropped on the network thread, after the
    // socket is done with them.
    void queueBytes(ConnectionId connection, QByteArray bytes);

    ServicePublisher& publisher_;
    const Options options_;
    mutable ControlServerState state_;

    QThread networkThread_;
    ControlServerSockets* sockets_ = nullptr;

    bool hasStarted_ = false;
    std::atomic<bool> accepting_ { false };
    std::atomic<quint16> boundPort_;
    bool isRunning_ = false;
    int connectedClients_ = 0;
    bool bonjourActive_ = false;
    CommandHandler commandHandler_;
    QueuedCalls calls_ { this };
};

} // namespace remote
