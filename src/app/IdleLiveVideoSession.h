#pragma once

// The live-video session until the station streams: it takes every call and does nothing, so the
// shell and the capture engine run their routing steps as they will with the real session.
//
// Main thread only.

#include "capture/LiveVideoSession.h"
#include "remote/WebRTCSignalMessage.h"

namespace app {

class IdleLiveVideoSession final : public capture::LiveVideoSession {
public:
    void setActiveSource(ActiveSource source, int inputIndex) override;
    void push(const media::Frame& frame, int inputIndex, ActiveSource source, std::optional<double> time) override;
    void updateActiveTrackCount(int count);
    void handleSignal(const remote::WebRTCSignalMessage& message);
};

} // namespace app
