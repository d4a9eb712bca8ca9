#include "remote/protocol/HelloMessage.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

HelloMessage::HelloMessage(QString pairingCode, QString clientName, QString platform)
    : pairingCode(std::move(pairingCode))
    , clientName(std::move(clientName))
    , platform(std::move(platform))
{
}

QJsonObject HelloMessage::toJson() const
{
    return RecordWriter()
        .field("type", type)
        .field("pairingCode", pairingCode)
        .field("clientName", clientName)
        .field("platform", platform)
        .take();
}

Decoded<HelloMessage> HelloMessage::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    reader.expectType(RemoteMessageType::hello);
    HelloMessage message;
    message.pairingCode = reader.string("pairingCode");
    message.clientName = reader.string("clientName");
    message.platform = reader.string("platform");
    return reader.result(std::move(message));
}

} // namespace remote
