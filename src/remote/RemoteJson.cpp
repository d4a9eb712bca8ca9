#include "remote/RemoteJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace remote {

namespace {

bool holdsOnlyFiniteNumbers(const QJsonValue& value, int depth);

bool arrayIsFinite(const QJsonArray& array, int depth)
{
    for (const auto& item : array) {
        if (!holdsOnlyFiniteNumbers(item, depth + 1))
            return false;
    }
    return true;
}

bool objectIsFinite(const QJsonObject& object, int depth)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!holdsOnlyFiniteNumbers(it.value(), depth + 1))
            return false;
    }
    return true;
}

bool holdsOnlyFiniteNumbers(const QJsonValue& value, int depth)
{
    // Deeper than any message we build; also keeps the walk's own stack bounded.
    if (depth > 512)
        return false;
    switch (value.type()) {
    case QJsonValue::Double:
        return std::isfinite(value.toDouble());
    case QJsonValue::Array:
        return arrayIsFinite(value.toArray(), depth);
    case QJsonValue::Object:
        return objectIsFinite(value.toObject(), depth);
    default:
        return true;
    }
}

} // namespace

platform::Result<QByteArray, QString> RemoteJson::encodeLine(const RemoteMessage& message)
{
    if (!objectIsFinite(message, 0))
        return platform::fail(QStringLiteral("Invalid number value (NaN or infinity) in JSON write"));
    QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact);
    bytes.append('\n');
    return bytes;
}

RemoteJson::Parsed RemoteJson::parseLine(QByteArrayView line)
{
    QJsonParseError error {};
    const auto document = QJsonDocument::fromJson(line.toByteArray(), &error);
    Parsed parsed;
    if (error.error != QJsonParseError::NoError) {
        parsed.error = error.errorString() + QStringLiteral(" at offset ") + QString::number(error.offset);
        return parsed;
    }
    if (document.isObject())
        parsed.object = document.object();
    return parsed;
}

} // namespace remote
