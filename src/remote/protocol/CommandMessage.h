#pragma once

// One action from a client as a typed record (the live wire names commands by "action" alone).

#include "remote/protocol/RecordReader.h"

namespace remote {

struct CommandMessage {
    RemoteMessageType type = RemoteMessageType::command;
    RemoteAction action = RemoteAction::ping;
    std::optional<QString> clipID;
    std::optional<double> seconds;
    std::optional<std::int64_t> direction;

    CommandMessage() = default;
    CommandMessage(RemoteAction action, std::optional<QString> clipID, std::optional<double> seconds,
        std::optional<std::int64_t> direction);

    QJsonObject toJson() const;
    static Decoded<CommandMessage> fromJson(const QJsonObject& object);
    bool operator==(const CommandMessage&) const = default;
};

} // namespace remote
