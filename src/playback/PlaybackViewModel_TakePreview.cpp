// The take preview: every online camera of one take side by side. The master is the selected
// clip and plays in the main player; each other tile has a take player of its own, which the
// transport drives together with the main player while the preview is active.

#include "playback/PlaybackViewModel.h"

#include "media/player/MediaTime.h"
#include "media/player/PlayerItem.h"
#include "platform/MainThread.h"

#include <algorithm>

namespace playback {

void PlaybackViewModel::previewTake(std::optional<qint64> take)
{
    Q_ASSERT(platform::isMainThread());
    refreshOfflineStatus();
    setSecondaryClip(std::nullopt);
    // The clips without a take number are no take: asking for them only ends a preview, so no
    // screen shows a multi-view of unrelated clips and no players are opened for them.
    if (!take) {
        clearTakePreview();
        return;
    }
    QList<ClipItem> matches;
    for (const ClipItem& clip : clips_) {
        if (clip.take == take && !clip.offline)
            matches.append(clip);
    }
    if (matches.isEmpty()) {
        clearTakePreview();
        return;
    }
    std::stable_sort(matches.begin(), matches.end(),
        [](const ClipItem& a, const ClipItem& b) { return a.inputNumber.value_or(0) < b.inputNumber.value_or(0); });
    QList<QUuid> ids;
    for (const ClipItem& clip : matches)
        ids.append(clip.id);
    setPreviewTake(take);
    setPreviewTakeClipIDs(ids);
    if (ids.size() < 2) {
        clearTakePreview();
        selectClip(ids.first());
        return;
    }
    selectClip(ids.first());
    rebuildTakePlayers(true);
}

void PlaybackViewModel::clearTakePreview()
{
    setPreviewTake(std::nullopt);
    setPreviewTakeClipIDs({});
    takePlayers_.clear();
}

void PlaybackViewModel::rebuildTakePlayers(bool keepCurrentTime)
{
    if (!previewTake_) {
        takePlayers_.clear();
        return;
    }
    for (auto it = takePlayers_.begin(); it != takePlayers_.end();) {
        if (previewTakeClipIDs_.contains(it->first))
            ++it;
        else
            it = takePlayers_.erase(it);
    }
    for (const QUuid& id : previewTakeClipIDs_) {
        if (id == selectedClipID_)
            continue;
        const qsizetype index = indexOfClip(id);
        if (index < 0 || clips_[index].offline) {
            takePlayers_.erase(id);
            continue;
        }
        auto& entry = takePlayers_[id];
        if (!entry)
            entry = playerFactory_();
        entry->replaceCurrentItem(media::PlayerItem::create(clips_[index].url));
    }
    if (!keepCurrentTime)
        return;
    const media::MediaTime t = media::MediaTime::fromSeconds(currentTime_, 600);
    for (auto& [id, takePlayer] : takePlayers_) {
        if (id != selectedClipID_)
            takePlayer->seek(t);
    }
}

media::MediaPlayer* PlaybackViewModel::playerForTakeTile(const QUuid& id)
{
    Q_ASSERT(platform::isMainThread());
    if (id == selectedClipID_)
        return player_.get();
    if (auto it = takePlayers_.find(id); it != takePlayers_.end())
        return it->second.get();
    auto made = playerFactory_();
    const qsizetype index = indexOfClip(id);
    if (index >= 0 && !clips_[index].offline) {
        made->replaceCurrentItem(media::PlayerItem::create(clips_[index].url));
        made->seek(media::MediaTime::fromSeconds(currentTime_, 600));
    }
    media::MediaPlayer* result = made.get();
    takePlayers_[id] = std::move(made);
    return result;
}

void PlaybackViewModel::setTakePreviewMaster(const QUuid& id)
{
    Q_ASSERT(platform::isMainThread());
    if (!isTakePreviewActive() || !previewTakeClipIDs_.contains(id)) {
        selectClipSingle(id);
        return;
    }
    refreshOfflineStatus();
    const bool wasPlaying = isPlaying_;
    const double t = currentTime_;
    QList<QUuid> ids = previewTakeClipIDs_;
    ids.removeAll(id);
    setPreviewTakeClipIDs(ids);
    ids.prepend(id);
    setPreviewTakeClipIDs(ids);
    selectClip(id);
    seek(t, false);
    rebuildTakePlayers(true);
    if (!wasPlaying)
        return;
    for (media::MediaPlayer* p : drivenPlayers())
        p->play();
    setIsPlaying(true);
}

} // namespace playback
