#pragma once

// The station's answer to a command as a typed record.

#include "remote/protocol/RecordReader.h"

namespace remote {

struct AckMessage {
    RemoteMessageType type = RemoteMessageType::ack;
    bool ok = false;
    std::optional<QString> message;

    AckMessage() = default;
    AckMessage(bool ok, std::optional<QString> message);

    QJsonObject toJson() const;
    static Decoded<AckMessage> fromJson(const QJsonObject& object);
    bool operator==(const AckMessage&) const = default;
};

} // namespace remote
