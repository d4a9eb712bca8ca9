// Construction and clean-up of the engine, its published state and what is derived from it, and
// the observer that adds finished recordings to the playlist.

#include "playback/PlaybackViewModel.h"

#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/SerialQueue.h"
#include "playback/ClipMediaLoader.h"
#include "playback/PlaybackDialogs.h"
#include "settings/AppSettings.h"

#include <QDir>

namespace playback {

namespace {
PlaybackDialogs& standInDialogs()
{
    static PlaybackDialogs dialogs;
    return dialogs;
}
} // namespace

PlaybackViewModel::PlaybackViewModel(settings::AppSettings& settings, media::MediaPlayerFactory playerFactory,
    platform::Scheduler& scheduler, platform::NotificationCenter& notifications, QObject* parent)
    : QObject(parent)
    , settings_(settings)
    , scheduler_(scheduler)
    , notifications_(notifications)
    , playerFactory_(std::move(playerFactory))
    , dialogs_(&standInDialogs())
    , mediaLoader_(std::make_unique<ClipMediaLoader>())
    , player_(playerFactory_())
    , programPlayer_(playerFactory_())
    , writer_(std::make_unique<platform::SerialQueue>("Corvale.PlaylistWriter"))
{
    Q_ASSERT(platform::isMainThread());
    addTimeObserver();
    isProjectSelectionMode_ = true;
    playlistFolderURL_ = recordingFolderOrLegacy();
    loadStateIfAvailable();
    refreshOfflineStatus();
    observeProjectFolderChanges();
    // Bound to this object's life: the observation ends when the engine goes.
    recordingFinishedObserver_ = notifications_.addObserver(
        QString::fromLatin1(kRecordingFinishedNotification), this, [this](const QVariantMap& userInfo) {
            platform::runOnMain(this, [this, userInfo] { handleRecordingFinished(userInfo); });
        });
}

PlaybackViewModel::~PlaybackViewModel()
{
    stopTransportInternal(); // the reverse timer belongs to a scheduler that outlives the engine
    // Saves already queued still reach the disk; their results are no longer wanted.
    writer_.reset();
}

void PlaybackViewModel::setDialogs(PlaybackDialogs* dialogs)
{
    dialogs_ = dialogs ? dialogs : &standInDialogs();
}

void PlaybackViewModel::setMediaLoader(std::unique_ptr<ClipMediaLoader> loader)
{
    mediaLoader_ = loader ? std::move(loader) : std::make_unique<ClipMediaLoader>();
}

void PlaybackViewModel::handleRecordingFinished(const QVariantMap& userInfo)
{
    const QVariant value = userInfo.value(QString::fromLatin1(kRecordingURLKey));
    QUrl url;
    if (value.typeId() == QMetaType::QUrl)
        url = value.toUrl();
    else if (value.typeId() == QMetaType::QString)
        url = QUrl(value.toString(), QUrl::StrictMode);
    if (!url.isLocalFile())
        return;
    url = QUrl::fromLocalFile(QDir::cleanPath(url.toLocalFile()));
    if (clipFileExists(url))
        addClipFromRecording(url);
}

void PlaybackViewModel::cleanup()
{
    Q_ASSERT(platform::isMainThread());
    endAccessingPlaybackURL();
    if (timeObserverToken_ != 0) {
        player_->removeTimeObserver(timeObserverToken_);
        timeObserverToken_ = 0;
    }
    clearBoundaryAndEndObservers();
    // Marks and learnt durations wait for the next save; quitting must not lose them.
    if (hasUnsavedChanges_ && !isProjectSelectionMode_) {
        saveState();
        flushPendingSaves();
    }
}

void PlaybackViewModel::stopTransportInternal()
{
    if (reverseTimer_ != 0) {
        scheduler_.cancel(reverseTimer_);
        reverseTimer_ = 0;
    }
    reverseRate_ = 1.0;
}

// --- Derived state ---

qsizetype PlaybackViewModel::indexOfClip(const QUuid& id) const
{
    for (qsizetype i = 0; i < clips_.size(); ++i) {
        if (clips_[i].id == id)
            return i;
    }
    return -1;
}

std::optional<ClipItem> PlaybackViewModel::currentClip() const
{
    const qsizetype index = selectedClipID_ ? indexOfClip(*selectedClipID_) : -1;
    return index < 0 ? std::nullopt : std::optional<ClipItem>(clips_[index]);
}

std::optional<ClipItem> PlaybackViewModel::secondaryClip() const
{
    const qsizetype index = secondaryClipID_ ? indexOfClip(*secondaryClipID_) : -1;
    return index < 0 ? std::nullopt : std::optional<ClipItem>(clips_[index]);
}

bool PlaybackViewModel::isTakePreviewActive() const
{
    return previewTake_ && previewTakeClipIDs_.size() > 1;
}

QList<ClipItem> PlaybackViewModel::previewTakeClips() const
{
    QList<ClipItem> result;
    for (const QUuid& id : previewTakeClipIDs_) {
        const qsizetype index = indexOfClip(id);
        if (index >= 0)
            result.append(clips_[index]);
    }
    return result;
}

bool PlaybackViewModel::shouldControlProgramPlayer() const
{
    return secondaryClipID_ ? true : !settings_.hdmiOutFollowsPreview();
}

// --- Published properties ---

void PlaybackViewModel::setIsPlaying(bool value)
{
    publish(isPlaying_, value, &PlaybackViewModel::isPlayingChanged);
}

void PlaybackViewModel::setClips(QList<ClipItem> value)
{
    clips_ = std::move(value);
    emit clipsChanged(clips_);
}

void PlaybackViewModel::replaceClip(qsizetype index, const ClipItem& clip)
{
    clips_[index] = clip;
    emit clipsChanged(clips_);
}

void PlaybackViewModel::setSelectedClipID(const std::optional<QUuid>& value)
{
    publish(selectedClipID_, value, &PlaybackViewModel::selectedClipIDChanged);
}

void PlaybackViewModel::setSecondaryClipID(const std::optional<QUuid>& value)
{
    publish(secondaryClipID_, value, &PlaybackViewModel::secondaryClipIDChanged);
}

void PlaybackViewModel::setDuration(double value)
{
    publish(duration_, value, &PlaybackViewModel::durationChanged);
}

void PlaybackViewModel::setCurrentTime(double value)
{
    publish(currentTime_, value, &PlaybackViewModel::currentTimeChanged);
}

void PlaybackViewModel::publishMarkIn(const std::optional<double>& value)
{
    publish(markIn_, value, &PlaybackViewModel::markInChanged);
}

void PlaybackViewModel::publishMarkOut(const std::optional<double>& value)
{
    publish(markOut_, value, &PlaybackViewModel::markOutChanged);
}

void PlaybackViewModel::setLoopInOut(bool value)
{
    publish(loopInOut_, value, &PlaybackViewModel::loopInOutChanged);
}

void PlaybackViewModel::setHasUnsavedChanges(bool value)
{
    if (value)
        ++editGeneration_;
    publish(hasUnsavedChanges_, value, &PlaybackViewModel::hasUnsavedChangesChanged);
}

void PlaybackViewModel::setPreviewTake(const std::optional<qint64>& value)
{
    publish(previewTake_, value, &PlaybackViewModel::previewTakeChanged);
}

void PlaybackViewModel::setPreviewTakeClipIDs(const QList<QUuid>& value)
{
    publish(previewTakeClipIDs_, value, &PlaybackViewModel::previewTakeClipIDsChanged);
}

} // namespace playback
