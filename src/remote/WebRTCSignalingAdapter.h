#pragma once

// The live-video session's signalling channel: the remote-control connection itself. The adapter
// remembers which client the session talks to (the client whose "start" was admitted last),
// hands admitted incoming messages to the session and sends the session's messages to that
// client through the transport.
//
// Threads: main thread only (asserted). `onSignal` is called synchronously from
// handleIncoming(); the shell's callback hops on to the session from there.

#include "remote/RemoteTransport.h"
#include "remote/WebRTCSignalMessage.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace remote {

class WebRTCSignalingAdapter : public QObject {
    Q_OBJECT

public:
    using SignalCallback = std::function<void(const WebRTCSignalMessage&)>;

    explicit WebRTCSignalingAdapter(RemoteTransport& controlServer, QObject* parent = nullptr);

    const std::optional<QString>& activeClientKey() const { return activeClientKey_; }
    void setActiveClientKey(std::optional<QString> key);

    void setOnSignal(SignalCallback callback) { onSignal_ = std::move(callback); }

    // Builds the signal message and hands it to onSignal when it is well formed; otherwise
    // does nothing and reports nothing.
    void handleIncoming(const RemoteMessage& message);

    // Sends one payload to the active client as a four-key envelope; nothing is sent (and the
    // caller is not told) without an active client or a connection bound to its key.
    void send(const QString& sessionID, const QJsonObject& payload);

private:
    RemoteTransport& controlServer_;
    std::optional<QString> activeClientKey_;
    SignalCallback onSignal_;
};

} // namespace remote
