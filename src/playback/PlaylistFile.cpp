#include "playback/PlaylistFile.h"

#include "playback/JsonTextWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace playback {

namespace {
using Key = PlaybackState::CodingKeys;
}

QByteArray PlaylistFile::encode(const PlaybackState& state)
{
    JsonTextWriter writer;
    writer.beginObject();
    writer.key(settings::enumCase(Key::clips).rawValue);
    writer.beginArray();
    for (const ClipItem& clip : state.clips)
        clip.writeJson(writer);
    writer.endArray();
    if (state.selectedClipID) {
        writer.key(settings::enumCase(Key::selectedClipID).rawValue);
        writer.value(uuidText(*state.selectedClipID));
    }
    writer.endObject();
    return writer.take();
}

platform::Result<PlaybackState, QString> PlaylistFile::decode(const QByteArray& data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return platform::fail(
            QStringLiteral("not JSON (%1 at offset %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!document.isObject())
        return platform::fail(QStringLiteral("the root is not an object"));
    const QJsonObject root = document.object();

    const QJsonValue clips = root.value(settings::toRaw(Key::clips));
    if (clips.isUndefined())
        return platform::fail(QStringLiteral("\"clips\" is missing"));
    if (!clips.isArray())
        return platform::fail(QStringLiteral("\"clips\" is not an array"));

    PlaybackState state;
    const QJsonArray array = clips.toArray();
    state.clips.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        auto clip = ClipItem::fromJson(array.at(i));
        if (!clip)
            return platform::fail(QStringLiteral("clip %1: %2").arg(i).arg(clip.error()));
        state.clips.append(std::move(clip).value());
    }

    const QJsonValue selected = root.value(settings::toRaw(Key::selectedClipID));
    if (!selected.isUndefined() && !selected.isNull()) {
        state.selectedClipID = selected.isString() ? parseUuid(selected.toString()) : std::nullopt;
        if (!state.selectedClipID)
            return platform::fail(QStringLiteral("\"selectedClipID\" is not a UUID"));
    }
    return state;
}

platform::Result<QByteArray, QString> PlaylistFile::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return platform::fail(file.errorString());
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return platform::fail(file.errorString());
    return data;
}

platform::Result<void, QString> PlaylistFile::writeAtomically(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return platform::fail(file.errorString());
    if (file.write(data) != data.size() || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return platform::fail(error);
    }
    // The new content reaches the disk before the rename makes it the file.
    if (::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return platform::fail(QStringLiteral("sync failed: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    if (!file.commit())
        return platform::fail(file.errorString());
    return {};
}

platform::Result<QString, QString> PlaylistFile::moveAside(const QString& path, const QDateTime& now)
{
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(
        QStringLiteral("playlist.unreadable-%1").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString target
            = attempt == 1 ? stem + QStringLiteral(".json") : QStringLiteral("%1-%2.json").arg(stem).arg(attempt);
        if (QFileInfo::exists(target))
            continue;
        QFile file(path);
        if (file.rename(target))
            return target;
        return platform::fail(file.errorString());
    }
    return platform::fail(QStringLiteral("no free name beside %1").arg(path));
}

} // namespace playback
