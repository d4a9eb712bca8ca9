#include "remote/ControlServer.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "remote/ControlServerSockets.h"
#include "remote/QueuedCalls.h"
#include "remote/RemoteJson.h"

#include <QFile>
#include <QSysInfo>

namespace remote {

ControlServer::ControlServer(ServicePublisher& publisher, QObject* parent)
    : ControlServer(publisher, Options(), parent)
{
}

ControlServer::ControlServer(ServicePublisher& publisher, Options options, QObject* parent)
    : QObject(parent)
    , publisher_(publisher)
    , options_(std::move(options))
    , boundPort_(options_.port)
{
    networkThread_.setObjectName(QStringLiteral("ControlServer.NWQueue"));
    sockets_ = new ControlServerSockets(*this, state_, options_.limits);
    sockets_->moveToThread(&networkThread_);
}

ControlServer::~ControlServer()
{
    stop();
    delete sockets_;
}

QString ControlServer::serviceName(const QString& prettyHostName, const QString& hostName)
{
    if (!prettyHostName.trimmed().isEmpty())
        return prettyHostName.trimmed();
    if (!hostName.trimmed().isEmpty())
        return hostName.trimmed();
    return QStringLiteral("Corvale");
}

QString ControlServer::prettyHostName(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A small key=value file; anything larger is not one.
    const QByteArray content = file.read(64 * 1024);
    for (const QByteArray& raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith("PRETTY_HOSTNAME="))
            continue;
        QByteArray value = line.mid(int(sizeof("PRETTY_HOSTNAME=")) - 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return QString::fromUtf8(value).remove(QLatin1Char('\\'));
    }
    return {};
}

void ControlServer::setCommandHandler(CommandHandler handler)
{
    Q_ASSERT(platform::isMainThread());
    commandHandler_ = std::move(handler);
}

void ControlServer::startOnce()
{
    Q_ASSERT(platform::isMainThread());
    if (hasStarted_)
        return;
    hasStarted_ = true;
    accepting_ = true;
    networkThread_.start();
    sockets_->queuedCalls().post(
        [sockets = sockets_, address = options_.address, port = options_.port] { sockets->listen(address, port); });
}

void ControlServer::stop()
{
    Q_ASSERT(platform::isMainThread());
    accepting_ = false;
    if (networkThread_.isRunning()) {
        sockets_->queuedCalls().postAndWait([sockets = sockets_] { sockets->closeAll(); });
        networkThread_.quit();
        networkThread_.wait();
        sockets_->queuedCalls().discard();
    }
    {
        std::lock_guard lock(state_.mutex);
        state_.order.clear();
        state_.connections.clear();
        state_.connByClientKey.clear();
    }
    stopBonjour();
    platform::runOnMain(this, [this] {
        publishRunning(false);
        publishConnectedClients(0);
    });
}

void ControlServer::publishRunning(bool running)
{
    isRunning_ = running;
    emit isRunningChanged(running);
}

void ControlServer::publishConnectedClients(int count)
{
    connectedClients_ = count;
    emit connectedClientsChanged(count);
}

void ControlServer::listenerReady(quint16 port)
{
    if (!accepting_)
        return; // stopped while the listener was coming up
    boundPort_ = port;
    publishRunning(true);
    dlog("✅ ControlServer listening on port", port);
    startBonjour();
}

void ControlServer::listenerFailed()
{
    publishRunning(false);
    stopBonjour();
}

void ControlServer::deliver(ConnectionId connection, const std::vector<RemoteMessage>& messages)
{
    Q_ASSERT(platform::isMainThread());
    for (const auto& message : messages) {
        bool resume = false;
        {
            std::lock_guard lock(state_.mutex);
            const auto it = state_.connections.find(connection);
            if (it != state_.connections.end()) {
                auto& entry = it->second;
                --entry.pending;
                // Reading starts again once half the allowance is free, not at every message.
                resume = entry.paused && entry.pending == options_.limits.maxPendingMessages / 2;
            }
        }
        if (resume) {
            sockets_->queuedCalls().post([sockets = sockets_, connection] { sockets->resume(connection); });
        }
        // Looked up per message: a handler may replace itself.
        if (const auto handler = commandHandler_)
            handler(connection, message);
    }
}

void ControlServer::queueBytes(ConnectionId connection, QByteArray bytes)
{
    {
        std::lock_guard lock(state_.mutex);
        const auto it = state_.connections.find(connection);
        if (it == state_.connections.end())
            return;
        it->second.queuedBytes += bytes.size();
    }
    sockets_->queuedCalls().post(
        [sockets = sockets_, connection, bytes = std::move(bytes)] { sockets->write(connection, bytes); });
}

void ControlServer::send(ConnectionId connection, const RemoteMessage& message)
{
    auto line = RemoteJson::encodeLine(message);
    if (!line) {
        dlog("❌ send JSON encode error:", line.error());
        return;
    }
    if (accepting_)
        queueBytes(connection, std::move(line).value());
}

void ControlServer::sendToClientKey(const QString& clientKey, const RemoteMessage& message)
{
    std::optional<ConnectionId> connection;
    {
        std::lock_guard lock(state_.mutex);
        const auto it = state_.connByClientKey.constFind(clientKey);
        if (it != state_.connByClientKey.constEnd())
            connection = *it;
    }
    if (connection)
        send(*connection, message);
}

void ControlServer::broadcastState(const RemoteMessage& message)
{
    auto line = RemoteJson::encodeLine(message);
    if (!line) {
        dlog("❌ broadcast JSON encode error:", line.error());
        return;
    }
    if (!accepting_)
        return;
    std::vector<ConnectionId> ids;
    {
        std::lock_guard lock(state_.mutex);
        ids = state_.order;
    }
    // One serialisation, one buffer shared by every connection's write.
    QByteArray bytes = std::move(line).value();
    for (std::size_t i = 0; i < ids.size(); ++i)
        queueBytes(ids[i], i + 1 == ids.size() ? std::move(bytes) : bytes);
}

void ControlServer::bind(const QString& clientKey, ConnectionId connection)
{
    if (clientKey.size() > options_.limits.maxKeyBytes || clientKey.toUtf8().size() > options_.limits.maxKeyBytes)
        return;
    std::lock_guard lock(state_.mutex);
    const auto it = state_.connections.find(connection);
    if (it == state_.connections.end())
        return; // the connection is gone: a binding to it could never be used or dropped
    auto& keys = it->second.keys;
    std::erase(keys, clientKey);
    keys.push_back(clientKey);
    if (static_cast<int>(keys.size()) > options_.limits.maxKeysPerConnection) {
        const QString oldest = keys.front();
        keys.erase(keys.begin());
        const auto bound = state_.connByClientKey.constFind(oldest);
        if (bound != state_.connByClientKey.constEnd() && *bound == connection)
            state_.connByClientKey.erase(bound);
    }
    // A key moving to this connection leaves the previous connection's key list as it is: that
    // list only says which bindings to drop when its connection goes, and the check above skips
    // bindings that have moved on.
    state_.connByClientKey.insert(clientKey, connection);
}

QString ControlServer::peerAddress(ConnectionId connection) const
{
    std::lock_guard lock(state_.mutex);
    const auto it = state_.connections.find(connection);
    return it == state_.connections.end() ? QString() : it->second.address;
}

std::optional<qint64> ControlServer::unsentBytes(ConnectionId connection) const
{
    std::lock_guard lock(state_.mutex);
    const auto it = state_.connections.find(connection);
    if (it == state_.connections.end())
        return std::nullopt;
    return it->second.queuedBytes + it->second.socketBytes;
}

ControlServer::Snapshot ControlServer::snapshot() const
{
    std::lock_guard lock(state_.mutex);
    Snapshot snapshot;
    snapshot.connections = state_.order;
    snapshot.buffers = state_.connections.size();
    for (const auto& [id, connection] : state_.connections) {
        snapshot.bufferedBytes += static_cast<std::size_t>(connection.buffer.size());
        snapshot.pending[id] = connection.pending;
        snapshot.paused[id] = connection.paused;
    }
    for (auto it = state_.connByClientKey.constBegin(); it != state_.connByClientKey.constEnd(); ++it)
        snapshot.connByClientKey[it.key()] = it.value();
    return snapshot;
}

void ControlServer::startBonjour()
{
    Q_ASSERT(platform::isMainThread());
    if (bonjourActive_) {
        dlog("ℹ️ Bonjour already active. Skip publish.");
        return;
    }
    const quint16 servicePort = port();
    ServiceDescription service;
    service.name = serviceName(prettyHostName(), QSysInfo::machineHostName());
    service.type = bonjourType();
    service.domain = bonjourDomain();
    service.port = servicePort;
    service.txt = { { QByteArrayLiteral("app"), QByteArrayLiteral("Corvale") },
        { QByteArrayLiteral("port"), QByteArray::number(servicePort) } };
    bonjourActive_ = true;
    ServicePublisher::Listener listener;
    listener.didPublish = [](const ServiceDescription& published) {
        dlog("✅ Bonjour didPublish:", published.name, published.type, "domain=" + published.domain,
            "port=" + QString::number(published.port));
    };
    listener.didNotPublish = [](const QString& error) { dlog("❌ Bonjour didNotPublish:", error); };
    listener.didStop = [] { dlog("🛑 Bonjour didStop"); };
    publisher_.publish(service, std::move(listener));
    dlog("📡 Bonjour publish() called:", service.name, service.type, "port", servicePort);
}

void ControlServer::stopBonjour()
{
    Q_ASSERT(platform::isMainThread());
    if (!bonjourActive_) {
        dlog("ℹ️ stopBonjour() but netService is nil");
        return;
    }
    dlog("🛑 stopBonjour() called. Stopping NetService...");
    bonjourActive_ = false;
    publisher_.stop();
}

} // namespace remote
