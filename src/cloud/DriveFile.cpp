#include "cloud/DriveFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cloud {

namespace {

// Absent for a missing key or null; false for any other type than text.
bool readOptional(const QJsonObject& object, const char* key, std::optional<QString>& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isString())
        out = value.toString();
    return value.isString() || value.isUndefined() || value.isNull();
}

} // namespace

std::optional<DriveFile> DriveFile::fromJson(const QJsonObject& object)
{
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue name = object.value(QStringLiteral("name"));
    if (!id.isString() || !name.isString())
        return std::nullopt;
    DriveFile file;
    file.id = id.toString();
    file.name = name.toString();
    if (!readOptional(object, "mimeType", file.mimeType) || !readOptional(object, "md5Checksum", file.md5Checksum)
        || !readOptional(object, "size", file.size) || !readOptional(object, "modifiedTime", file.modifiedTime))
        return std::nullopt;
    return file;
}

std::optional<DriveListResponse> DriveListResponse::decode(const QByteArray& body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    const QJsonValue files = object.value(QStringLiteral("files"));
    if (!files.isArray())
        return std::nullopt;
    DriveListResponse response;
    for (const QJsonValue& entry : files.toArray()) {
        std::optional<DriveFile> file = entry.isObject() ? DriveFile::fromJson(entry.toObject()) : std::nullopt;
        if (!file)
            return std::nullopt;
        response.files.append(std::move(*file));
    }
    if (!readOptional(object, "nextPageToken", response.nextPageToken))
        return std::nullopt;
    return response;
}

} // namespace cloud
