#pragma once

// The pictures of one player for every view that shows it: one video output on the player's
// current item (moved along when the item changes) and one scaled-frame cache, shared by all
// views of the player, so each distinct view size is scaled once per frame, off the main thread.
// A frame is looked for when the decoder says one may be due and, while the player plays, on a
// display tick of the screen's scheduler.
//
// Threads: made, used and destroyed on the main thread. The decoder's frame-available callback
// runs on a decoding thread and only posts a look-up to the main thread (coalesced, and dropped
// once the feed is gone).

#include "media/frame/ScaledFrameCache.h"
#include "media/player/MediaPlayer.h"
#include "platform/MainThread.h"
#include "platform/Scheduler.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

namespace media {
class PlayerItem;
class PlayerVideoOutput;
} // namespace media

namespace playback_screen {

class PlayerFrameFeed final : public QObject {
    Q_OBJECT
public:
    // The display tick while playing.
    static constexpr double tickInterval = 1.0 / 60.0;

    // The feed of `player`, made on first use and kept while a view holds it.
    static std::shared_ptr<PlayerFrameFeed> forPlayer(media::MediaPlayer* player, platform::Scheduler& scheduler);
    ~PlayerFrameFeed() override;

    media::MediaPlayer* player() const { return player_; }
    media::ScaledFrameCache& cache() { return cache_; }
    // The newest frame taken from the player (null before the first and after the item goes).
    const media::Frame& frame() const { return cache_.source(); }

    // Takes the frame due now when it is new.
    void pull();

private:
    PlayerFrameFeed(media::MediaPlayer* player, platform::Scheduler& scheduler);
    void followItem();
    void followRate();

    QPointer<media::MediaPlayer> player_;
    platform::Scheduler& scheduler_;
    std::shared_ptr<media::PlayerVideoOutput> output_;
    std::weak_ptr<media::PlayerItem> item_;
    media::ScaledFrameCache cache_;
    std::uint64_t tick_ = 0; // the display tick; 0: none
    std::shared_ptr<std::atomic<bool>> pullPosted_ = std::make_shared<std::atomic<bool>>(false);
    platform::LivenessFlag alive_;
};

} // namespace playback_screen
