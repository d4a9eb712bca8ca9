#pragma once

// A video player: holds at most one item, plays it forward at a rate, seeks frame-exactly and
// reports its time to observers on the main thread. Several players run independently (main,
// program, take players). The engine talks to this interface; FFmpegMediaPlayer is the real one
// and tests of the engine use a fake.
//
// Every call is made on the main thread.

#include "media/player/MediaTime.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace media {

class PlayerItem;

class MediaPlayer : public QObject {
    Q_OBJECT

public:
    using ObserverToken = std::uint64_t; // 0 is never a token

    static constexpr float kMinimumRate = 0.1f;
    static constexpr float kMaximumRate = 64.0f;
    // A playing rate within 0.1...64; zero or less (and NaN) means paused.
    static float clampRate(float rate);

    explicit MediaPlayer(QObject* parent = nullptr)
        : QObject(parent)
    {
    }
    ~MediaPlayer() override = default;

    virtual std::shared_ptr<PlayerItem> currentItem() const = 0;
    // Puts a new item in (null empties the player). The rate is kept: a playing player plays
    // the new item once it is ready. An item held by another player is refused (false).
    virtual bool replaceCurrentItem(std::shared_ptr<PlayerItem> item) = 0;

    virtual void play() = 0; // rate 1
    virtual void pause() = 0; // rate 0
    virtual void setRate(float rate) = 0;
    virtual float rate() const = 0;

    // Exact seek (zero tolerance either side); returns at once, the latest seek wins, and the
    // current time is the target from this call on. Clamped to the item's known duration.
    virtual void seek(const MediaTime& time) = 0;
    // Zero without an item.
    virtual MediaTime currentTime() const = 0;

    // Called every `interval` of item time during playback, and when time jumps, playback
    // starts or stops, or the item's duration becomes known.
    virtual ObserverToken addPeriodicTimeObserver(
        const MediaTime& interval, std::function<void(const MediaTime&)> block)
        = 0;
    // Called when forward playback crosses one of the times; never for seeks.
    virtual ObserverToken addBoundaryTimeObserver(const std::vector<MediaTime>& times, std::function<void()> block) = 0;
    virtual void removeTimeObserver(ObserverToken token) = 0;

signals:
    void currentItemChanged();
    void rateChanged(float rate);
};

using MediaPlayerFactory = std::function<std::unique_ptr<MediaPlayer>()>;

} // namespace media
