#include "playback/taps/PlaybackMultiViewTap.h"

#include "media/player/MediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/MainThread.h"
#include "platform/MediaClock.h"
#include "playback/PlaybackViewModel.h"
#include "playback/taps/PlaybackTapSink.h"

#include <algorithm>
#include <cmath>

namespace playback {

namespace {

void detachFromItem(const std::shared_ptr<media::PlayerVideoOutput>& output)
{
    if (media::PlayerItem* item = output->item())
        item->removeOutput(output);
}

} // namespace

PlaybackMultiViewTap::PlaybackMultiViewTap(PlaybackViewModel& playbackVM, PlaybackTapSink* recordVM,
    platform::Scheduler& scheduler, const platform::MediaClock& clock)
    : playbackVM_(playbackVM)
    , recordVM_(recordVM)
    , scheduler_(scheduler)
    , clock_(clock)
{
}

PlaybackMultiViewTap::~PlaybackMultiViewTap()
{
    stop();
}

void PlaybackMultiViewTap::start()
{
    Q_ASSERT(platform::isMainThread());
    stop();
    const double hint = recordVM_ ? recordVM_->playbackDeckLinkTapFPSHint() : 30.0;
    currentTimerFPS_ = std::isnan(hint) ? 24.0 : std::clamp(hint, 24.0, 60.0);
    timer_ = scheduler_.repeating(1.0 / currentTimerFPS_, [this] { tick(); });
}

void PlaybackMultiViewTap::stop()
{
    Q_ASSERT(platform::isMainThread());
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
    currentTimerFPS_ = 0.0;
    // Outputs left on their items would keep being fed for nobody.
    for (const auto& output : std::as_const(outputsByID_))
        detachFromItem(output);
    outputsByID_.clear();
    lastFrames_.clear();
    lastOrder_.clear();
}

void PlaybackMultiViewTap::tick()
{
    if (!playbackVM_.isTakePreviewActive())
        return;
    const QList<ClipItem> clips = playbackVM_.previewTakeClips();
    if (clips.isEmpty())
        return;

    QList<QUuid> order;
    order.reserve(clips.size());
    for (const ClipItem& clip : clips)
        order.push_back(clip.id);
    dropClipsNotIn(order);

    QHash<QUuid, media::Frame> frames;
    bool anyNew = false;
    const double hostNow = clock_.now();
    for (const QUuid& id : std::as_const(order)) {
        media::MediaPlayer* player = playbackVM_.playerForTakeTile(id);
        if (!player)
            continue;
        const auto output = ensureOutput(id, *player);
        if (!player->currentItem())
            continue;
        media::MediaTime t = output->itemTimeForHostTime(hostNow);
        if (!t.isNumeric())
            t = player->currentTime();
        media::Frame frame;
        if (output->hasNewFrameForItemTime(t))
            frame = output->copyFrameForItemTime(t);
        if (!frame.isNull()) {
            lastFrames_.insert(id, frame);
            frames.insert(id, frame);
            anyNew = true;
        } else if (auto held = lastFrames_.constFind(id); held != lastFrames_.cend()) {
            frames.insert(id, *held);
        }
    }

    if (!anyNew && order == lastOrder_)
        return;
    lastOrder_ = order;
    if (recordVM_)
        recordVM_->handlePlaybackMultiView(frames, order);
}

std::shared_ptr<media::PlayerVideoOutput> PlaybackMultiViewTap::ensureOutput(
    const QUuid& id, media::MediaPlayer& player)
{
    auto it = outputsByID_.find(id);
    if (it == outputsByID_.end())
        it = outputsByID_.insert(id, media::PlayerVideoOutput::create());
    attachOutputIfNeeded(*it, player);
    return *it;
}

void PlaybackMultiViewTap::attachOutputIfNeeded(
    const std::shared_ptr<media::PlayerVideoOutput>& output, media::MediaPlayer& player)
{
    const auto item = player.currentItem();
    if (!item)
        return;
    const auto& outputs = item->outputs();
    // An output serves one item: adding it here takes it off the item it served before.
    if (std::find(outputs.begin(), outputs.end(), output) == outputs.end())
        item->addOutput(output);
}

void PlaybackMultiViewTap::dropClipsNotIn(const QList<QUuid>& order)
{
    for (auto it = outputsByID_.begin(); it != outputsByID_.end();) {
        if (order.contains(it.key())) {
            ++it;
            continue;
        }
        detachFromItem(it.value());
        lastFrames_.remove(it.key());
        it = outputsByID_.erase(it);
    }
}

} // namespace playback
