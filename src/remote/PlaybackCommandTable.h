#pragma once

// The commands a permitted remote client may run: transport, marks, seeking, clip selection, the
// output clip and the playlist of the playback engine, the remote live-video source, fresh
// snapshots, the clip manifest and clip downloads. A command that drives an engine is followed by
// a state and a clock to every connection and only then by the sender's ack.
//
// Threads: main thread only.

#include "remote/RemoteCommandTable.h"

#include <QHash>

#include <functional>

namespace remote {

class CaptureRemotePort;
class ClipCacheService;
class PlaybackRemotePort;
class RemoteStateBroadcaster;
class RemoteTransport;

class PlaybackCommandTable final : public RemoteCommandTable {
public:
    struct Services {
        RemoteTransport& transport;
        PlaybackRemotePort& playback;
        CaptureRemotePort& capture;
        RemoteStateBroadcaster& snapshots;
        ClipCacheService& clipCache;
    };

    explicit PlaybackCommandTable(Services services);
    void execute(const RemoteCommand& command) override;

private:
    // An engine operation followed by the broadcast and an ok ack with `ackText`.
    struct ControlAction {
        QString ackText;
        std::function<void(const RemoteMessage&)> operation;
    };

    void addControlActions();
    void setPreviewMode(const RemoteCommand& command);
    void requestCacheManifest(const RemoteCommand& command);
    void cacheFetchClip(const RemoteCommand& command);
    void ack(const RemoteCommand& command, bool ok, const QString& message);

    Services services_;
    QHash<QString, ControlAction> controlActions_;
};

} // namespace remote
