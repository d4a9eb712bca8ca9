#pragma once

// The sync record of one cloud project, kept in ".corvale_cloud.json" in the project's local
// folder: its Drive folder, the files waiting for upload (oldest first), the files already in
// Drive with their identifiers, and when the project last synchronised.

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace cloud {

struct CloudSyncState {
    std::optional<QString> driveProjectFolderID;
    QStringList pending;
    QMap<QString, QString> uploaded;
    std::optional<QDateTime> lastSyncAt;
    // Name to MD5 (hex) of the content last uploaded or downloaded: tells a local edit from Drive's.
    QMap<QString, QString> syncedMD5;

    static QString md5(const QByteArray& bytes);
    // Streamed; empty when the file cannot be read.
    static QString md5OfFile(const QString& path);

    // Compact JSON; absent optional fields and an empty "syncedMD5" are left out, the date is seconds since 2001-01-01
    // UTC.
    QByteArray toJson() const;
    // None when the bytes are not a state ("pending" or "uploaded" missing, a wrong type).
    static std::optional<CloudSyncState> fromJson(const QByteArray& bytes);

    bool operator==(const CloudSyncState&) const = default;
};

} // namespace cloud
