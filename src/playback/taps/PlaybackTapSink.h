#pragma once

// Where the playback taps hand their frames: the capture engine's playback feed. The taps hold
// it weakly (a QPointer): once it is gone their frames are dropped and they fall back to their
// own rates. RecordViewModelTapSink is the station's; tests hand in a fake that records.
//
// Thread rule: main thread only.

#include "capture/OutputChoices.h"
#include "media/frame/Frame.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUuid>

#include <optional>

namespace playback {

class PlaybackTapSink : public QObject {
public:
    using QObject::QObject;

    // The rate (frames per second) the taps should run at.
    virtual double playbackDeckLinkTapFPSHint() const = 0;
    // One frame of one player; `time` is its item time in seconds.
    virtual void handlePlaybackOutput(
        const media::Frame& pixelBuffer, capture::PlaybackOutputSource source, std::optional<double> time)
        = 0;
    // The newest frame of each previewed clip, and the tile order (which may name clips without a frame).
    virtual void handlePlaybackMultiView(const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order) = 0;
};

} // namespace playback
