#pragma once

// The station's answer to a hello as a typed record (the live "welcome" has a role and a name).

#include "remote/protocol/RecordReader.h"

namespace remote {

struct WelcomeMessage {
    RemoteMessageType type = RemoteMessageType::welcome;
    RemoteRole role = RemoteRole::viewer;
    QString serverName;
    std::int64_t protocolVersion = 0;

    WelcomeMessage() = default;
    WelcomeMessage(RemoteRole role, QString serverName, std::int64_t protocolVersion);

    QJsonObject toJson() const;
    static Decoded<WelcomeMessage> fromJson(const QJsonObject& object);
    bool operator==(const WelcomeMessage&) const = default;
};

} // namespace remote
