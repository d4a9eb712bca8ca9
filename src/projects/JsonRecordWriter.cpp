#include "projects/JsonRecordWriter.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace projects {

namespace {

// One value as Qt's JSON writer spells it (escapes, shortest round-trip numbers).
QByteArray jsonText(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // strip the brackets
}

} // namespace

void JsonRecordWriter::member(const char* key, const QJsonValue& value)
{
    if (!members_.isEmpty())
        members_ += ',';
    members_ += jsonText(QString::fromLatin1(key)) + ':' + jsonText(value);
}

void JsonRecordWriter::add(const char* key, const QString& value)
{
    member(key, value);
}

void JsonRecordWriter::add(const char* key, const std::optional<QString>& value)
{
    if (value)
        member(key, *value);
}

void JsonRecordWriter::add(const char* key, ReferenceDate value)
{
    member(key, value.secondsSinceReferenceDate);
}

void JsonRecordWriter::add(const char* key, const std::optional<ReferenceDate>& value)
{
    if (value)
        add(key, *value);
}

void JsonRecordWriter::add(const char* key, const std::optional<QByteArray>& value)
{
    if (value)
        member(key, QString::fromLatin1(value->toBase64()));
}

QByteArray JsonRecordWriter::array(const QList<QByteArray>& records)
{
    return '[' + records.join(',') + ']';
}

} // namespace projects
