#include "remote/protocol/StateMessage.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

StateMessage::StateMessage(PlaybackState state)
    : state(std::move(state))
{
}

QJsonObject StateMessage::toJson() const
{
    return RecordWriter().field("type", type).field("state", state.toJson()).take();
}

Decoded<StateMessage> StateMessage::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    reader.expectType(RemoteMessageType::state);
    const QJsonObject stateObject = reader.object("state");
    if (reader.failed())
        return platform::fail(reader.error());
    auto state = PlaybackState::fromJson(stateObject);
    if (!state)
        return platform::fail(state.error());
    return StateMessage(std::move(state).value());
}

} // namespace remote
