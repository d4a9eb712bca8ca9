// Adding clips: movie files chosen by the operator and finished recordings. A new clip takes its
// slate (reel, scene, take, camera) from its file name, is appended and saved at once; its
// thumbnail and, for recordings, its video format follow from the media loader, which never holds
// up the add. Also the helpers the playlist shows clips with: times, format mismatch, thumbnails.

#include "playback/ClipMediaLoader.h"
#include "playback/PlaybackDialogs.h"
#include "playback/PlaybackViewModel.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "settings/AppSettings.h"

#include <QPointer>

#include <cmath>

namespace playback {

ClipItem PlaybackViewModel::makeClip(const QUrl& url) const
{
    ClipItem clip;
    clip.id = QUuid::createUuid();
    clip.url = url;
    clip.title = lastPathComponent(url);
    clip.offline = !clipFileExists(url);
    return clip;
}

void PlaybackViewModel::appendClip(const ClipItem& clip)
{
    clips_.append(clip);
    emit clipsChanged(clips_);
}

void PlaybackViewModel::openFiles()
{
    Q_ASSERT(platform::isMainThread());
    PlaybackDialogs::MovieFilesRequest request;
    request.title = QString::fromUtf8(kOpenFilesTitle);
    request.nameFilters
        = { QStringLiteral("Movies (*.mov *.qt *.mp4 *.m4v *.mxf *.avi *.mkv *.mpg *.mpeg *.mts *.m2ts *.webm)") };
    request.allowsMultipleSelection = true;
    dialogs_->chooseMovieFiles(request, [guard = QPointer<PlaybackViewModel>(this)](const QList<QUrl>& urls) {
        if (guard)
            guard->addChosenFiles(urls);
    });
}

void PlaybackViewModel::addChosenFiles(const QList<QUrl>& urls)
{
    if (urls.isEmpty())
        return;
    // Every chosen file is added, a missing one as offline and one already listed as a second clip.
    for (const QUrl& url : urls) {
        ClipItem clip = makeClip(url);
        applySlateMetadata(lastPathComponent(url), clip);
        appendClip(clip);
        if (!clip.offline)
            startFillTask(clip.id, url, false);
    }
    if (!selectedClipID_) {
        for (const ClipItem& clip : clips_) {
            if (clip.url == urls.first()) {
                selectClip(clip.id);
                break;
            }
        }
    }
    setHasUnsavedChanges(true);
    saveState();
}

void PlaybackViewModel::addClipFromRecording(const QUrl& url)
{
    Q_ASSERT(platform::isMainThread());
    for (const ClipItem& clip : clips_) {
        if (clip.url == url)
            return;
    }
    ClipItem clip = makeClip(url);
    applySlateMetadata(lastPathComponent(url), clip);
    appendClip(clip);
    selectClip(clip.id);
    setHasUnsavedChanges(true);
    saveState();
    if (!clip.offline)
        startFillTask(clip.id, url, true);
}

void PlaybackViewModel::startFillTask(const QUuid& id, const QUrl& url, bool loadFormat)
{
    generateThumbnail(url, [this, id, url, loadFormat](const QImage& image) {
        if (!image.isNull()) {
            const qsizetype index = indexOfClip(id);
            if (index >= 0) {
                ClipItem clip = clips_[index];
                clip.thumbnail = image;
                replaceClip(index, clip);
            }
        }
        if (!loadFormat)
            return;
        loadClipFormat(url, [this, id](const std::optional<ClipFormatInfo>& format) {
            if (!format)
                return;
            const qsizetype index = indexOfClip(id);
            if (index < 0)
                return;
            ClipItem clip = clips_[index];
            clip.formatWidth = format->width;
            replaceClip(index, clip);
            clip.formatHeight = format->height;
            replaceClip(index, clip);
            clip.formatFPS = format->fps;
            replaceClip(index, clip);
            clip.formatScan = format->scan;
            replaceClip(index, clip);
        });
    });
}

void PlaybackViewModel::generateThumbnail(const QUrl& url, std::function<void(const QImage&)> done)
{
    mediaLoader_->loadThumbnail(url, this, [done = std::move(done)](platform::Result<QImage, QString> result) {
        if (!result) {
            dlog("❌ Thumbnail generation failed:", result.error());
            done(QImage());
            return;
        }
        done(result.value());
    });
}

void PlaybackViewModel::loadClipFormat(const QUrl& url, std::function<void(const std::optional<ClipFormatInfo>&)> done)
{
    mediaLoader_->loadInfo(url, this, [done = std::move(done)](platform::Result<media::MediaInfo, QString> result) {
        if (!result || !result->hasVideo) {
            done(std::nullopt);
            return;
        }
        ClipFormatInfo format;
        format.width = std::abs(result->displayWidth());
        format.height = std::abs(result->displayHeight());
        const double fps = result->nominalFrameRate;
        format.fps = std::isfinite(fps) && fps > 0.0 ? fps : 0.0;
        format.scan = QStringLiteral("p");
        done(format);
    });
}

void PlaybackViewModel::applySlateMetadata(const QString& fileName, ClipItem& clip)
{
    const QStringList tokens = deletingPathExtension(fileName).split(QLatin1Char('-'), Qt::SkipEmptyParts);
    const auto integerAfter
        = [](const QString& token, qsizetype prefix) { return parseDecimalInteger(QStringView(token).mid(prefix)); };
    for (const QString& token : tokens) {
        if (token.startsWith(QLatin1String("R")) && token.size() >= 2) {
            clip.reel = token.mid(1);
        } else if (token.startsWith(QLatin1String("SC")) && token.size() >= 3) {
            clip.scene = token.mid(2);
        } else if (token.startsWith(QLatin1String("T")) && token.size() >= 2) {
            if (const auto take = integerAfter(token, 1))
                clip.take = take;
        } else if (token.startsWith(QLatin1String("input"))) {
            if (const auto input = integerAfter(token, 5))
                clip.inputNumber = input;
        } else if (token.startsWith(QLatin1String("Cam"))) {
            if (const auto input = integerAfter(token, 3))
                clip.inputNumber = input;
        }
    }
}

std::optional<std::pair<int, int>> PlaybackViewModel::sizeForProjectFormat(settings::CaptureFormat format)
{
    using settings::CaptureFormat;
    if (format == CaptureFormat::auto_)
        return std::nullopt;
    if (format == CaptureFormat::sd525i5994)
        return std::pair(720, 486);
    if (format == CaptureFormat::sd625i50)
        return std::pair(720, 576);
    const QString raw = settings::toRaw(format);
    if (raw.startsWith(QLatin1String("hd720")))
        return std::pair(1280, 720);
    if (raw.startsWith(QLatin1String("hd1080")))
        return std::pair(1920, 1080);
    return std::pair(3840, 2160); // the uhd2160 cases
}

std::optional<bool> PlaybackViewModel::clipFormatMismatch(const ClipItem& clip) const
{
    if (!clip.formatWidth || !clip.formatHeight || !clip.formatFPS || !(*clip.formatFPS > 0.0))
        return std::nullopt;
    const settings::CaptureFormat format = settings_.projectFormat();
    const auto size = sizeForProjectFormat(format);
    if (!size)
        return std::nullopt;
    const bool sizeDiffers = *clip.formatWidth != size->first || *clip.formatHeight != size->second;
    const double projectFPS = settings::fpsValue(format);
    if (projectFPS > 0.0 && std::fabs(*clip.formatFPS - projectFPS) > 0.6)
        return true;
    return sizeDiffers;
}

QString PlaybackViewModel::formattedTime(std::optional<double> seconds)
{
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0.0)
        return QStringLiteral("-");
    const double rounded = std::round(*seconds); // halves away from zero
    if (rounded >= 9.2e18)
        return QStringLiteral("-");
    const auto whole = static_cast<long long>(rounded);
    return QString::asprintf("%02lld:%02lld:%02lld", whole / 3600, (whole / 60) % 60, whole % 60);
}

} // namespace playback
