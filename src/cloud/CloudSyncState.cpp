#include "cloud/CloudSyncState.h"

#include "projects/ReferenceDate.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cloud {

namespace {

std::optional<QDateTime> dateFromReferenceSeconds(double seconds)
{
    const QDateTime date = projects::ReferenceDate { seconds }.toDateTime();
    return date.isValid() ? std::optional<QDateTime>(date) : std::nullopt;
}

} // namespace

QByteArray CloudSyncState::toJson() const
{
    QJsonObject object;
    if (driveProjectFolderID)
        object.insert(QStringLiteral("driveProjectFolderID"), *driveProjectFolderID);
    object.insert(QStringLiteral("pending"), QJsonArray::fromStringList(pending));
    QJsonObject files;
    for (auto it = uploaded.begin(); it != uploaded.end(); ++it)
        files.insert(it.key(), it.value());
    object.insert(QStringLiteral("uploaded"), files);
    if (lastSyncAt)
        object.insert(
            QStringLiteral("lastSyncAt"), projects::ReferenceDate::fromDateTime(*lastSyncAt).secondsSinceReferenceDate);
    if (!syncedMD5.isEmpty()) {
        QJsonObject sums;
        for (auto it = syncedMD5.begin(); it != syncedMD5.end(); ++it)
            sums.insert(it.key(), it.value());
        object.insert(QStringLiteral("syncedMD5"), sums);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString CloudSyncState::md5(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QString CloudSyncState::md5OfFile(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<CloudSyncState> CloudSyncState::fromJson(const QByteArray& bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue pending = object.value(QStringLiteral("pending"));
    const QJsonValue uploaded = object.value(QStringLiteral("uploaded"));
    if (!pending.isArray() || !uploaded.isObject())
        return std::nullopt;

    CloudSyncState state;
    for (const QJsonValue& name : pending.toArray()) {
        if (!name.isString())
            return std::nullopt;
        state.pending.append(name.toString());
    }
    const QJsonObject files = uploaded.toObject();
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        state.uploaded.insert(it.key(), it.value().toString());
    }
    const QJsonValue folder = object.value(QStringLiteral("driveProjectFolderID"));
    if (folder.isString())
        state.driveProjectFolderID = folder.toString();
    else if (!folder.isUndefined() && !folder.isNull())
        return std::nullopt;
    const QJsonValue lastSync = object.value(QStringLiteral("lastSyncAt"));
    // Written by newer stations only; a bad entry is dropped, never the whole state.
    const QJsonObject synced = object.value(QStringLiteral("syncedMD5")).toObject();
    for (auto it = synced.begin(); it != synced.end(); ++it) {
        if (it.value().isString())
            state.syncedMD5.insert(it.key(), it.value().toString());
    }
    if (lastSync.isDouble()) {
        state.lastSyncAt = dateFromReferenceSeconds(lastSync.toDouble());
        if (!state.lastSyncAt)
            return std::nullopt;
    } else if (!lastSync.isUndefined() && !lastSync.isNull()) {
        return std::nullopt;
    }
    return state;
}

} // namespace cloud
