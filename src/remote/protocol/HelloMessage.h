#pragma once

// A client's opening message as a typed record (the live "hello" uses other keys).

#include "remote/protocol/RecordReader.h"

namespace remote {

struct HelloMessage {
    RemoteMessageType type = RemoteMessageType::hello;
    QString pairingCode;
    QString clientName;
    QString platform;

    HelloMessage() = default;
    HelloMessage(QString pairingCode, QString clientName, QString platform);

    QJsonObject toJson() const;
    static Decoded<HelloMessage> fromJson(const QJsonObject& object);
    bool operator==(const HelloMessage&) const = default;
};

} // namespace remote
