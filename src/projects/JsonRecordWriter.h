#pragma once

// Writes one record as compact JSON with its members in the order they are added (Qt's own JSON
// objects sort their keys). Optional members without a value are left out, never written as null;
// dates are numbers of seconds since 2001-01-01 UTC, bytes are Base64 text.

#include "projects/ReferenceDate.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace projects {

class JsonRecordWriter {
public:
    void add(const char* key, const QString& value);
    void add(const char* key, const std::optional<QString>& value);
    void add(const char* key, ReferenceDate value);
    void add(const char* key, const std::optional<ReferenceDate>& value);
    void add(const char* key, const std::optional<QByteArray>& value);

    // The record: "{" members "}".
    QByteArray object() const { return '{' + members_ + '}'; }

    // A JSON array of records already written as text.
    static QByteArray array(const QList<QByteArray>& records);

private:
    void member(const char* key, const QJsonValue& value);

    QByteArray members_;
};

} // namespace projects
