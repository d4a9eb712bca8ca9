#pragma once

// The station's state push as a typed record (the live push is "state.update", with more fields).

#include "remote/protocol/PlaybackState.h"

namespace remote {

struct StateMessage {
    RemoteMessageType type = RemoteMessageType::state;
    PlaybackState state;

    StateMessage() = default;
    explicit StateMessage(PlaybackState state);

    QJsonObject toJson() const;
    static Decoded<StateMessage> fromJson(const QJsonObject& object);
    bool operator==(const StateMessage&) const = default;
};

} // namespace remote
