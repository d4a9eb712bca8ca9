#pragma once

// The control server's network side: the listening socket and every connection's socket, on the
// network thread "ControlServer.NWQueue". It accepts, reads at most 64 KiB at a time, frames and
// parses lines, queues parsed objects to the server on the main thread, writes what the server
// queues, and removes connections that close, fail or break a limit.
//
// Threads: every member runs on the network thread (asserted); the server reaches it only by
// queued calls. Shared collections are touched under the state's mutex.

#include "remote/ControlServer.h"
#include "remote/QueuedCalls.h"

#include <QByteArray>
#include <QObject>

#include <unordered_map>

class QTcpServer;
class QTcpSocket;

namespace remote {

class ControlServerSockets : public QObject {
    Q_OBJECT

public:
    ControlServerSockets(ControlServer& server, ControlServerState& state, const ControlServer::Limits& limits);

    void listen(const QHostAddress& address, quint16 port);
    void write(ConnectionId connection, const QByteArray& bytes);
    void writeToAll(const QByteArray& bytes);
    // Reading may go on: the main thread has caught up with the connection's messages.
    void resume(ConnectionId connection);
    // Closes the listener and every connection (the server is stopping).
    void closeAll();

    // Calls from the server's side; see QueuedCalls.
    QueuedCalls& queuedCalls() { return calls_; }
    Q_INVOKABLE void runQueuedCalls() { calls_.run(); }

private:
    void accept();
    void readFrom(ConnectionId connection);
    // Frames what is buffered, queues the parsed objects; false when the connection had to go.
    bool drain(ConnectionId connection);
    void remove(ConnectionId connection);
    void updateSocketBytes(ConnectionId connection, QTcpSocket* socket);

    ControlServer& server_;
    ControlServerState& state_;
    const ControlServer::Limits limits_;
    QTcpServer* listener_ = nullptr;
    std::unordered_map<ConnectionId, QTcpSocket*> sockets_;
    ConnectionId lastId_ = 0;
    QueuedCalls calls_ { this };
};

} // namespace remote
