// What cloud sync asks of the engine: a saved playlist before a project sync, a reload when Drive's
// playlist replaced ours, and clips that follow a file renamed to keep both copies.

#include "playback/PlaybackViewModel.h"

#include "platform/MainThread.h"

#include <QFileInfo>

namespace playback {

void PlaybackViewModel::saveBeforeCloudSync()
{
    Q_ASSERT(platform::isMainThread());
    if (hasUnsavedChanges_)
        saveState();
    flushPendingSaves();
}

void PlaybackViewModel::reloadPlaylistFromDisk(const QString& filePath)
{
    Q_ASSERT(platform::isMainThread());
    if (isProjectSelectionMode_ || !playlistFolderURL_)
        return;
    const std::optional<QUrl> file = playlistURL(*playlistFolderURL_);
    if (!file || QFileInfo(file->toLocalFile()).absoluteFilePath() != QFileInfo(filePath).absoluteFilePath())
        return;
    // The new file wins over edits made since the sync started: the next save must not undo it.
    setHasUnsavedChanges(false);
    loadStateIfAvailable();
}

void PlaybackViewModel::repointClips(const QString& oldPath, const QString& newPath)
{
    Q_ASSERT(platform::isMainThread());
    const QUrl oldURL = QUrl::fromLocalFile(oldPath);
    QList<ClipItem> clips = clips_;
    bool changed = false;
    for (ClipItem& clip : clips) {
        if (clip.url == oldURL) {
            clip.url = QUrl::fromLocalFile(newPath);
            changed = true;
        }
    }
    if (!changed)
        return;
    setClips(std::move(clips));
    saveState();
}

} // namespace playback
