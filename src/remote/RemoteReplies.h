#pragma once

// The replies of the remote protocol's sessions, built in one place so their texts and keys stay
// exact: welcome, the pairing error, grant, deny, permission required and ack.

#include "remote/RemoteTypes.h"

#include <QString>

namespace remote {

class RemoteReplies {
public:
    static RemoteMessage welcome(const QString& role, const QString& name);
    static RemoteMessage badCode();
    static RemoteMessage grant(const QString& scope, const QString& clientKey);
    static RemoteMessage deny(const QString& scope, const QString& clientKey, const QString& reason);
    static RemoteMessage authRequired(const QString& scope, const QString& clientKey, const QString& reason);
    static RemoteMessage ack(bool ok, const QString& message);
    // An ack refused for want of a permission level.
    static RemoteMessage ackRequiring(const QString& message, const QString& requiredScope);
};

} // namespace remote
