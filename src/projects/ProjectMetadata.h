#pragma once

// The record kept as ".corvale_project.json" in every project folder (and in a cloud project's
// Drive folder): compact UTF-8 JSON, one member per field in field order, absent optionals left
// out. Readers take members in any order, ignore unknown ones, and refuse the whole file when a
// required member is missing or a member has the wrong JSON type. Nothing is validated: any text
// is accepted in every string field (the id need not be a UUID).

#include "platform/Result.h"
#include "projects/JsonRecordReader.h"
#include "projects/ReferenceDate.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace projects {

struct ProjectInfo;

struct ProjectMetadata {
    QString id;
    QString name;
    QString formatRaw;
    QString colorSpaceRaw;
    std::optional<QString> outputColorModeRaw;
    QString storageRaw;
    std::optional<QString> driveFolderID;
    ReferenceDate createdAt;
    std::optional<ReferenceDate> lastOpenedAt;
    QString folderName;

    bool operator==(const ProjectMetadata&) const = default;

    // A library record's fields as they are: its stored colour space, its cloud folder as the Drive
    // folder, the last component of its folder path as the folder name.
    static ProjectMetadata fromProject(const ProjectInfo& project);

    QByteArray encoded() const;
    static platform::Result<ProjectMetadata, JsonDecodeError> decode(const QByteArray& json);

    // Reads and decodes a file; a file that cannot be read, or is far larger than any metadata
    // file, fails like one that does not decode.
    static platform::Result<ProjectMetadata, JsonDecodeError> readFile(const QString& filePath);
    // Replaces the file as a whole: a temporary file is written, synced and renamed over it, so a
    // failure leaves the old file. Returns whether the new file is in place.
    bool writeFile(const QString& filePath) const;
};

} // namespace projects
