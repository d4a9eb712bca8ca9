#pragma once

// One record of the project library, as the library keeps it in the user defaults. Raw values
// (format, colour space, mode, storage) are kept exactly as stored, also when they name no case;
// they fall back only where they are interpreted.

#include "platform/Result.h"
#include "projects/JsonRecordReader.h"
#include "projects/ProjectStorageType.h"
#include "projects/ReferenceDate.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUuid>

#include <optional>

namespace projects {

struct ProjectInfo {
    QUuid id;
    QString name;
    QString folderPath; // absolute path of the project folder
    std::optional<QByteArray> folderBookmarkData;
    QString formatRaw;
    QString colorSpaceRaw;
    QString outputColorModeRaw;
    QString storageRaw;
    std::optional<QString> cloudFolderID;
    ReferenceDate createdAt;
    std::optional<ReferenceDate> lastOpenedAt;

    bool operator==(const ProjectInfo&) const = default;

    // "cloud" is cloud; every other text, "local" or not, is local.
    ProjectStorageType storage() const;

    // The record as compact JSON, keys in field order, absent optionals left out. The colour space
    // written is the one the mode implies, or the stored one when the mode names no case.
    QByteArray encoded() const;
    // Keys in any order, unknown keys ignored. Required: id, name, folderPath, formatRaw,
    // colorSpaceRaw, createdAt. A missing storage kind reads as "local", a missing mode as the one
    // the colour space implies.
    static platform::Result<ProjectInfo, JsonDecodeError> decode(const QJsonValue& record);

    // The stored list: one JSON array; one bad record fails the whole list.
    static QByteArray encodeList(const QList<ProjectInfo>& projects);
    static platform::Result<QList<ProjectInfo>, JsonDecodeError> decodeList(const QByteArray& json);

    // Identifiers as stored: the canonical 36-character form, written in upper case, read in either
    // case. Anything else (braces included) is no identifier.
    static QString idString(const QUuid& id);
    static std::optional<QUuid> idFromString(const QString& text);
};

} // namespace projects

Q_DECLARE_METATYPE(projects::ProjectInfo)
