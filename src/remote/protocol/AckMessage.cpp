#include "remote/protocol/AckMessage.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

AckMessage::AckMessage(bool ok, std::optional<QString> message)
    : ok(ok)
    , message(std::move(message))
{
}

QJsonObject AckMessage::toJson() const
{
    return RecordWriter().field("type", type).field("ok", ok).field("message", message).take();
}

Decoded<AckMessage> AckMessage::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    reader.expectType(RemoteMessageType::ack);
    AckMessage ack;
    ack.ok = reader.boolean("ok");
    ack.message = reader.optionalString("message");
    return reader.result(std::move(ack));
}

} // namespace remote
