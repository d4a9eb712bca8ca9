#include "projects/ProjectMetadata.h"

#include "projects/JsonRecordWriter.h"
#include "projects/ProjectInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace projects {

namespace {

// A real file is a few hundred bytes; a chosen file can be anything, so reading is bounded.
constexpr qsizetype maximumFileBytes = 1024 * 1024;

} // namespace

ProjectMetadata ProjectMetadata::fromProject(const ProjectInfo& project)
{
    return ProjectMetadata {
        .id = ProjectInfo::idString(project.id),
        .name = project.name,
        .formatRaw = project.formatRaw,
        .colorSpaceRaw = project.colorSpaceRaw,
        .outputColorModeRaw = project.outputColorModeRaw,
        .storageRaw = project.storageRaw,
        .driveFolderID = project.cloudFolderID,
        .createdAt = project.createdAt,
        .lastOpenedAt = project.lastOpenedAt,
        .folderName = QFileInfo(project.folderPath).fileName(),
    };
}

QByteArray ProjectMetadata::encoded() const
{
    JsonRecordWriter writer;
    writer.add("id", id);
    writer.add("name", name);
    writer.add("formatRaw", formatRaw);
    writer.add("colorSpaceRaw", colorSpaceRaw);
    writer.add("outputColorModeRaw", outputColorModeRaw);
    writer.add("storageRaw", storageRaw);
    writer.add("driveFolderID", driveFolderID);
    writer.add("createdAt", createdAt);
    writer.add("lastOpenedAt", lastOpenedAt);
    writer.add("folderName", folderName);
    return writer.object();
}

platform::Result<ProjectMetadata, JsonDecodeError> ProjectMetadata::decode(const QByteArray& json)
{
    const auto parsed = JsonRecordReader::parse(json, maximumFileBytes);
    if (!parsed)
        return platform::fail(parsed.error());
    JsonRecordReader reader(*parsed);
    ProjectMetadata metadata;
    metadata.id = reader.string("id");
    metadata.name = reader.string("name");
    metadata.formatRaw = reader.string("formatRaw");
    metadata.colorSpaceRaw = reader.string("colorSpaceRaw");
    metadata.outputColorModeRaw = reader.optionalString("outputColorModeRaw");
    metadata.storageRaw = reader.string("storageRaw");
    metadata.driveFolderID = reader.optionalString("driveFolderID");
    metadata.createdAt = reader.date("createdAt");
    metadata.lastOpenedAt = reader.optionalDate("lastOpenedAt");
    metadata.folderName = reader.string("folderName");
    if (!reader.ok())
        return platform::fail(reader.error());
    return metadata;
}

platform::Result<ProjectMetadata, JsonDecodeError> ProjectMetadata::readFile(const QString& filePath)
{
    // Only a regular file: opening a pipe or a device could block or never end.
    QFile file(filePath);
    if (!QFileInfo(filePath).isFile() || !file.open(QIODevice::ReadOnly))
        return platform::fail(JsonDecodeError { JsonDecodeError::Kind::notJson, {}, -1 });
    // One byte past the limit is enough to tell an oversized file.
    return decode(file.read(maximumFileBytes + 1));
}

bool ProjectMetadata::writeFile(const QString& filePath) const
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encoded();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace projects
