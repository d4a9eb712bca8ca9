#include "projects/JsonRecordReader.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace projects {

JsonRecordReader::JsonRecordReader(const QJsonValue& record)
{
    if (record.isObject())
        object_ = record.toObject();
    else
        error_ = JsonDecodeError { JsonDecodeError::Kind::notAnObject, {}, -1 };
}

void JsonRecordReader::fail(JsonDecodeError::Kind kind, const char* key)
{
    if (!error_)
        error_ = JsonDecodeError { kind, QString::fromLatin1(key), -1 };
}

QJsonValue JsonRecordReader::member(const char* key, bool required)
{
    if (error_)
        return QJsonValue(QJsonValue::Undefined);
    const QJsonValue value = object_.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull()) {
        if (required)
            fail(JsonDecodeError::Kind::keyNotFound, key);
        return QJsonValue(QJsonValue::Undefined);
    }
    return value;
}

QString JsonRecordReader::string(const char* key)
{
    const QJsonValue value = member(key, true);
    if (value.isUndefined())
        return {};
    if (!value.isString())
        fail(JsonDecodeError::Kind::typeMismatch, key);
    return value.toString();
}

std::optional<QString> JsonRecordReader::optionalString(const char* key)
{
    const QJsonValue value = member(key, false);
    if (value.isUndefined())
        return std::nullopt;
    if (!value.isString()) {
        fail(JsonDecodeError::Kind::typeMismatch, key);
        return std::nullopt;
    }
    return value.toString();
}

ReferenceDate JsonRecordReader::date(const char* key)
{
    return optionalDateMember(key, true).value_or(ReferenceDate {});
}

std::optional<ReferenceDate> JsonRecordReader::optionalDate(const char* key)
{
    return optionalDateMember(key, false);
}

std::optional<ReferenceDate> JsonRecordReader::optionalDateMember(const char* key, bool required)
{
    const QJsonValue value = member(key, required);
    if (value.isUndefined())
        return std::nullopt;
    // A number that overflowed while parsing is no date either.
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        fail(JsonDecodeError::Kind::typeMismatch, key);
        return std::nullopt;
    }
    return ReferenceDate { value.toDouble() };
}

std::optional<QByteArray> JsonRecordReader::optionalData(const char* key)
{
    const auto text = optionalString(key);
    if (!text)
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(text->toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || text->size() % 4 != 0) {
        fail(JsonDecodeError::Kind::dataCorrupted, key);
        return std::nullopt;
    }
    return *decoded;
}

platform::Result<QJsonValue, JsonDecodeError> JsonRecordReader::parse(const QByteArray& json, qsizetype maximumBytes)
{
    if (json.size() > maximumBytes)
        return platform::fail(JsonDecodeError { JsonDecodeError::Kind::notJson, {}, -1 });
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return platform::fail(JsonDecodeError { JsonDecodeError::Kind::notJson, {}, -1 });
    if (document.isArray())
        return QJsonValue(document.array());
    return QJsonValue(document.object());
}

} // namespace projects
