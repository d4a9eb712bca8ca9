#pragma once

// Remote control over the station's real engines: the two engine ports, the snapshot
// broadcaster, the command table (installed into the remote stack at construction, replacing its
// stand-in), the clip file transfer and the real-time pipelines. The shell builds the pipelines
// once at the main window's first show and drops them at quit; the table and the transfer live
// as long as this object.
//
// Threads: main thread only; the transfer reads on its own threads and is stopped (and waited
// for) by the destructor.

#include "platform/Scheduler.h"

#include <functional>
#include <memory>

namespace capture {
class RecordViewModel;
}
namespace playback {
class PlaybackViewModel;
}
namespace remote {
class ClipFileTransfer;
class PlaybackCommandTable;
class RealtimeSyncPipelines;
class RemoteStack;
class RemoteStateBroadcaster;
} // namespace remote

namespace app {

class PlaybackViewModelRemotePort;
class RecordViewModelRemotePort;

class StationRemoteControl {
public:
    struct Services {
        remote::RemoteStack& stack;
        playback::PlaybackViewModel& playback;
        capture::RecordViewModel& capture;
        // The live-video session's track count.
        std::function<void(int count)> updateActiveTrackCount;
        platform::Scheduler& scheduler = platform::Scheduler::main();
    };

    explicit StationRemoteControl(Services services);
    ~StationRemoteControl();
    StationRemoteControl(const StationRemoteControl&) = delete;
    StationRemoteControl& operator=(const StationRemoteControl&) = delete;

    void setupRealtimeSyncPipelines();
    void endRealtimeSync();

    remote::RemoteStateBroadcaster& snapshots() { return *snapshots_; }
    remote::ClipFileTransfer& clipTransfer() { return *transfer_; }

private:
    remote::RemoteStack& stack_;
    std::unique_ptr<PlaybackViewModelRemotePort> playbackPort_;
    std::unique_ptr<RecordViewModelRemotePort> capturePort_;
    std::unique_ptr<remote::RemoteStateBroadcaster> snapshots_;
    std::unique_ptr<remote::ClipFileTransfer> transfer_;
    std::unique_ptr<remote::PlaybackCommandTable> table_;
    std::unique_ptr<remote::RealtimeSyncPipelines> pipelines_;
};

} // namespace app
