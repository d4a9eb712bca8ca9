#pragma once

// The routing envelope of a typed remote message: decoded first to learn the message's type.

#include "remote/protocol/RecordReader.h"

namespace remote {

struct RemoteEnvelope {
    RemoteMessageType type = RemoteMessageType::hello;

    QJsonObject toJson() const;
    static Decoded<RemoteEnvelope> fromJson(const QJsonObject& object);
    bool operator==(const RemoteEnvelope&) const = default;
};

} // namespace remote
