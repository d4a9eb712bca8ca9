#pragma once

// What the message handlers need of the transport: replies to one connection, messages to the
// connection a client key was last bound to, broadcasts, and the binding itself. ControlServer
// is the real one; tests and the fuzzer use recording stand-ins.
//
// Threads: every operation may be called from any thread.

#include "remote/RemoteTypes.h"

#include <QString>

namespace remote {

class RemoteTransport {
public:
    virtual ~RemoteTransport() = default;

    virtual void send(ConnectionId connection, const RemoteMessage& message) = 0;
    // Does nothing, silently, when no connection is bound to the key.
    virtual void sendToClientKey(const QString& clientKey, const RemoteMessage& message) = 0;
    virtual void broadcastState(const RemoteMessage& message) = 0;
    virtual void bind(const QString& clientKey, ConnectionId connection) = 0;
    // The peer's IP address as text; empty for a connection that is gone.
    virtual QString peerAddress(ConnectionId connection) const = 0;
};

} // namespace remote
