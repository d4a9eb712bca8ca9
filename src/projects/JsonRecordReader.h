#pragma once

// Reads the members of one stored JSON record (a library entry, a project metadata file) with the
// rules those files share: required members must be there with the right JSON type, optional ones
// may be missing or null, unknown members are ignored. The first fault is kept and ends the
// reading; later reads return empty values. Dates are numbers of seconds since 2001-01-01 UTC.

#include "platform/Result.h"
#include "projects/ReferenceDate.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace projects {

struct JsonDecodeError {
    enum class Kind {
        notJson, // the text is no JSON, or too large to be a record
        notAnObject, // the record (or list) has the wrong JSON type
        keyNotFound, // a required member is missing or null
        typeMismatch, // a member holds the wrong JSON type
        dataCorrupted, // right type, impossible value (bad identifier, bad Base64)
    };
    Kind kind = Kind::notJson;
    QString key; // the member at fault; empty for a whole record or list
    int index = -1; // the record's position when a list was read
};

class JsonRecordReader {
public:
    explicit JsonRecordReader(const QJsonValue& record);

    QString string(const char* key);
    std::optional<QString> optionalString(const char* key);
    ReferenceDate date(const char* key);
    std::optional<ReferenceDate> optionalDate(const char* key);
    // Base64 text (standard alphabet).
    std::optional<QByteArray> optionalData(const char* key);

    // Records a fault found by the caller in a value it read (the first fault wins).
    void fail(JsonDecodeError::Kind kind, const char* key);

    bool ok() const { return !error_; }
    const JsonDecodeError& error() const { return *error_; }

    // Parses a whole text; anything but a JSON object or array, or text beyond `maximumBytes`, fails.
    static platform::Result<QJsonValue, JsonDecodeError> parse(const QByteArray& json, qsizetype maximumBytes);

private:
    // The member when it is there and not null; an undefined value otherwise (a fault for a required
    // member), and always once a fault has been recorded.
    QJsonValue member(const char* key, bool required);
    std::optional<ReferenceDate> optionalDateMember(const char* key, bool required);

    QJsonObject object_;
    std::optional<JsonDecodeError> error_;
};

} // namespace projects
