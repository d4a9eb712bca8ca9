#pragma once

// Field lookups of incoming remote messages. A field may stand at the top level, in the
// "payload" object or in the "command" object, searched in that order; a value of the wrong
// JSON type counts as absent, and Booleans are never numbers.
//
// Numbers become integers only inside the range the caller needs: a value outside it, or not
// finite, is absent rather than wrapped or saturated by a cast.
//
// Pure functions, callable from any thread.

#include "remote/RemoteTypes.h"

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <optional>

namespace remote {

class MessageFields {
public:
    static std::optional<QString> extractType(const RemoteMessage& message);
    static std::optional<QJsonObject> extractPayload(const RemoteMessage& message);
    // The first of "clientKey", "clientID", "clientName", "name" holding a non-empty string.
    static std::optional<QString> pick(const QJsonObject& object);
    // pick() of the top level, the payload, then the command; else "unknown".
    static QString extractClientKey(const RemoteMessage& message);
    static std::optional<QString> extractAction(const RemoteMessage& message);
    static std::optional<QString> extractString(const RemoteMessage& message, const QString& key);
    static std::optional<double> extractDouble(const RemoteMessage& message, const QString& key);
    // The number truncated toward zero; absent outside the signed 64-bit range.
    static std::optional<std::int64_t> extractInt(const RemoteMessage& message, const QString& key);
    // As extractInt, clamped into the signed 32-bit range (a direction or a step).
    static std::optional<std::int32_t> extractInt32Clamped(const RemoteMessage& message, const QString& key);

    // One JSON value as an integer: whole numbers only, absent outside [min, max].
    static std::optional<std::int64_t> exactInteger(const QJsonValue& value, std::int64_t min, std::int64_t max);
    // One JSON value truncated toward zero; absent when not finite or outside the 64-bit range.
    static std::optional<std::int64_t> truncatedInteger(const QJsonValue& value);

private:
    // The value under `key` at the first of the three places where `accept` takes it.
    template <class Accept> static QJsonValue lookUp(const RemoteMessage& message, const QString& key, Accept accept);
};

} // namespace remote
