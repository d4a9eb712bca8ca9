#pragma once

// The command handler of the remote-control protocol: the control server hands it every parsed
// object with its connection. It derives the sender's client key, binds the key to the
// connection, and routes by "type": "hello" checks the pairing code, "auth.request" asks the
// operator for a permission level, "webrtc.signal" goes to the signalling adapter, and anything
// else is a command named by "action", which passes the permission gate before the command table
// runs it. Pairing grants nothing; only the operator's answer sets a level.
//
// Guessing the pairing code is slowed per remote address (PairingLockout). At most one permission
// question per client key and four in all wait for the operator; while one waits, every other
// message is handled, and only that request's reply waits for the answer. Live-video signals
// other than "start" are taken only from the active client.
//
// Threads: main thread only (asserted).

#include "platform/MediaClock.h"
#include "remote/AuthGate.h"
#include "remote/PairingLockout.h"
#include "remote/RemoteTypes.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

namespace remote {

class PermissionPrompter;
class RemoteCommandTable;
class RemoteTransport;
class WebRTCSignalingAdapter;

class RemoteCommandHandler : public QObject {
    Q_OBJECT

public:
    static constexpr int maxPendingPrompts = 4;

    struct Services {
        RemoteTransport& transport;
        AuthGate& authGate;
        WebRTCSignalingAdapter& signaling;
        PermissionPrompter& prompter;
        RemoteCommandTable& commandTable;
        // The station's current pairing code, read at every "hello".
        std::function<QString()> pairingCode;
        platform::MediaClock& clock;
    };

    explicit RemoteCommandHandler(Services services, QObject* parent = nullptr);

    void handle(ConnectionId connection, const RemoteMessage& message);

    // The table that runs permitted commands (the stand-in until the real one is installed).
    void setCommandTable(RemoteCommandTable& table) { commandTable_ = &table; }

    int pendingPrompts() const { return static_cast<int>(pendingKeys_.size()); }

private:
    void handleHello(ConnectionId connection, const RemoteMessage& message);
    void handleAuthRequest(ConnectionId connection, const RemoteMessage& message);
    void handleSignal(ConnectionId connection, const RemoteMessage& message);
    void handleCommand(ConnectionId connection, const RemoteMessage& message);

    RemoteTransport& transport_;
    AuthGate& authGate_;
    WebRTCSignalingAdapter& signaling_;
    PermissionPrompter& prompter_;
    RemoteCommandTable* commandTable_;
    std::function<QString()> pairingCode_;
    PairingLockout lockout_;
    QSet<QString> pendingKeys_;
};

} // namespace remote
