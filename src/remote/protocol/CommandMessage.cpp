#include "remote/protocol/CommandMessage.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

CommandMessage::CommandMessage(RemoteAction action, std::optional<QString> clipID, std::optional<double> seconds,
    std::optional<std::int64_t> direction)
    : action(action)
    , clipID(std::move(clipID))
    , seconds(seconds)
    , direction(direction)
{
}

QJsonObject CommandMessage::toJson() const
{
    return RecordWriter()
        .field("type", type)
        .field("action", action)
        .field("clipID", clipID)
        .field("seconds", seconds)
        .field("direction", direction ? std::optional<qint64>(*direction) : std::nullopt)
        .take();
}

Decoded<CommandMessage> CommandMessage::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    reader.expectType(RemoteMessageType::command);
    CommandMessage message;
    message.action = reader.enumeration<RemoteAction>("action");
    message.clipID = reader.optionalString("clipID");
    message.seconds = reader.optionalNumber("seconds");
    message.direction = reader.optionalInteger("direction");
    return reader.result(std::move(message));
}

} // namespace remote
