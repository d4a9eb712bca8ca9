#include "capture/ClipNaming.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace capture {

namespace {

QString cleanToken(const QString& text)
{
    QString clean = text.trimmed();
    for (QChar& c : clean) {
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    return clean;
}

} // namespace

QString ClipNaming::makeClipTag(
    const QString& reel, const QString& scene, std::int64_t take, int slot, int segment, const QDate& date)
{
    QString reelText = cleanToken(reel);
    QString sceneText = cleanToken(scene);
    const QString dateToken = date.toString(QStringLiteral("yyyy-MM-dd"));
    // Long slate texts are shortened, never the tokens after them, so the name keeps its pattern
    // and room for a "-n" suffix and the extension.
    const QString fixed = QStringLiteral("R-SC-T%1-Cam%2-S%3-").arg(take).arg(slot + 1).arg(segment) + dateToken;
    const int room = maxFileNameBytes - suffixReserveBytes - int(fixed.toUtf8().size());
    const int reelBytes = int(reelText.toUtf8().size());
    const int sceneBytes = int(sceneText.toUtf8().size());
    if (reelBytes + sceneBytes > room) {
        const int sceneRoom = std::min(sceneBytes, std::max(room / 2, room - reelBytes));
        sceneText = truncatedUtf8(sceneText, sceneRoom);
        reelText = truncatedUtf8(reelText, room - int(sceneText.toUtf8().size()));
    }
    QStringList tokens {
        reelText.isEmpty() ? QStringLiteral("R0") : QStringLiteral("R") + reelText,
        sceneText.isEmpty() ? QStringLiteral("SC0") : QStringLiteral("SC") + sceneText,
        QStringLiteral("T") + QString::number(take),
        QStringLiteral("Cam") + QString::number(slot + 1),
    };
    if (segment >= 2)
        tokens << QStringLiteral("S") + QString::number(segment);
    // Gregorian digits whatever the locale: the playlist parses them back.
    tokens << dateToken;
    return tokens.join(QLatin1Char('-'));
}

QString ClipNaming::truncatedUtf8(const QString& text, int bytes)
{
    if (text.toUtf8().size() <= bytes)
        return text;
    QString cut;
    int used = 0;
    for (int i = 0; i < text.size();) {
        // A surrogate pair is one character: kept or dropped whole.
        const int length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        const int size = int(character.toUtf8().size());
        if (used + size > bytes)
            break;
        cut += character;
        used += size;
        i += length;
    }
    return cut;
}

std::optional<QUrl> ClipNaming::nextFreeURL(const QUrl& folder, const QString& tag)
{
    const QString folderPath = folder.toLocalFile();
    if (folderPath.isEmpty())
        return std::nullopt;
    if (!QFileInfo::exists(folderPath) && !QDir().mkpath(folderPath))
        return std::nullopt;
    const QDir dir(folderPath);
    auto candidate = [&](const QString& suffix) { return dir.filePath(tag + suffix + QStringLiteral(".mov")); };
    QString path = candidate(QString());
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = candidate(QStringLiteral("-") + QString::number(n));
    return QUrl::fromLocalFile(path);
}

} // namespace capture
