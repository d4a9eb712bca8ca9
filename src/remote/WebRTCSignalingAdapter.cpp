#include "remote/WebRTCSignalingAdapter.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"

namespace remote {

WebRTCSignalingAdapter::WebRTCSignalingAdapter(RemoteTransport& controlServer, QObject* parent)
    : QObject(parent)
    , controlServer_(controlServer)
{
}

void WebRTCSignalingAdapter::setActiveClientKey(std::optional<QString> key)
{
    Q_ASSERT(platform::isMainThread());
    activeClientKey_ = std::move(key);
}

void WebRTCSignalingAdapter::handleIncoming(const RemoteMessage& message)
{
    Q_ASSERT(platform::isMainThread());
    const auto signal = WebRTCSignalMessage::fromDict(message);
    if (signal && onSignal_)
        onSignal_(*signal);
}

void WebRTCSignalingAdapter::send(const QString& sessionID, const QJsonObject& payload)
{
    Q_ASSERT(platform::isMainThread());
    if (!activeClientKey_ || activeClientKey_->isEmpty()) {
        dlog("⚠️ [WebRTC] send blocked: activeClientKey is nil");
        return;
    }
    const RemoteMessage envelope {
        { QStringLiteral("type"), QStringLiteral("webrtc.signal") },
        { QStringLiteral("sessionID"), sessionID },
        { QStringLiteral("clientKey"), *activeClientKey_ },
        { QStringLiteral("payload"), payload },
    };
    controlServer_.sendToClientKey(*activeClientKey_, envelope);
}

} // namespace remote
