// The playlist file of the open project: where it lives, saving and loading it, following the
// recording folder of the settings, and project-selection mode (no project open, nothing saved or
// loaded).
//
// Saving copies the list (an implicitly shared QList, so the copy is free) and leaves encoding and
// the atomic write to the writer queue; the main thread only resolves the folder. Reading stays on
// the main thread, after the queue has finished every earlier save, so a load always sees the
// last save.

#include "playback/PlaybackViewModel.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StandardFolders.h"
#include "settings/AppSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace playback {

namespace {
QString folderPath(const QUrl& folder)
{
    return QDir::cleanPath(folder.toLocalFile());
}
} // namespace

QUrl PlaybackViewModel::legacyPlaylistFolderURL()
{
    const QString path = QDir(platform::applicationSupportDirectory()).filePath(QStringLiteral("Corvale"));
    QDir().mkpath(path); // a failure shows when the playlist is written
    return QUrl::fromLocalFile(path + QLatin1Char('/'));
}

QUrl PlaybackViewModel::recordingFolderOrLegacy()
{
    if (auto folder = settings_.resolveRecordingFolderURL())
        return *folder;
    return legacyPlaylistFolderURL();
}

std::optional<QUrl> PlaybackViewModel::playlistURL(const QUrl& folder)
{
    const QString path = folderPath(folder);
    if (!QFileInfo::exists(path) && !QDir().mkpath(path)) {
        dlog("❌ Failed to create project folder:", path);
        return std::nullopt;
    }
    return QUrl::fromLocalFile(QDir(path).filePath(QString::fromLatin1(PlaylistFile::kFileName)));
}

void PlaybackViewModel::saveState()
{
    Q_ASSERT(platform::isMainThread());
    if (isProjectSelectionMode_)
        return;
    saveState(playlistFolderURL_);
}

void PlaybackViewModel::saveState(const std::optional<QUrl>& folder)
{
    auto state = std::make_shared<const PlaybackState>(PlaybackState { clips_, selectedClipID_ });
    const QUrl target = folder ? *folder : recordingFolderOrLegacy();
    const std::optional<QUrl> file = playlistURL(target);
    if (!file)
        return;
    const std::uint64_t generation = editGeneration_;
    // The block touches only the outcome list, which outlives the queue (drained first when the
    // engine goes), and posts back through a liveness token taken here on the main thread.
    writer_->async(
        [this, alive = alive_.token(), state = std::move(state), path = file->toLocalFile(), generation]() mutable {
            const auto written = PlaylistFile::writeAtomically(path, PlaylistFile::encode(*state));
            {
                std::lock_guard lock(outcomesMutex_);
                outcomes_.push_back({ generation, written ? std::nullopt : std::optional<QString>(written.error()) });
            }
            // The saved list shares its storage with the engine's own. Its last reference is dropped
            // on the main thread, after this thread's reads: dropped here, the engine's next edit
            // could find the storage unshared and write it in place with no ordering against them.
            platform::runOnMain(alive, [this, state = std::move(state)] { applySaveOutcomes(); });
        });
}

void PlaybackViewModel::applySaveOutcomes()
{
    std::vector<SaveOutcome> outcomes;
    {
        std::lock_guard lock(outcomesMutex_);
        outcomes.swap(outcomes_);
    }
    for (const SaveOutcome& outcome : outcomes) {
        if (outcome.error)
            dlog("❌ Failed to save playlist:", *outcome.error);
        else if (outcome.generation == editGeneration_)
            setHasUnsavedChanges(false);
    }
}

void PlaybackViewModel::flushPendingSaves()
{
    Q_ASSERT(platform::isMainThread());
    writer_->sync([] {});
    applySaveOutcomes();
}

void PlaybackViewModel::loadStateIfAvailable()
{
    Q_ASSERT(platform::isMainThread());
    if (isProjectSelectionMode_)
        return;
    resetPlaybackStateForProjectChange();
    const QUrl folder = playlistFolderURL_ ? *playlistFolderURL_ : recordingFolderOrLegacy();
    const std::optional<QUrl> file = playlistURL(folder);
    if (!file)
        return;
    flushPendingSaves();
    const QString path = file->toLocalFile();
    if (!QFileInfo::exists(path))
        return;

    const auto data = PlaylistFile::read(path);
    if (!data) {
        handleUnreadablePlaylist(path, data.error());
        return;
    }
    auto state = PlaylistFile::decode(*data);
    if (!state) {
        handleUnreadablePlaylist(path, state.error());
        return;
    }

    // Missing files are flagged before the list is published, so that a long playlist reaches its
    // observers once rather than once more for every offline clip.
    for (ClipItem& clip : state.value().clips)
        clip.offline = !clipFileExists(clip.url);
    setClips(std::move(state.value().clips));
    setSelectedClipID(state.value().selectedClipID);
    refreshOfflineStatus();
    for (const ClipItem& clip : clips_) {
        if (!clip.offline)
            startFillTask(clip.id, clip.url, true);
    }
    if (selectedClipID_)
        selectClip(selectedClipID_);
    setHasUnsavedChanges(false);
}

// A file that cannot be read is kept under another name: the empty playlist that takes its place
// would otherwise overwrite it with the next save.
void PlaybackViewModel::handleUnreadablePlaylist(const QString& path, const QString& error)
{
    dlog("❌ Failed to load playlist:", error);
    const auto moved = PlaylistFile::moveAside(path, QDateTime::currentDateTime());
    if (moved)
        dlog("⚠️ Unreadable playlist kept as", *moved);
    else
        dlog("❌ Failed to move the unreadable playlist aside:", moved.error());
}

void PlaybackViewModel::resetPlaybackStateForProjectChange()
{
    setClips({});
    setSelectedClipID(std::nullopt);
    setSecondaryClipID(std::nullopt);
    clearTakePreview();
    stopPlayback();
    clearBoundaryAndEndObservers();
    endAccessingPlaybackURL();
    player_->replaceCurrentItem(nullptr);
    programPlayer_->replaceCurrentItem(nullptr);
    setDuration(0.0);
    setCurrentTime(0.0);
    publishMarkIn(std::nullopt);
    publishMarkOut(std::nullopt);
    setLoopInOut(false);
}

void PlaybackViewModel::observeProjectFolderChanges()
{
    // Queued: the change is handled on a later turn, once the setting holds its new value.
    settingsCancellables_.push_back(connect(
        &settings_, &settings::AppSettings::recordingFolderPathChanged, this, [this] { handleProjectFolderChange(); },
        Qt::QueuedConnection));
    settingsCancellables_.push_back(connect(
        &settings_, &settings::AppSettings::recordingFolderBookmarkDataChanged, this,
        [this] { handleProjectFolderChange(); }, Qt::QueuedConnection));
}

void PlaybackViewModel::handleProjectFolderChange()
{
    if (isProjectSelectionMode_)
        return;
    const QUrl folder = recordingFolderOrLegacy();
    if (playlistFolderURL_ && folderPath(*playlistFolderURL_) == folderPath(folder))
        return;
    saveState(playlistFolderURL_);
    playlistFolderURL_ = folder;
    loadStateIfAvailable();
}

void PlaybackViewModel::enterProjectSelectionMode()
{
    Q_ASSERT(platform::isMainThread());
    isProjectSelectionMode_ = true;
    playlistFolderURL_.reset();
    resetPlaybackStateForProjectChange();
}

void PlaybackViewModel::exitProjectSelectionMode()
{
    Q_ASSERT(platform::isMainThread());
    if (!isProjectSelectionMode_)
        return;
    isProjectSelectionMode_ = false;
    playlistFolderURL_ = recordingFolderOrLegacy();
    loadStateIfAvailable();
}

} // namespace playback
