#include "cloud/CloudSyncState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace cloud {

namespace {

// Seconds between 1970-01-01 and 2001-01-01, the reference date of the stored files.
constexpr double kReferenceDateOffset = 978307200.0;

double referenceSeconds(const QDateTime& date)
{
    return double(date.toMSecsSinceEpoch()) / 1000.0 - kReferenceDateOffset;
}

std::optional<QDateTime> dateFromReferenceSeconds(double seconds)
{
    const double msecs = std::round((seconds + kReferenceDateOffset) * 1000.0);
    if (!std::isfinite(msecs) || std::fabs(msecs) > 8.0e15)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(msecs), Qt::UTC);
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
        object.insert(QStringLiteral("lastSyncAt"), referenceSeconds(*lastSyncAt));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
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
