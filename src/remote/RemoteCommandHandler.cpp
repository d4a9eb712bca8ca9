#include "remote/RemoteCommandHandler.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "remote/MessageFields.h"
#include "remote/PermissionPrompter.h"
#include "remote/RemoteCommandTable.h"
#include "remote/RemoteJson.h"
#include "remote/RemoteReplies.h"
#include "remote/RemoteTransport.h"
#include "remote/WebRTCSignalingAdapter.h"

#include <QPointer>

namespace remote {

namespace {

const QSet<QString>& viewCommands()
{
    static const QSet<QString> commands { QStringLiteral("request_state"), QStringLiteral("request_playback_clock"),
        QStringLiteral("set_preview_mode"), QStringLiteral("request_cache_manifest"),
        QStringLiteral("cache_fetch_clip") };
    return commands;
}

// Signals that steer a running session; only the client that started it may send them.
const QSet<QString>& sessionSignals()
{
    static const QSet<QString> kinds { QStringLiteral("answer"), QStringLiteral("ice"), QStringLiteral("stop") };
    return kinds;
}

std::optional<QString> topOrPayloadString(const RemoteMessage& message, const QJsonObject& payload, const char* key)
{
    const auto top = message.value(QLatin1String(key));
    if (top.isString())
        return top.toString();
    const auto nested = payload.value(QLatin1String(key));
    if (nested.isString())
        return nested.toString();
    return std::nullopt;
}

// The message as one readable line for the log, cut so a hostile megabyte stays out of it.
QString logText(const RemoteMessage& message)
{
    constexpr qsizetype maxLogBytes = 1024;
    auto line = RemoteJson::encodeLine(message);
    QByteArray bytes = line ? *line : QByteArrayLiteral("<unprintable>");
    bytes = bytes.trimmed();
    if (bytes.size() > maxLogBytes)
        bytes = bytes.left(maxLogBytes) + "…";
    return QString::fromUtf8(bytes);
}

} // namespace

RemoteCommandHandler::RemoteCommandHandler(Services services, QObject* parent)
    : QObject(parent)
    , transport_(services.transport)
    , authGate_(services.authGate)
    , signaling_(services.signaling)
    , prompter_(services.prompter)
    , commandTable_(&services.commandTable)
    , pairingCode_(std::move(services.pairingCode))
    , lockout_(services.clock)
{
}

void RemoteCommandHandler::handle(ConnectionId connection, const RemoteMessage& message)
{
    Q_ASSERT(platform::isMainThread());
    const QString clientKey = MessageFields::extractClientKey(message);
    if (clientKey != unknownClientKey)
        transport_.bind(clientKey, connection);

    const auto type = MessageFields::extractType(message);
    if (type == QLatin1String("hello"))
        handleHello(connection, message);
    else if (type == QLatin1String("auth.request"))
        handleAuthRequest(connection, message);
    else if (type == QLatin1String("webrtc.signal"))
        handleSignal(connection, message);
    else
        handleCommand(connection, message);
}

void RemoteCommandHandler::handleHello(ConnectionId connection, const RemoteMessage& message)
{
    const auto codeValue = message.value(QLatin1String("code"));
    const auto nameValue = message.value(QLatin1String("name"));
    const auto roleValue = message.value(QLatin1String("role"));
    const QString code = codeValue.isString() ? codeValue.toString() : QString();
    const QString name = nameValue.isString() ? nameValue.toString() : QStringLiteral("Unknown");
    const QString role = roleValue.isString() ? roleValue.toString() : QStringLiteral("viewer");

    const QString expected = pairingCode_ ? pairingCode_() : QString();
    // A station without a code pairs nobody, rather than everybody who sends none.
    const bool paired = !expected.isEmpty() && lockout_.check(transport_.peerAddress(connection), code, expected);
    transport_.send(connection, paired ? RemoteReplies::welcome(role, name) : RemoteReplies::badCode());
}

void RemoteCommandHandler::handleAuthRequest(ConnectionId connection, const RemoteMessage& message)
{
    const QJsonObject payload = MessageFields::extractPayload(message).value_or(QJsonObject());
    const QString scope = topOrPayloadString(message, payload, "scope").value_or(QStringLiteral("view"));
    // Here an empty top-level key is taken as it is.
    const QString clientKey
        = topOrPayloadString(message, payload, "clientKey").value_or(MessageFields::extractClientKey(message));
    QString deviceName = QStringLiteral("Unknown Device");
    for (const auto& value : { message.value(QLatin1String("deviceName")), payload.value(QLatin1String("deviceName")),
             message.value(QLatin1String("name")), payload.value(QLatin1String("name")) }) {
        if (value.isString()) {
            deviceName = value.toString();
            break;
        }
    }
    dlog("🔐 [AUTH] request scope=" + scope + " device=" + deviceName + " clientKey=" + clientKey);

    if (pendingKeys_.contains(clientKey) || pendingKeys_.size() >= maxPendingPrompts) {
        transport_.send(connection, RemoteReplies::deny(scope, clientKey, QStringLiteral("Request already pending")));
        return;
    }

    const bool wantsControl = scope == QLatin1String("control");
    PermissionRequest request;
    request.deviceName = PermissionPrompter::sanitised(deviceName);
    request.clientKey = PermissionPrompter::sanitised(clientKey);
    request.requested = wantsControl ? QStringLiteral("CONTROL") : QStringLiteral("VIEW");
    request.address = PermissionPrompter::sanitised(transport_.peerAddress(connection));

    pendingKeys_.insert(clientKey);
    QPointer<RemoteCommandHandler> guard(this);
    prompter_.ask(request, [guard, connection, scope, clientKey, wantsControl](bool allowed) {
        if (!guard)
            return;
        Q_ASSERT(platform::isMainThread());
        guard->pendingKeys_.remove(clientKey);
        if (!allowed) {
            guard->transport_.send(
                connection, RemoteReplies::deny(scope, clientKey, QStringLiteral("User denied on Mac")));
            return;
        }
        const auto level = wantsControl ? AuthGate::PermissionLevel::control : AuthGate::PermissionLevel::view;
        guard->authGate_.set(level, clientKey);
        guard->transport_.send(connection,
            RemoteReplies::grant(wantsControl ? QStringLiteral("control") : QStringLiteral("view"), clientKey));
    });
}

void RemoteCommandHandler::handleSignal(ConnectionId connection, const RemoteMessage& message)
{
    const QString clientKey = MessageFields::extractClientKey(message);
    const QJsonObject payload = MessageFields::extractPayload(message).value_or(QJsonObject());
    const auto kindValue = payload.value(QLatin1String("kind"));
    const QString kind = kindValue.isString() ? kindValue.toString() : QString();

    if (kind == QLatin1String("start")) {
        if (!authGate_.hasView(clientKey)) {
            dlog("⛔️ [AUTH] Block webrtc.start (no view grant) clientKey=" + clientKey);
            transport_.send(connection,
                RemoteReplies::authRequired(
                    QStringLiteral("view"), clientKey, QStringLiteral("Request View permission first")));
            transport_.send(connection,
                RemoteReplies::ack(false, QStringLiteral("webrtc.start blocked: view permission required")));
            return;
        }
        signaling_.setActiveClientKey(clientKey);
        signaling_.handleIncoming(message);
    } else if (sessionSignals().contains(kind)) {
        // Another tablet must not end or steer the session a viewer is watching.
        const auto& active = signaling_.activeClientKey();
        if (active && *active == clientKey && authGate_.hasView(clientKey))
            signaling_.handleIncoming(message);
        else
            dlog("⛔️ [AUTH] Drop webrtc." + kind + " (not the active viewer) clientKey=" + clientKey);
    } else {
        signaling_.handleIncoming(message);
    }
    transport_.send(connection, RemoteReplies::ack(true, QStringLiteral("webrtc.signal received")));
}

void RemoteCommandHandler::handleCommand(ConnectionId connection, const RemoteMessage& message)
{
    const auto action = MessageFields::extractAction(message);
    if (!action) {
        transport_.send(connection, RemoteReplies::ack(false, QStringLiteral("Missing action")));
        return;
    }
    dlog("🎮 RX:", logText(message));
    dlog("🎮 Action:", *action);
    const QString clientKey = MessageFields::extractClientKey(message);

    if (*action == QLatin1String("ping")) {
        transport_.send(connection, RemoteReplies::ack(true, QStringLiteral("pong")));
        return;
    }
    // A refusal is the ack first, then the request for the missing level.
    const auto refuse = [&](const QString& scope, const QString& logLine, const QString& reason) {
        dlog(logLine);
        transport_.send(
            connection, RemoteReplies::ackRequiring(QStringLiteral("need %1 permission").arg(scope), scope));
        transport_.send(connection, RemoteReplies::authRequired(scope, clientKey, reason));
    };
    if (viewCommands().contains(*action)) {
        if (!authGate_.hasView(clientKey)) {
            refuse(QStringLiteral("view"), "⛔️ [AUTH] Block " + *action + " (need view) clientKey=" + clientKey,
                QStringLiteral("View permission required"));
            return;
        }
    } else if (!authGate_.hasControl(clientKey)) {
        refuse(QStringLiteral("control"),
            "⛔️ [AUTH] Block action=" + *action + " (need control) clientKey=" + clientKey,
            QStringLiteral("Control permission required"));
        return;
    }
    commandTable_->execute(RemoteCommand { message, *action, connection, clientKey });
}

} // namespace remote
