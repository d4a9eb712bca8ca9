#pragma once

// Turns the engines' snapshots into "state.update" and "state.clock" messages, for one
// connection or for every connection (whatever its permission). Nothing is cached: every call
// takes fresh snapshots.
//
// Threads: main thread only.

#include "remote/RemoteTypes.h"

#include <cstdint>
#include <optional>

namespace remote {

class CaptureRemotePort;
class PlaybackRemotePort;
class RemoteTransport;

class RemoteStateBroadcaster {
public:
    RemoteStateBroadcaster(RemoteTransport& transport, PlaybackRemotePort& playback, CaptureRemotePort& capture);

    // The "state.update" payload: the playback state plus the capture inputs and output colour.
    RemoteMessage buildRemoteStatePayload() const;
    // None: to every connection.
    void sendStateUpdate(std::optional<ConnectionId> to);
    void sendPlaybackClock(std::optional<ConnectionId> to, std::optional<std::int64_t> clockSeq);
    // A state and then a clock to every connection.
    void syncPlaybackToClients();

private:
    void deliver(std::optional<ConnectionId> to, const RemoteMessage& message);

    RemoteTransport& transport_;
    PlaybackRemotePort& playback_;
    CaptureRemotePort& capture_;
};

} // namespace remote
