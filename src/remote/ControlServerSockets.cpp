#include "remote/ControlServerSockets.h"

#include "platform/DebugLog.h"
#include "remote/LineFramer.h"
#include "remote/QueuedCalls.h"
#include "remote/RemoteJson.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace remote {

namespace {

constexpr qint64 readChunkBytes = 65536;

// A peer that vanishes without closing (a tablet that went to sleep, a dropped Wi-Fi link) is
// noticed within about a minute instead of holding its slot for hours.
void enableKeepAlive(QTcpSocket* socket)
{
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const auto fd = socket->socketDescriptor();
    if (fd < 0)
        return;
    const int idle = 30;
    const int interval = 10;
    const int count = 3;
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

} // namespace

ControlServerSockets::ControlServerSockets(
    ControlServer& server, ControlServerState& state, const ControlServer::Limits& limits)
    : server_(server)
    , state_(state)
    , limits_(limits)
{
}

void ControlServerSockets::listen(const QHostAddress& address, quint16 port)
{
    Q_ASSERT(QThread::currentThread() == thread());
    listener_ = new QTcpServer(this);
    if (!listener_->listen(address, port)) {
        const QString error = listener_->errorString();
        delete listener_;
        listener_ = nullptr;
        server_.queuedCalls().post([server = &server_, error] {
            server->publishRunning(false);
            dlog("❌ ControlServer start error:", error);
        });
        return;
    }
    connect(listener_, &QTcpServer::newConnection, this, &ControlServerSockets::accept);
    // Accepting stops for good on an error that is not transient (the listener has failed);
    // connections already open go on working.
    connect(listener_, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        const QString error = listener_->errorString();
        server_.queuedCalls().post([server = &server_, error] {
            dlog("❌ ControlServer failed:", error);
            server->listenerFailed();
        });
    });
    const quint16 bound = listener_->serverPort();
    server_.queuedCalls().post([server = &server_, bound] { server->listenerReady(bound); });
}

void ControlServerSockets::accept()
{
    while (listener_ && listener_->hasPendingConnections()) {
        QTcpSocket* socket = listener_->nextPendingConnection();
        const ConnectionId id = ++lastId_;
        int count = 0;
        bool refused = false;
        {
            std::lock_guard lock(state_.mutex);
            if (static_cast<int>(state_.order.size()) >= limits_.maxConnections) {
                refused = true;
            } else {
                state_.order.push_back(id);
                auto& connection = state_.connections[id];
                connection.address = socket->peerAddress().toString();
                count = static_cast<int>(state_.order.size());
            }
        }
        if (refused) {
            dlog("⚠️ ControlServer: connection limit reached, closing new connection");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        sockets_[id] = socket;
        socket->setParent(this);
        // Qt stops taking bytes from the system once this much waits unread, so a paused
        // connection is held back by TCP itself.
        socket->setReadBufferSize(readChunkBytes);
        enableKeepAlive(socket);
        // Clocks and acks are small lines that must not wait for the peer's delayed ACK.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        server_.queuedCalls().post([server = &server_, count] { server->publishConnectedClients(count); });
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { readFrom(id); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, id, socket] { updateSocketBytes(id, socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] {
            // The bytes of the last chunk are handled before the connection goes.
            readFrom(id);
            remove(id);
        });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, id, socket](QAbstractSocket::SocketError error) {
            if (error == QAbstractSocket::RemoteHostClosedError)
                return; // the ordinary end of stream; disconnected() follows
            dlog("❌ receive error:", socket->errorString());
            remove(id);
        });
        dlog("🔌 Client connected");
        readFrom(id);
    }
}

void ControlServerSockets::readFrom(ConnectionId id)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const auto found = sockets_.find(id);
    if (found == sockets_.end())
        return;
    QTcpSocket* socket = found->second;
    if (!drain(id))
        return;
    while (socket->isOpen() && socket->bytesAvailable() > 0) {
        {
            std::lock_guard lock(state_.mutex);
            const auto it = state_.connections.find(id);
            if (it == state_.connections.end() || it->second.paused)
                return;
        }
        const QByteArray chunk = socket->read(readChunkBytes);
        if (chunk.isEmpty())
            return;
        {
            std::lock_guard lock(state_.mutex);
            const auto it = state_.connections.find(id);
            if (it == state_.connections.end())
                return;
            it->second.buffer.append(chunk);
        }
        if (!drain(id))
            return;
    }
}

bool ControlServerSockets::drain(ConnectionId id)
{
    while (true) {
        std::vector<QByteArray> lines;
        bool overLimit = false;
        int room = 0;
        {
            std::lock_guard lock(state_.mutex);
            const auto it = state_.connections.find(id);
            if (it == state_.connections.end())
                return false;
            auto& connection = it->second;
            room = limits_.maxPendingMessages - connection.pending;
            if (room > 0)
                LineFramer::takeLines(connection.buffer, room, lines);
            // Counted as they are taken, so the main thread's count and the pause agree with
            // what is on its way.
            connection.pending += static_cast<int>(lines.size());
            if (connection.pending >= limits_.maxPendingMessages)
                connection.paused = true;
            overLimit = LineFramer::overLimit(connection.buffer, limits_.maxLineBytes);
        }
        std::vector<RemoteMessage> objects;
        objects.reserve(lines.size());
        for (const auto& line : lines) {
            auto parsed = RemoteJson::parseLine(line);
            if (parsed.error) {
                dlog(QStringLiteral("⚠️ ControlServer: invalid JSON (%1 bytes) — %2")
                         .arg(line.size())
                         .arg(*parsed.error));
                continue;
            }
            if (parsed.object)
                objects.push_back(std::move(*parsed.object));
        }
        bool paused = false;
        if (const int dropped = static_cast<int>(lines.size() - objects.size()); dropped > 0) {
            std::lock_guard lock(state_.mutex);
            const auto it = state_.connections.find(id);
            if (it != state_.connections.end()) {
                it->second.pending -= dropped;
                if (it->second.pending < limits_.maxPendingMessages)
                    it->second.paused = false;
                paused = it->second.paused;
            }
        } else {
            std::lock_guard lock(state_.mutex);
            const auto it = state_.connections.find(id);
            paused = it != state_.connections.end() && it->second.paused;
        }
        if (!objects.empty()) {
            server_.queuedCalls().post(
                [server = &server_, id, objects = std::move(objects)] { server->deliver(id, objects); });
        }
        if (overLimit) {
            dlog("⚠️ ControlServer: line over limit, closing");
            remove(id);
            return false;
        }
        // Fewer lines than there was room for: the buffer holds no complete line any more.
        if (paused || static_cast<int>(lines.size()) < room || room <= 0)
            return true;
    }
}

void ControlServerSockets::resume(ConnectionId id)
{
    {
        std::lock_guard lock(state_.mutex);
        const auto it = state_.connections.find(id);
        if (it == state_.connections.end() || !it->second.paused)
            return;
        it->second.paused = false;
    }
    readFrom(id);
}

void ControlServerSockets::write(ConnectionId id, const QByteArray& bytes)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const auto found = sockets_.find(id);
    if (found == sockets_.end())
        return;
    QTcpSocket* socket = found->second;
    {
        std::lock_guard lock(state_.mutex);
        const auto it = state_.connections.find(id);
        if (it != state_.connections.end())
            it->second.queuedBytes -= bytes.size();
    }
    socket->write(bytes);
    if (socket->bytesToWrite() > limits_.maxUnsentBytes)
        socket->flush();
    if (socket->bytesToWrite() > limits_.maxUnsentBytes) {
        dlog("⚠️ ControlServer: unsent output over limit, closing");
        remove(id);
        return;
    }
    updateSocketBytes(id, socket);
}

void ControlServerSockets::writeToAll(const QByteArray& bytes)
{
    std::vector<ConnectionId> ids;
    {
        std::lock_guard lock(state_.mutex);
        ids = state_.order;
    }
    for (const ConnectionId id : ids)
        write(id, bytes);
}

void ControlServerSockets::updateSocketBytes(ConnectionId id, QTcpSocket* socket)
{
    const qint64 backlog = socket->bytesToWrite();
    std::lock_guard lock(state_.mutex);
    const auto it = state_.connections.find(id);
    if (it != state_.connections.end())
        it->second.socketBytes = backlog;
}

void ControlServerSockets::remove(ConnectionId id)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const auto found = sockets_.find(id);
    if (found == sockets_.end())
        return;
    QTcpSocket* socket = found->second;
    sockets_.erase(found);
    int count = 0;
    {
        std::lock_guard lock(state_.mutex);
        count = state_.removeLocked(id);
    }
    server_.queuedCalls().post([server = &server_, count] { server->publishConnectedClients(count); });
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    dlog("🔌 Client disconnected");
}

void ControlServerSockets::closeAll()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (listener_) {
        listener_->close();
        delete listener_;
        listener_ = nullptr;
        dlog("🛑 ControlServer cancelled");
    }
    for (auto& [id, socket] : sockets_) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
        dlog("🔌 Client disconnected");
    }
    sockets_.clear();
}

} // namespace remote
