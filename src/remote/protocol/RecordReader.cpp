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
    return optionalString(key, true).value_or(QString());
}

std::optional<QString> RecordReader::optionalString(const char* key)
{
    return optionalString(key, false);
}

std::optional<QString> RecordReader::optionalString(const char* key, bool required)
{
    const auto found = value(key, required);
    if (!found)
        return std::nullopt;
    if (!found->isString()) {
        fail(DecodeError::Kind::typeMismatch, key, QStringLiteral("Expected to decode String"));
        return std::nullopt;
    }
    return found->toString();
}

double RecordReader::number(const char* key)
{
    return optionalNumber(key, true).value_or(0.0);
}

std::optional<double> RecordReader::optionalNumber(const char* key)
{
    return optionalNumber(key, false);
}

std::optional<double> RecordReader::optionalNumber(const char* key, bool required)
{
    const auto found = value(key, required);
    if (!found)
        return std::nullopt;
    if (!found->isDouble()) {
        fail(DecodeError::Kind::typeMismatch, key, QStringLiteral("Expected to decode Double"));
        return std::nullopt;
    }
    return found->toDouble();
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
    const auto found = value(key, required);
    if (!found)
        return std::nullopt;
    if (!found->isDouble()) {
        fail(DecodeError::Kind::typeMismatch, key, QStringLiteral("Expected to decode Int"));
        return std::nullopt;
    }
    const auto integer = MessageFields::exactInteger(
        *found, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
    if (!integer)
        fail(DecodeError::Kind::dataCorrupted, key, QStringLiteral("Parsed JSON number does not fit in Int"));
    return integer;
}

bool RecordReader::boolean(const char* key)
{
    const auto found = value(key, true);
    if (!found)
        return false;
    if (!found->isBool()) {
        fail(DecodeError::Kind::typeMismatch, key, QStringLiteral("Expected to decode Bool"));
        return false;
    }
    return found->toBool();
}

QJsonObject RecordReader::object(const char* key)
{
    const auto found = value(key, true);
    if (!found)
        return {};
    if (!found->isObject()) {
        fail(DecodeError::Kind::typeMismatch, key, QStringLiteral("Expected to decode Dictionary"));
        return {};
    }
    return found->toObject();
}

QJsonArray RecordReader::array(const char* key)
{
    const auto found = value(key, true);
    if (!found)
        return {};
    if (!found->isArray()) {
        fail(DecodeError::Kind::typeMismatch, key, QStringLiteral("Expected to decode Array"));
        return {};
    }
    return found->toArray();
}

} // namespace remote
