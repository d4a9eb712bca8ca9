#pragma once

// Carries the newest frame of every clip of the take preview to the program output's multi-view:
// a main-thread timer pulls one frame per tile through a BGRA video output per clip and hands the
// set over, with the tile order, whenever a frame is new or the order changed. The rate follows
// the sink's hint (24 to 60 per second) and is fixed until the next start().
//
// Only clips still previewed keep their output and held frame: a clip that leaves the preview
// gives both up at the next tick (its output is taken off its item), so memory follows the tiles
// on show rather than every clip ever previewed. A clip that comes back delivers once its new
// output has a frame.
//
// Thread rule: main thread only (the timer fires there); asserted on every public entry.

#include "media/frame/Frame.h"
#include "platform/Scheduler.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QUuid>

#include <memory>
#include <optional>

namespace media {
class MediaPlayer;
class PlayerVideoOutput;
} // namespace media
namespace platform {
class MediaClock;
}

namespace playback {

class PlaybackTapSink;
class PlaybackViewModel;

class PlaybackMultiViewTap {
public:
    PlaybackMultiViewTap(PlaybackViewModel& playbackVM, PlaybackTapSink* recordVM, platform::Scheduler& scheduler,
        const platform::MediaClock& clock);
    ~PlaybackMultiViewTap();
    PlaybackMultiViewTap(const PlaybackMultiViewTap&) = delete;
    PlaybackMultiViewTap& operator=(const PlaybackMultiViewTap&) = delete;

    // Restarts from a clean state (fresh outputs for every clip) at the sink's current rate.
    void start();
    void stop();

    // The running timer's rate; 0 while stopped.
    double currentTimerFPS() const { return currentTimerFPS_; }
    // Clips whose output the tap holds.
    qsizetype heldClipCount() const { return outputsByID_.size(); }

private:
    void tick();
    std::shared_ptr<media::PlayerVideoOutput> ensureOutput(const QUuid& id, media::MediaPlayer& player);
    static void attachOutputIfNeeded(
        const std::shared_ptr<media::PlayerVideoOutput>& output, media::MediaPlayer& player);
    void dropClipsNotIn(const QList<QUuid>& order);

    PlaybackViewModel& playbackVM_;
    QPointer<PlaybackTapSink> recordVM_;
    platform::Scheduler& scheduler_;
    const platform::MediaClock& clock_;
    QHash<QUuid, std::shared_ptr<media::PlayerVideoOutput>> outputsByID_;
    QHash<QUuid, media::Frame> lastFrames_;
    QList<QUuid> lastOrder_;
    std::optional<platform::Scheduler::TimerId> timer_;
    double currentTimerFPS_ = 0.0;
};

} // namespace playback
