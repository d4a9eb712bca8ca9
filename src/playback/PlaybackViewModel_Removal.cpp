// Removing clips and keeping the playlist honest about files that went missing. Removal never
// touches a media file; the offline flag is recomputed from the disk and never saved.

#include "playback/PlaybackDialogs.h"
#include "playback/PlaybackViewModel.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"

namespace playback {

void PlaybackViewModel::deleteClips(const std::set<qsizetype>& positions)
{
    Q_ASSERT(platform::isMainThread());
    QList<QUuid> removed;
    for (qsizetype position : positions) {
        if (position < 0 || position >= clips_.size()) {
            dlog("⚠️ Ignoring clip position outside the playlist:", position);
            continue;
        }
        removed.append(clips_[position].id);
    }
    if (!removed.isEmpty()) {
        QList<ClipItem> kept;
        kept.reserve(clips_.size() - removed.size());
        for (qsizetype i = 0; i < clips_.size(); ++i) {
            if (!positions.count(i))
                kept.append(clips_[i]);
        }
        setClips(std::move(kept));
    }

    if (!previewTakeClipIDs_.isEmpty()) {
        QList<QUuid> ids = previewTakeClipIDs_;
        for (const QUuid& id : removed) {
            ids.removeAll(id);
            takePlayers_.erase(id);
        }
        setPreviewTakeClipIDs(ids);
        if (ids.size() <= 1) {
            clearTakePreview();
        } else if (selectedClipID_ && !ids.contains(*selectedClipID_)) {
            selectClip(ids.first());
            rebuildTakePlayers(true);
        }
    }

    if (secondaryClipID_ && removed.contains(*secondaryClipID_))
        setSecondaryClip(std::nullopt);

    if (selectedClipID_ && indexOfClip(*selectedClipID_) < 0) {
        // The deleted clip must not go on playing or stay on the program output.
        stopPlayback();
        clearBoundaryAndEndObservers();
        endAccessingPlaybackURL();
        setSelectedClipID(std::nullopt);
        unloadSelection();
        setDuration(0.0);
        setCurrentTime(0.0);
        publishMarkIn(std::nullopt);
        publishMarkOut(std::nullopt);
    }

    setHasUnsavedChanges(true);
    saveState();
}

void PlaybackViewModel::deleteSelectedClip()
{
    Q_ASSERT(platform::isMainThread());
    if (!selectedClipID_)
        return;
    const qsizetype index = indexOfClip(*selectedClipID_);
    if (index >= 0)
        deleteClips({ index });
}

void PlaybackViewModel::deleteAllClips()
{
    Q_ASSERT(platform::isMainThread());
    // Emptying the list resets the playback state exactly as a project change does.
    resetPlaybackStateForProjectChange();
    setHasUnsavedChanges(true);
    saveState();
}

void PlaybackViewModel::refreshOfflineStatus()
{
    if (clips_.isEmpty())
        return;
    // One pass, one change of the list however many flags flipped: a playlist screen redraws once
    // rather than once per clip.
    QList<ClipItem> updated;
    for (qsizetype i = 0; i < clips_.size(); ++i) {
        const bool offline = !clipFileExists(clips_[i].url);
        if (clips_[i].offline == offline)
            continue;
        if (updated.isEmpty())
            updated = clips_;
        updated[i].offline = offline;
    }
    const bool changed = !updated.isEmpty();
    if (changed)
        setClips(std::move(updated));

    if (!previewTakeClipIDs_.isEmpty()) {
        QList<QUuid> online;
        for (const QUuid& id : previewTakeClipIDs_) {
            const qsizetype index = indexOfClip(id);
            if (index >= 0 && !clips_[index].offline)
                online.append(id);
        }
        const qsizetype before = previewTakeClipIDs_.size();
        setPreviewTakeClipIDs(online);
        if (online.size() != before) {
            if (online.size() <= 1)
                clearTakePreview();
            else
                rebuildTakePlayers(true);
        }
    }

    if (const auto clip = currentClip(); clip && clip->offline) {
        stopPlayback();
        // The program player loses the missing file too while it follows the selection.
        unloadSelection();
    }
    if (const auto clip = secondaryClip(); clip && clip->offline) {
        // What clearing the output clip does, without its own refresh, which would find the
        // same offline output clip again and never end.
        setSecondaryClipID(std::nullopt);
        programPlayer_->replaceCurrentItem(nullptr);
    }

    // Observers of the unsaved flag redraw the rows; the flag itself does not change.
    if (changed)
        emit hasUnsavedChangesChanged(hasUnsavedChanges_);
}

void PlaybackViewModel::revealInFinder(const std::optional<QUuid>& id)
{
    Q_ASSERT(platform::isMainThread());
    refreshOfflineStatus();
    const qsizetype index = id ? indexOfClip(*id) : -1;
    if (index >= 0)
        dialogs_->revealInFileManager(clips_[index].url);
}

} // namespace playback
