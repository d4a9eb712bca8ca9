// The selected clip and the players. The main player always shows the selected clip; the program
// player shows the output clip when one is set and otherwise follows the selection with an item
// of its own. Only the main player's item is watched for its end and for failures, and only it
// teaches the engine the frame duration that jogging and reverse play step by.

#include "playback/PlaybackViewModel.h"

#include "media/player/MediaTime.h"
#include "media/player/PlayerItem.h"
#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "settings/AppSettings.h"

#include <QDir>

#include <cmath>

namespace playback {

void PlaybackViewModel::selectClip(const std::optional<QUuid>& id)
{
    Q_ASSERT(platform::isMainThread());
    setSelectedClipID(id);
    stopPlayback();
    refreshOfflineStatus();
    const qsizetype index = id ? indexOfClip(*id) : -1;
    clearBoundaryAndEndObservers();
    QObject::disconnect(frameRateProbe_);

    if (index < 0 || clips_[index].offline) {
        endAccessingPlaybackURL();
        unloadSelection();
        if (index >= 0)
            setIsPlaying(false);
        setDuration(index < 0 ? 0.0 : clips_[index].duration);
        setCurrentTime(0.0);
        publishMarkIn(index < 0 ? std::nullopt : clips_[index].markIn);
        publishMarkOut(index < 0 ? std::nullopt : clips_[index].markOut);
        return;
    }

    const ClipItem clip = clips_[index];
    beginAccessingPlaybackURL(clip.url);
    auto item = media::PlayerItem::create(clip.url);
    player_->replaceCurrentItem(item);
    updateCachedFrameDuration(item);
    if (!secondaryClipID_)
        programPlayer_->replaceCurrentItem(media::PlayerItem::create(clip.url));
    endObserverToken_ = connect(item.get(), &media::PlayerItem::didPlayToEndTime, this, [this] { handleItemEnd(); });
    failObserverToken_ = connect(item.get(), &media::PlayerItem::failedToPlayToEndTime, this,
        [this](const QString& error) { handleItemFailed(error); });
    setIsPlaying(false);
    player_->pause();
    setCurrentTime(0.0);
    setDuration(clip.duration);
    publishMarkIn(clip.markIn);
    publishMarkOut(clip.markOut);
}

void PlaybackViewModel::selectClipSingle(const std::optional<QUuid>& id)
{
    Q_ASSERT(platform::isMainThread());
    if (isTakePreviewActive())
        clearTakePreview();
    if (secondaryClipID_)
        setSecondaryClip(std::nullopt);
    selectClip(id);
}

void PlaybackViewModel::setSecondaryClip(const std::optional<QUuid>& id)
{
    Q_ASSERT(platform::isMainThread());
    refreshOfflineStatus();
    setSecondaryClipID(id);
    const qsizetype index = id ? indexOfClip(*id) : -1;
    if (index < 0 || clips_[index].offline) {
        programPlayer_->replaceCurrentItem(nullptr);
        return;
    }
    programPlayer_->replaceCurrentItem(media::PlayerItem::create(clips_[index].url));
    programPlayer_->seek(media::MediaTime::fromSeconds(currentTime_, 600));
}

void PlaybackViewModel::unloadSelection()
{
    player_->replaceCurrentItem(nullptr);
    if (!secondaryClipID_)
        programPlayer_->replaceCurrentItem(nullptr);
}

void PlaybackViewModel::handleItemEnd()
{
    for (media::MediaPlayer* p : drivenPlayers())
        p->pause();
    setIsPlaying(false);
    setCurrentTime(duration_);
}

void PlaybackViewModel::handleItemFailed(const QString& error)
{
    dlog("❌ AVPlayerItem failed:", error);
    setIsPlaying(false);
}

void PlaybackViewModel::updateCachedFrameDuration(const std::shared_ptr<media::PlayerItem>& item)
{
    // Only the item still in the main player teaches the step: a probe of a clip selected before
    // must not leave its frame duration to the clip on show now.
    const auto learn = [this](media::PlayerItem& probed) {
        if (player_->currentItem().get() != &probed)
            return;
        if (probed.status() == media::PlayerItem::Status::Failed) {
            // Never opened: the failure path, so the clip cannot look as if it played.
            cachedFrameDuration_ = 1.0 / 30.0;
            handleItemFailed(probed.errorText());
            return;
        }
        const double fps = probed.hasVideo() ? probed.nominalFrameRate() : 0.0;
        cachedFrameDuration_ = std::isfinite(fps) && fps > 1.0 ? 1.0 / fps : 1.0 / 30.0;
    };
    if (item->status() != media::PlayerItem::Status::Unknown) {
        learn(*item);
        return;
    }
    media::PlayerItem* probed = item.get();
    frameRateProbe_ = connect(probed, &media::PlayerItem::statusChanged, this, [this, probed, learn] {
        QObject::disconnect(frameRateProbe_);
        learn(*probed);
    });
}

void PlaybackViewModel::clearBoundaryAndEndObservers()
{
    if (boundaryObserverToken_ != 0) {
        player_->removeTimeObserver(boundaryObserverToken_);
        boundaryObserverToken_ = 0;
    }
    if (endObserverToken_) {
        disconnect(*endObserverToken_);
        endObserverToken_.reset();
    }
    if (failObserverToken_) {
        disconnect(*failObserverToken_);
        failObserverToken_.reset();
    }
}

// Files need no access grant on this platform; the engine keeps the bookkeeping so that what it
// would hold (the clip, and its recording folder when it lies inside) stays visible.
void PlaybackViewModel::beginAccessingPlaybackURL(const QUrl& url)
{
    endAccessingPlaybackURL();
    playbackAccessingClipURL_ = url;
    const std::optional<QUrl> folder = settings_.resolveRecordingFolderURL();
    if (!folder)
        return;
    const QString root = QDir::cleanPath(folder->toLocalFile());
    if (!root.isEmpty() && url.toLocalFile().startsWith(root))
        playbackAccessingFolderURL_ = folder;
}

void PlaybackViewModel::endAccessingPlaybackURL()
{
    playbackAccessingClipURL_.reset();
    playbackAccessingFolderURL_.reset();
}

} // namespace playback
