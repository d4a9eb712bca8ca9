#pragma once

// One admitted incoming "webrtc.signal" message: the client's session identifier and the
// signalling content, whose "kind" says what it is. A plain value, usable on any thread.

#include "remote/RemoteTypes.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace remote {

struct WebRTCSignalMessage {
    QString sessionID; // never empty
    QJsonObject payload;

    // The whole decoded remote message: "type" must be "webrtc.signal", "sessionID" a non-empty
    // string and "payload" an object; nothing else is read.
    static std::optional<WebRTCSignalMessage> fromDict(const RemoteMessage& message);
    // The inverse of fromDict.
    RemoteMessage toDict() const;

    bool operator==(const WebRTCSignalMessage&) const = default;
};

} // namespace remote
