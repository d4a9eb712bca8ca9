#pragma once

// Pulls the pictures a player shows into track 0 of the live session as playback frames, at a
// given rate, stamped with their display time. The output follows the player's current item.
// The application does not create one (the capture engine pushes the composed playback frames);
// it stays for tools and tests.
//
// Threads: main thread only (the player, its items and the scheduler's timers live there).

#include "platform/MediaClock.h"
#include "platform/Scheduler.h"

#include <QPointer>

#include <memory>
#include <optional>

namespace media {
class MediaPlayer;
class PlayerItem;
class PlayerVideoOutput;
} // namespace media

namespace remote {

class WebRTCSessionManager;

class PlaybackFrameTap {
public:
    static std::unique_ptr<PlaybackFrameTap> create(std::weak_ptr<WebRTCSessionManager> session,
        platform::Scheduler& scheduler = platform::Scheduler::main(),
        platform::MediaClock& clock = platform::MediaClock::system());
    ~PlaybackFrameTap();
    PlaybackFrameTap(const PlaybackFrameTap&) = delete;
    PlaybackFrameTap& operator=(const PlaybackFrameTap&) = delete;

    // Reads `player` `fps` times a second (a rate that is not positive and finite reads 30 times)
    // until stop(); a new start replaces the old one.
    void start(media::MediaPlayer& player, double fps);
    void stop();

private:
    PlaybackFrameTap(
        std::weak_ptr<WebRTCSessionManager> session, platform::Scheduler& scheduler, platform::MediaClock& clock);
    void tick();
    void detachFromLastItem();
    void stopTimerOnly();

    const std::shared_ptr<media::PlayerVideoOutput> output_;
    QPointer<media::MediaPlayer> player_;
    std::weak_ptr<media::PlayerItem> lastItem_;
    std::optional<platform::Scheduler::TimerId> timer_;
    platform::Scheduler& queue_;
    platform::MediaClock& clock_;
    std::weak_ptr<WebRTCSessionManager> webrtc_;
};

} // namespace remote
