#pragma once

// What the control server's main-thread side and its network thread share: the open connections
// in order of acceptance, each with its unframed bytes, its client keys and its flow counters, and
// the connection each client key was last bound to. One mutex guards all of it; it is held only
// for the access itself, never while sending, logging or calling back.

#include "remote/RemoteTypes.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <mutex>
#include <unordered_map>
#include <vector>

namespace remote {

struct ControlServerState {
    struct Connection {
        QByteArray buffer;
        QString address;
        // The keys bound to this connection, oldest first.
        std::vector<QString> keys;
        // Messages parsed and queued to the main thread, not yet handled.
        int pending = 0;
        bool paused = false;
        // Bytes handed to send() and not yet written by the socket, plus the socket's own backlog.
        qint64 queuedBytes = 0;
        qint64 socketBytes = 0;
    };

    std::mutex mutex;
    std::vector<ConnectionId> order;
    std::unordered_map<ConnectionId, Connection> connections;
    QHash<QString, ConnectionId> connByClientKey;

    // Drops a connection and every binding that still points at it; the caller holds the mutex.
    // Returns the number of connections left.
    int removeLocked(ConnectionId id)
    {
        const auto it = connections.find(id);
        if (it != connections.end()) {
            for (const auto& key : it->second.keys) {
                const auto bound = connByClientKey.constFind(key);
                if (bound != connByClientKey.constEnd() && *bound == id)
                    connByClientKey.erase(bound);
            }
            connections.erase(it);
        }
        std::erase(order, id);
        return static_cast<int>(order.size());
    }
};

} // namespace remote
