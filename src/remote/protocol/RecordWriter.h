#pragma once

// Writes the fields of one typed remote record into a JSON object; absent optionals are left out.

#include "remote/protocol/RemoteAction.h"
#include "remote/protocol/RemoteMessageType.h"
#include "remote/protocol/RemoteRole.h"

#include <QJsonObject>
#include <QJsonValue>

#include <optional>

namespace remote {

class RecordWriter {
public:
    template <class T> RecordWriter& field(const char* key, const T& value)
    {
        if constexpr (settings::StringEnum<T>)
            object_.insert(QLatin1String(key), settings::toRaw(value));
        else
            object_.insert(QLatin1String(key), QJsonValue(value));
        return *this;
    }
    template <class T> RecordWriter& field(const char* key, const std::optional<T>& value)
    {
        if (value)
            field(key, *value);
        return *this;
    }
    QJsonObject take() { return std::move(object_); }

private:
    QJsonObject object_;
};

} // namespace remote
