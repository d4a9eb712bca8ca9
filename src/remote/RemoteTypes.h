#pragma once

// The shapes every part of the remote-control protocol shares: a connection is named by a
// ConnectionId (handed out once, never reused, 0 for none) and a message is one JSON object.

#include <QJsonObject>
#include <QString>

#include <cstdint>

namespace remote {

using ConnectionId = std::uint64_t;
using RemoteMessage = QJsonObject;

// The key a message that names no client gets; an ordinary key for permissions, never bound.
inline const QString unknownClientKey = QStringLiteral("unknown");

} // namespace remote
