#pragma once

// Reads the fields of one typed remote record from a JSON object, in declaration order. The first
// failure is kept and every later read is skipped, so a record's decoder reads all its fields
// and then asks whether it failed. Integers are signed 64-bit and must be whole; numbers with a
// fraction are doubles; Booleans are not numbers. An optional field is absent when its key is
// missing or null.

#include "platform/Result.h"
#include "remote/protocol/RemoteAction.h"
#include "remote/protocol/RemoteMessageType.h"
#include "remote/protocol/RemoteRole.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace remote {

struct DecodeError {
    enum class Kind { keyNotFound, valueNotFound, typeMismatch, dataCorrupted };
    Kind kind = Kind::dataCorrupted;
    QString key;
    QString description;
};

template <class T> using Decoded = platform::Result<T, DecodeError>;

class RecordReader {
public:
    explicit RecordReader(const QJsonObject& object)
        : object_(object)
    {
    }

    // "type" must name `expected`; another of the five fails with "Expected type=." and the case.
    void expectType(RemoteMessageType expected);

    QString string(const char* key);
    std::optional<QString> optionalString(const char* key);
    double number(const char* key);
    std::optional<double> optionalNumber(const char* key);
    std::int64_t integer(const char* key);
    std::optional<std::int64_t> optionalInteger(const char* key);
    bool boolean(const char* key);
    QJsonObject object(const char* key);
    QJsonArray array(const char* key);
    template <class E> E enumeration(const char* key)
    {
        const QString raw = string(key);
        if (failed())
            return E {};
        if (auto value = settings::fromRaw<E>(raw))
            return *value;
        fail(DecodeError::Kind::dataCorrupted, key, QStringLiteral("Cannot initialize from invalid raw value ") + raw);
        return E {};
    }

    // Adds a failure found by the caller (a nested record's).
    void fail(const DecodeError& error);
    // The record when every read succeeded, else the first failure.
    template <class T> Decoded<T> result(T record) const
    {
        if (error_)
            return platform::fail(*error_);
        return record;
    }
    bool failed() const { return error_.has_value(); }
    const DecodeError& error() const { return *error_; }

private:
    // The value under `key`; records keyNotFound or valueNotFound when `required`.
    std::optional<QJsonValue> value(const char* key, bool required);
    // The value under `key` when it has the JSON type `isType` accepts; a typeMismatch naming
    // `typeName` otherwise.
    template <class Check>
    std::optional<QJsonValue> typed(const char* key, bool required, Check isType, const char* typeName)
    {
        auto found = value(key, required);
        if (found && !std::invoke(isType, *found)) {
            fail(DecodeError::Kind::typeMismatch, key, QStringLiteral("Expected to decode ") + QLatin1String(typeName));
            return std::nullopt;
        }
        return found;
    }
    std::optional<std::int64_t> optionalInteger(const char* key, bool required);
    void fail(DecodeError::Kind kind, const char* key, const QString& description);

    const QJsonObject& object_;
    std::optional<DecodeError> error_;
};

} // namespace remote
