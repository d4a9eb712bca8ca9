#include "remote/WebRTCSignalMessage.h"

namespace remote {

std::optional<WebRTCSignalMessage> WebRTCSignalMessage::fromDict(const RemoteMessage& message)
{
    const auto type = message.value(QLatin1String("type"));
    if (!type.isString() || type.toString() != QLatin1String("webrtc.signal"))
        return std::nullopt;
    const auto sessionID = message.value(QLatin1String("sessionID"));
    if (!sessionID.isString() || sessionID.toString().isEmpty())
        return std::nullopt;
    const auto payload = message.value(QLatin1String("payload"));
    if (!payload.isObject())
        return std::nullopt;
    return WebRTCSignalMessage { sessionID.toString(), payload.toObject() };
}

RemoteMessage WebRTCSignalMessage::toDict() const
{
    return RemoteMessage {
        { QStringLiteral("type"), QStringLiteral("webrtc.signal") },
        { QStringLiteral("sessionID"), sessionID },
        { QStringLiteral("payload"), payload },
    };
}

} // namespace remote
