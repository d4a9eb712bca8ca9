#include "app/StationRemoteControl.h"

#include "app/PlaybackViewModelRemotePort.h"
#include "app/RecordViewModelRemotePort.h"
#include "remote/ClipFileTransfer.h"
#include "remote/PlaybackCommandTable.h"
#include "remote/RealtimeSyncPipelines.h"
#include "remote/RemoteStack.h"
#include "remote/RemoteStateBroadcaster.h"

namespace app {

StationRemoteControl::StationRemoteControl(Services services)
    : stack_(services.stack)
    , playbackPort_(std::make_unique<PlaybackViewModelRemotePort>(services.playback))
    , capturePort_(std::make_unique<RecordViewModelRemotePort>(services.capture))
{
    auto& server = stack_.controlServer();
    snapshots_ = std::make_unique<remote::RemoteStateBroadcaster>(server, *playbackPort_, *capturePort_);
    transfer_ = std::make_unique<remote::ClipFileTransfer>(remote::ClipFileTransfer::Services { server, *playbackPort_,
        [&server](remote::ConnectionId connection) { return server.unsentBytes(connection); } });
    table_ = std::make_unique<remote::PlaybackCommandTable>(
        remote::PlaybackCommandTable::Services { server, *playbackPort_, *capturePort_, *snapshots_, *transfer_ });
    pipelines_ = std::make_unique<remote::RealtimeSyncPipelines>(remote::RealtimeSyncPipelines::Services {
        *playbackPort_, *capturePort_, *snapshots_, [&server] { return server.connectedClients(); },
        std::move(services.updateActiveTrackCount), services.scheduler });
    stack_.setCommandTable(*table_);
}

StationRemoteControl::~StationRemoteControl()
{
    pipelines_->teardown();
    // Commands may still arrive while the stack outlives us: they go back to the stand-in.
    stack_.restoreStandInCommandTable();
    transfer_.reset();
}

void StationRemoteControl::setupRealtimeSyncPipelines()
{
    pipelines_->setupRealtimeSyncPipelines();
}

void StationRemoteControl::endRealtimeSync()
{
    pipelines_->teardown();
}

} // namespace app
