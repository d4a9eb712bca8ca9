#pragma once

// A player for engine tests: no files are opened and no thread runs. Items are real PlayerItems
// that the test makes ready or failed by hand; time moves only through advance(), which plays
// at the current rate and fires the observers and the end of the item as the real player does.
// Every call is recorded so tests can check what the engine asked of its players.

#include "media/frame/Frame.h"
#include "media/player/MediaPlayer.h"
#include "media/player/PlayerTimeObservers.h"

#include <string>
#include <vector>

namespace platform {
class MediaClock;
}

namespace media {

class FakeMediaPlayer final : public MediaPlayer {
    Q_OBJECT

public:
    // `clock` gives the host time the items' video outputs are read at.
    explicit FakeMediaPlayer(QObject* parent = nullptr);
    explicit FakeMediaPlayer(platform::MediaClock& clock, QObject* parent = nullptr);
    ~FakeMediaPlayer() override;

    // A factory that records every player it makes (in order) into `made`, which must outlive it.
    static MediaPlayerFactory factory(std::vector<FakeMediaPlayer*>* made);

    std::shared_ptr<PlayerItem> currentItem() const override { return item_; }
    bool replaceCurrentItem(std::shared_ptr<PlayerItem> item) override;
    void play() override;
    void pause() override;
    void setRate(float rate) override;
    float rate() const override { return rate_; }
    void seek(const MediaTime& time) override;
    MediaTime currentTime() const override { return MediaTime::fromSeconds(seconds_); }
    ObserverToken addPeriodicTimeObserver(
        const MediaTime& interval, std::function<void(const MediaTime&)> block) override;
    ObserverToken addBoundaryTimeObserver(const std::vector<MediaTime>& times, std::function<void()> block) override;
    void removeTimeObserver(ObserverToken token) override;

    // --- Driving by hand ---
    // Makes the current item ready with a duration (seconds; negative: indefinite).
    void makeReady(double durationSeconds, double nominalFrameRate = 25.0, bool hasAudio = false);
    void makeFailed(const QString& error);
    // Moves playback time by `hostSeconds` at the current rate (nothing moves while paused or
    // before the item is ready), firing periodic and boundary observers and the item's end.
    void advance(double hostSeconds);
    // Sets the time as the player would report it, without a seek being recorded.
    void setCurrentTime(double seconds);
    // Calls every periodic observer with the current time (a jump report).
    void firePeriodicObservers();
    // Puts a picture on show for the current item's video outputs.
    void presentFrame(const Frame& frame, double durationSeconds = 1.0 / 25.0);
    // Reports a failure during playback of the current item.
    void failPlayback(const QString& error);

    // --- What the engine asked (seek targets and replacements are read from the calls) ---
    struct Call {
        std::string name; // "play", "pause", "rate", "seek", "replace"
        double value = 0.0; // the rate or the seek target; 1 for a replacement with an item
    };
    void clearCalls() { calls_.clear(); }
    std::vector<double> seekTargets() const;
    int replaceCount() const;
    std::size_t boundaryObserverCount() const { return observers_.boundaryCount(); }

private:
    void syncTimebase();
    bool ready() const;
    double durationSeconds() const;

    platform::MediaClock& clock_;
    std::shared_ptr<PlayerItem> item_;
    float rate_ = 0.0f;
    double seconds_ = 0.0;
    std::vector<Call> calls_;

    PlayerTimeObservers observers_;
};

} // namespace media
