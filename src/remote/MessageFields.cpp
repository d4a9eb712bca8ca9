#include "remote/MessageFields.h"

#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

namespace remote {

namespace {

// 2^63 as a double: every double strictly below it (and at or above -2^63) fits in int64.
constexpr double twoTo63 = 9223372036854775808.0;

} // namespace

template <class Accept>
QJsonValue MessageFields::lookUp(const RemoteMessage& message, const QString& key, Accept accept)
{
    if (const auto top = message.value(key); accept(top))
        return top;
    for (const auto* place : { "payload", "command" }) {
        const auto nested = message.value(QLatin1String(place));
        if (!nested.isObject())
            continue;
        if (const auto value = nested.toObject().value(key); accept(value))
            return value;
    }
    return QJsonValue(QJsonValue::Undefined);
}

std::optional<QString> MessageFields::extractType(const RemoteMessage& message)
{
    const auto value = message.value(QLatin1String("type"));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QJsonObject> MessageFields::extractPayload(const RemoteMessage& message)
{
    const auto value = message.value(QLatin1String("payload"));
    if (!value.isObject())
        return std::nullopt;
    return value.toObject();
}

std::optional<QString> MessageFields::pick(const QJsonObject& object)
{
    for (const auto* name : { "clientKey", "clientID", "clientName", "name" }) {
        const auto value = object.value(QLatin1String(name));
        if (value.isString() && !value.toString().isEmpty())
            return value.toString();
    }
    return std::nullopt;
}

QString MessageFields::extractClientKey(const RemoteMessage& message)
{
    if (auto key = pick(message))
        return *key;
    for (const auto* place : { "payload", "command" }) {
        const auto nested = message.value(QLatin1String(place));
        if (!nested.isObject())
            continue;
        if (auto key = pick(nested.toObject()))
            return *key;
    }
    return unknownClientKey;
}

std::optional<QString> MessageFields::extractAction(const RemoteMessage& message)
{
    return extractString(message, QStringLiteral("action"));
}

std::optional<QString> MessageFields::extractString(const RemoteMessage& message, const QString& key)
{
    const auto value = lookUp(message, key, [](const QJsonValue& v) { return v.isString(); });
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<double> MessageFields::extractDouble(const RemoteMessage& message, const QString& key)
{
    const auto value = lookUp(message, key, [](const QJsonValue& v) { return v.isDouble(); });
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

std::optional<std::int64_t> MessageFields::extractInt(const RemoteMessage& message, const QString& key)
{
    const auto value = lookUp(message, key, [](const QJsonValue& v) { return v.isDouble(); });
    return truncatedInteger(value);
}

std::optional<std::int32_t> MessageFields::extractInt32Clamped(const RemoteMessage& message, const QString& key)
{
    const auto value = lookUp(message, key, [](const QJsonValue& v) { return v.isDouble(); });
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::isnan(number))
        return std::nullopt;
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(number, low, high)));
}

std::optional<std::int64_t> MessageFields::truncatedInteger(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // Integers the parser kept exact are taken as they are; a double would round them.
    const auto variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double number = value.toDouble();
    if (!std::isfinite(number) || number >= twoTo63 || number < -twoTo63)
        return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(number));
}

std::optional<std::int64_t> MessageFields::exactInteger(const QJsonValue& value, std::int64_t min, std::int64_t max)
{
    if (!value.isDouble())
        return std::nullopt;
    const auto variant = value.toVariant();
    std::int64_t integer = 0;
    if (variant.typeId() == QMetaType::LongLong) {
        integer = variant.toLongLong();
    } else {
        const double number = value.toDouble();
        if (!std::isfinite(number) || number != std::trunc(number) || number >= twoTo63 || number < -twoTo63)
            return std::nullopt;
        integer = static_cast<std::int64_t>(number);
    }
    if (integer < min || integer > max)
        return std::nullopt;
    return integer;
}

} // namespace remote
