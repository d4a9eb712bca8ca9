#include "projects/ProjectInfo.h"

#include "projects/JsonRecordWriter.h"
#include "projects/ProjectLibraryStore.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace projects {

namespace {

// The whole stored list is a few kilobytes per hundred projects; anything near this is no list.
constexpr qsizetype maximumListBytes = 64 * 1024 * 1024;

bool isKnownMode(const QString& raw)
{
    return settings::fromRaw<settings::ProjectOutputColorMode>(raw).has_value();
}

} // namespace

ProjectStorageType ProjectInfo::storage() const
{
    return storageRaw == QLatin1String("cloud") ? ProjectStorageType::cloud : ProjectStorageType::local;
}

QByteArray ProjectInfo::encoded() const
{
    JsonRecordWriter writer;
    writer.add("id", idString(id));
    writer.add("name", name);
    writer.add("folderPath", folderPath);
    writer.add("folderBookmarkData", folderBookmarkData);
    writer.add("formatRaw", formatRaw);
    writer.add("colorSpaceRaw",
        isKnownMode(outputColorModeRaw) ? ProjectLibraryStore::colorSpaceRaw(outputColorModeRaw) : colorSpaceRaw);
    writer.add("outputColorModeRaw", outputColorModeRaw);
    writer.add("storageRaw", storageRaw);
    writer.add("cloudFolderID", cloudFolderID);
    writer.add("createdAt", createdAt);
    writer.add("lastOpenedAt", lastOpenedAt);
    return writer.object();
}

platform::Result<ProjectInfo, JsonDecodeError> ProjectInfo::decode(const QJsonValue& record)
{
    JsonRecordReader reader(record);
    ProjectInfo project;
    const QString id = reader.string("id");
    if (reader.ok()) {
        if (const auto parsed = idFromString(id))
            project.id = *parsed;
        else
            reader.fail(JsonDecodeError::Kind::dataCorrupted, "id");
    }
    project.name = reader.string("name");
    project.folderPath = reader.string("folderPath");
    project.folderBookmarkData = reader.optionalData("folderBookmarkData");
    project.formatRaw = reader.string("formatRaw");
    project.colorSpaceRaw = reader.string("colorSpaceRaw");
    project.outputColorModeRaw = reader.optionalString("outputColorModeRaw")
                                     .value_or(ProjectLibraryStore::outputColorModeRaw(project.colorSpaceRaw));
    project.storageRaw = reader.optionalString("storageRaw").value_or(QStringLiteral("local"));
    project.cloudFolderID = reader.optionalString("cloudFolderID");
    project.createdAt = reader.date("createdAt");
    project.lastOpenedAt = reader.optionalDate("lastOpenedAt");
    if (!reader.ok())
        return platform::fail(reader.error());
    return project;
}

QByteArray ProjectInfo::encodeList(const QList<ProjectInfo>& projects)
{
    QList<QByteArray> records;
    records.reserve(projects.size());
    for (const auto& project : projects)
        records.append(project.encoded());
    return JsonRecordWriter::array(records);
}

platform::Result<QList<ProjectInfo>, JsonDecodeError> ProjectInfo::decodeList(const QByteArray& json)
{
    const auto parsed = JsonRecordReader::parse(json, maximumListBytes);
    if (!parsed)
        return platform::fail(parsed.error());
    if (!parsed->isArray())
        return platform::fail(JsonDecodeError { JsonDecodeError::Kind::notAnObject, {}, -1 });
    QList<ProjectInfo> projects;
    const QJsonArray array = parsed->toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        auto project = decode(array.at(i));
        if (!project) {
            JsonDecodeError error = project.error();
            error.index = static_cast<int>(i);
            return platform::fail(error);
        }
        projects.append(std::move(project).value());
    }
    return projects;
}

QString ProjectInfo::idString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> ProjectInfo::idFromString(const QString& text)
{
    // Anchored as a whole: a plain "$" would also let a trailing line break through.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}")));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(text);
}

} // namespace projects
