#pragma once

// The player on libav*: each item decodes on its own threads (ItemDecoder); this object keeps
// the transport on the main thread: rate, the item's time line on the injected media clock,
// seeks, end of item, and the time observers, which a main-thread timer from the injected
// scheduler drives while the player plays.

#include "media/player/MediaPlayer.h"
#include "media/player/PlayerTimeObservers.h"

namespace platform {
class MediaClock;
class Scheduler;
} // namespace platform

namespace media {

class FFmpegMediaPlayer final : public MediaPlayer {
    Q_OBJECT

public:
    explicit FFmpegMediaPlayer(QObject* parent = nullptr);
    FFmpegMediaPlayer(platform::MediaClock& clock, platform::Scheduler& scheduler, QObject* parent = nullptr);
    ~FFmpegMediaPlayer() override;

    static MediaPlayerFactory factory();

    std::shared_ptr<PlayerItem> currentItem() const override { return item_; }
    bool replaceCurrentItem(std::shared_ptr<PlayerItem> item) override;
    void play() override { setRate(1.0f); }
    void pause() override { setRate(0.0f); }
    void setRate(float rate) override;
    float rate() const override { return rate_; }
    void seek(const MediaTime& time) override;
    MediaTime currentTime() const override;
    ObserverToken addPeriodicTimeObserver(
        const MediaTime& interval, std::function<void(const MediaTime&)> block) override;
    ObserverToken addBoundaryTimeObserver(const std::vector<MediaTime>& times, std::function<void()> block) override;
    void removeTimeObserver(ObserverToken token) override;

    // How often the transport looks at the time while playing.
    static constexpr double kTickInterval = 0.01;

private:
    double itemSeconds() const;
    bool itemReady() const;
    double duration() const; // infinity when unknown
    void applyRate(); // re-anchors the time line at the current time with the effective rate
    void updateTicking();
    void tick();
    void reachEnd();
    void firePeriodicSoon();
    void onItemStatusChanged();

    platform::MediaClock& clock_;
    platform::Scheduler& scheduler_;
    std::shared_ptr<PlayerItem> item_;
    QMetaObject::Connection statusConnection_;
    float rate_ = 0.0f;
    std::uint64_t timer_ = 0;
    double lastTickSeconds_ = 0.0;
    bool periodicPending_ = false;
    PlayerTimeObservers observers_;
};

} // namespace media
