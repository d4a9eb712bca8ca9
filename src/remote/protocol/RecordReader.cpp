#include "remote/protocol/RecordReader.h"

#include "remote/MessageFields.h"

#include <limits>

namespace remote {

void RecordReader::fail(const DecodeError& error)
{
    if (!error_)
        error_ = error;
}

void RecordReader::fail(DecodeError::Kind kind, const char* key, const QString& description)
{
    fail(DecodeError { kind, QString::fromLatin1(key), description });
}

std::optional<QJsonValue> RecordReader::value(const char* key, bool required)
{
    if (failed())
        return std::nullopt;
    const auto found = object_.find(QLatin1String(key));
    if (found == object_.end()) {
        if (required)
            fail(DecodeError::Kind::keyNotFound, key,
                QStringLiteral("No value associated with key ") + QLatin1String(key));
        return std::nullopt;
    }
    if (found->isNull()) {
        if (required)
            fail(DecodeError::Kind::valueNotFound, key, QStringLiteral("Expected a value but found null instead"));
        return std::nullopt;
    }
    return found.value();
}

void RecordReader::expectType(RemoteMessageType expected)
{
    const auto type = enumeration<RemoteMessageType>("type");
    if (!failed() && type != expected) {
        fail(DecodeError::Kind::dataCorrupted, "type",
            QStringLiteral("Expected type=.") + QLatin1String(settings::enumCase(expected).rawValue));
    }
}

QString RecordReader::string(const char* key)
{
    const auto found = typed(key, true, &QJsonValue::isString, "String");
    return found ? found->toString() : QString();
}

std::optional<QString> RecordReader::optionalString(const char* key)
{
    const auto found = typed(key, false, &QJsonValue::isString, "String");
    return found ? std::optional(found->toString()) : std::nullopt;
}

double RecordReader::number(const char* key)
{
    const auto found = typed(key, true, &QJsonValue::isDouble, "Double");
    return found ? found->toDouble() : 0.0;
}

std::optional<double> RecordReader::optionalNumber(const char* key)
{
    const auto found = typed(key, false, &QJsonValue::isDouble, "Double");
    return found ? std::optional(found->toDouble()) : std::nullopt;
}

std::int64_t RecordReader::integer(const char* key)
{
    return optionalInteger(key, true).value_or(0);
}

std::optional<std::int64_t> RecordReader::optionalInteger(const char* key)
{
    return optionalInteger(key, false);
}

std::optional<std::int64_t> RecordReader::optionalInteger(const char* key, bool required)
{
    const auto found = typed(key, required, &QJsonValue::isDouble, "Int");
    if (!found)
        return std::nullopt;
    const auto integer = MessageFields::exactInteger(
        *found, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
    if (!integer)
        fail(DecodeError::Kind::dataCorrupted, key, QStringLiteral("Parsed JSON number does not fit in Int"));
    return integer;
}

bool RecordReader::boolean(const char* key)
{
    const auto found = typed(key, true, &QJsonValue::isBool, "Bool");
    return found && found->toBool();
}

QJsonObject RecordReader::object(const char* key)
{
    const auto found = typed(key, true, &QJsonValue::isObject, "Dictionary");
    return found ? found->toObject() : QJsonObject();
}

QJsonArray RecordReader::array(const char* key)
{
    const auto found = typed(key, true, &QJsonValue::isArray, "Array");
    return found ? found->toArray() : QJsonArray();
}

} // namespace remote
