#include "remote/protocol/WelcomeMessage.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

WelcomeMessage::WelcomeMessage(RemoteRole role, QString serverName, std::int64_t protocolVersion)
    : role(role)
    , serverName(std::move(serverName))
    , protocolVersion(protocolVersion)
{
}

QJsonObject WelcomeMessage::toJson() const
{
    return RecordWriter()
        .field("type", type)
        .field("role", role)
        .field("serverName", serverName)
        .field("protocolVersion", qint64(protocolVersion))
        .take();
}

Decoded<WelcomeMessage> WelcomeMessage::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    reader.expectType(RemoteMessageType::welcome);
    WelcomeMessage message;
    message.role = reader.enumeration<RemoteRole>("role");
    message.serverName = reader.string("serverName");
    message.protocolVersion = reader.integer("protocolVersion");
    return reader.result(std::move(message));
}

} // namespace remote
