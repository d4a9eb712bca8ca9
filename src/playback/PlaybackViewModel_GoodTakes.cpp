// Good-take flags, per clip and per take (the clips of all cameras that share a take number), and
// the good-takes report: a CSV of every good clip with its slate, file, duration and marks.

#include "playback/PlaybackDialogs.h"
#include "playback/PlaybackViewModel.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"

#include <QDateTime>
#include <QPointer>
#include <QStringList>

namespace playback {

namespace {

// A field with a comma, a double quote or a line break is enclosed in double quotes, its own
// double quotes doubled; any other field is written as it is.
QString csvField(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n'))
        && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString goodTakesCSV(const QList<ClipItem>& clips)
{
    QStringList lines { QStringLiteral("Reel,Scene,Take,Cam,File,URL,Duration,In,Out") };
    for (const ClipItem& clip : clips) {
        if (!clip.isGood)
            continue;
        const QStringList fields {
            clip.reel.value_or(QString()),
            clip.scene.value_or(QString()),
            clip.take ? QString::number(*clip.take) : QString(),
            clip.inputNumber ? QStringLiteral("Cam %1").arg(*clip.inputNumber) : QString(),
            lastPathComponent(clip.url),
            clip.url.isLocalFile() ? clip.url.toLocalFile() : clip.url.path(QUrl::FullyDecoded),
            PlaybackViewModel::formattedTime(clip.duration),
            PlaybackViewModel::formattedTime(clip.markIn),
            PlaybackViewModel::formattedTime(clip.markOut),
        };
        QStringList quoted;
        for (const QString& field : fields)
            quoted.append(csvField(field));
        lines.append(quoted.join(QLatin1Char(',')));
    }
    return lines.join(QLatin1Char('\n'));
}

bool takeMatches(const std::optional<qint64>& clipTake, const std::optional<qint64>& take)
{
    return clipTake == take;
}

} // namespace

void PlaybackViewModel::toggleGoodClip(const QUuid& id)
{
    Q_ASSERT(platform::isMainThread());
    const qsizetype index = indexOfClip(id);
    if (index < 0)
        return;
    ClipItem clip = clips_[index];
    clip.isGood = !clip.isGood;
    replaceClip(index, clip);
    setHasUnsavedChanges(true);
    saveState();
}

bool PlaybackViewModel::isTakeAllGood(std::optional<qint64> take) const
{
    bool any = false;
    for (const ClipItem& clip : clips_) {
        if (!takeMatches(clip.take, take))
            continue;
        if (!clip.isGood)
            return false;
        any = true;
    }
    return any;
}

void PlaybackViewModel::toggleGoodTake(std::optional<qint64> take)
{
    Q_ASSERT(platform::isMainThread());
    std::vector<qsizetype> positions;
    for (qsizetype i = 0; i < clips_.size(); ++i) {
        if (takeMatches(clips_[i].take, take))
            positions.push_back(i);
    }
    if (positions.empty())
        return;
    const bool good = !isTakeAllGood(take);
    for (const qsizetype index : positions) {
        ClipItem clip = clips_[index];
        clip.isGood = good;
        replaceClip(index, clip);
    }
    setHasUnsavedChanges(true);
    saveState();
}

int PlaybackViewModel::goodClipsCount() const
{
    int count = 0;
    for (const ClipItem& clip : clips_)
        count += clip.isGood ? 1 : 0;
    return count;
}

void PlaybackViewModel::exportGoodReportCSV()
{
    Q_ASSERT(platform::isMainThread());
    refreshOfflineStatus();
    if (goodClipsCount() == 0) {
        dialogs_->beep();
        return;
    }
    PlaybackDialogs::ReportFileRequest request;
    request.suggestedName = QStringLiteral("Corvale_GoodTakes_%1.csv")
                                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")));
    request.nameFilters = { QStringLiteral("CSV (*.csv)") };
    dialogs_->chooseReportFile(request, [guard = QPointer<PlaybackViewModel>(this)](const std::optional<QUrl>& url) {
        if (guard && url)
            guard->writeGoodReport(*url);
    });
}

void PlaybackViewModel::writeGoodReport(const QUrl& destination)
{
    const auto written = destination.isLocalFile()
        ? PlaylistFile::writeAtomically(destination.toLocalFile(), goodTakesCSV(clips_).toUtf8())
        : platform::Result<void, QString>(
            platform::fail(QStringLiteral("not a local file: %1").arg(destination.toString())));
    if (!written) {
        dlog("❌ Export CSV failed:", written.error());
        dialogs_->beep();
    }
}

} // namespace playback
