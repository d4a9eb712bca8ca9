#pragma once

// What the capture engine needs of the remote-video session: choosing the producer of each of
// its four tracks and offering frames to them. The session decides what it accepts; the engine
// never learns whether a frame was taken.
//
// Threads: both operations are called on the main thread, return at once and do their work in
// tasks of their own on the main thread.

#include "media/frame/Frame.h"

#include <optional>

namespace capture {

class LiveVideoSession {
public:
    // The producer of one track slot, in this order.
    enum class ActiveSource { playback, deckLink, avFoundation };

    virtual ~LiveVideoSession() = default;

    // Assigns the producer of track `inputIndex` (0...3; other indexes are ignored).
    virtual void setActiveSource(ActiveSource source, int inputIndex) = 0;
    // Offers a frame for track `inputIndex` from `source`, stamped with `time` (seconds) when
    // given and finite, else with the host clock. Dropped unless the session runs and the track's
    // producer is `source`.
    virtual void push(const media::Frame& frame, int inputIndex, ActiveSource source, std::optional<double> time) = 0;
};

} // namespace capture
