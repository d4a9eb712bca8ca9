#pragma once

// Carries one player's newest frame to the program output: on every tick of a main-thread timer
// it takes the frame due now from a BGRA video output on the player's current item and hands it
// to the sink, re-sending the frame it holds when nothing new is due, so a paused or stalled
// player keeps feeding the output at the timer's rate. The timer follows the sink's rate hint
// (30 to 60 per second) and re-times itself when the hint moves by more than half a frame.
//
// The output is attached to one item at a time, the one the player showed at the last tick; a
// new item drops the held frame, so a frame of an earlier item is never sent again.
//
// Thread rule: main thread only (the timer fires there); asserted on every public entry.

#include "capture/OutputChoices.h"
#include "media/frame/Frame.h"
#include "media/player/MediaTime.h"
#include "platform/Scheduler.h"

#include <QPointer>

#include <memory>
#include <optional>

namespace media {
class MediaPlayer;
class PlayerItem;
class PlayerVideoOutput;
} // namespace media
namespace platform {
class MediaClock;
}

namespace playback {

class PlaybackTapSink;

class PlaybackDeckLinkTap {
public:
    // `scheduler` runs the timer; `clock` gives the host time the output's item time is read at.
    PlaybackDeckLinkTap(media::MediaPlayer& player, PlaybackTapSink* recordVM, capture::PlaybackOutputSource source,
        platform::Scheduler& scheduler, const platform::MediaClock& clock);
    ~PlaybackDeckLinkTap();
    PlaybackDeckLinkTap(const PlaybackDeckLinkTap&) = delete;
    PlaybackDeckLinkTap& operator=(const PlaybackDeckLinkTap&) = delete;

    // Restarts from a clean state: no held frame, the timer at the current target rate.
    void start();
    void stop();

    capture::PlaybackOutputSource source() const { return source_; }
    // The running timer's rate; 0 while stopped.
    double currentTimerFPS() const { return currentTimerFPS_; }

private:
    double targetFPS() const;
    void scheduleTimer();
    void refreshTimerIfNeeded();
    void tick();

    QPointer<media::MediaPlayer> player_;
    QPointer<PlaybackTapSink> recordVM_;
    const capture::PlaybackOutputSource source_;
    platform::Scheduler& scheduler_;
    const platform::MediaClock& clock_;
    std::shared_ptr<media::PlayerVideoOutput> output_;
    std::optional<platform::Scheduler::TimerId> timer_;
    std::weak_ptr<media::PlayerItem> currentItem_;
    media::Frame lastPixelBuffer_;
    media::MediaTime lastFrameTime_;
    double currentTimerFPS_ = 0.0;
};

} // namespace playback
