#pragma once

// Pushes the engines' changes to remote clients unasked: the clock at most every 120 ms while
// the playhead, the transport, the selection or the take preview changes (leading edge, then
// the latest at the end of each window); the full state and a clock 80 ms after a burst of
// changes settles; and the number of enabled live-video tracks whenever the number of capture
// inputs changes to a new value. With no client connected the pipelines fire and send nothing.
//
// Built once per run with setupRealtimeSyncPipelines(); teardown() (or destruction) stops them
// for good, cancelling their timers.
//
// Threads: main thread only; timers run on the given scheduler.

#include "platform/Scheduler.h"
#include "remote/PlaybackRemotePort.h"

#include <QMetaObject>

#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace remote {

class CaptureRemotePort;
class RemoteStateBroadcaster;

class RealtimeSyncPipelines {
public:
    struct Services {
        PlaybackRemotePort& playback;
        CaptureRemotePort& capture;
        RemoteStateBroadcaster& snapshots;
        // The control server's connected clients, read each time a pipeline fires.
        std::function<int()> connectedClients;
        // The live-video session's track count; empty while there is no session.
        std::function<void(int count)> updateActiveTrackCount;
        platform::Scheduler& scheduler = platform::Scheduler::main();
    };

    static constexpr double clockThrottleSeconds = 0.120;
    static constexpr double stateDebounceSeconds = 0.080;

    explicit RealtimeSyncPipelines(Services services);
    ~RealtimeSyncPipelines();
    RealtimeSyncPipelines(const RealtimeSyncPipelines&) = delete;
    RealtimeSyncPipelines& operator=(const RealtimeSyncPipelines&) = delete;

    void setupRealtimeSyncPipelines();
    void teardown();

private:
    void clockSignal();
    void clockWindowEnded();
    void clockStep();
    void stateSignal();
    void stateStep();
    void inputCountAssigned(int count);
    // Runs `block` on the scheduler's next pass, unless torn down first.
    void nextPass(std::function<void()> block);

    Services services_;
    std::vector<QMetaObject::Connection> connections_;
    std::optional<platform::Scheduler::TimerId> clockWindow_;
    bool clockPending_ = false;
    std::optional<platform::Scheduler::TimerId> debounce_;
    std::set<platform::Scheduler::TimerId> passes_;
    std::optional<int> lastInputCount_;
};

} // namespace remote
