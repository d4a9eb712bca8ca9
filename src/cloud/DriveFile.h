#pragma once

// One entry of a Drive file list (files and folders alike), as Drive sends it.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QJsonObject;

namespace cloud {

struct DriveFile {
    static constexpr const char* folderMimeType = "application/vnd.google-apps.folder";

    QString id;
    QString name;
    std::optional<QString> mimeType;
    std::optional<QString> md5Checksum;
    std::optional<QString> size; // decimal text, as Drive writes it
    std::optional<QString> modifiedTime;

    bool isFolder() const { return mimeType == QLatin1String(folderMimeType); }

    // None when "id" or "name" is missing or an optional member has the wrong type.
    static std::optional<DriveFile> fromJson(const QJsonObject& object);

    bool operator==(const DriveFile&) const = default;
};

// A page of a list answer: "files" (required) and "nextPageToken".
struct DriveListResponse {
    QList<DriveFile> files;
    std::optional<QString> nextPageToken;

    static std::optional<DriveListResponse> decode(const QByteArray& body);
};

} // namespace cloud
