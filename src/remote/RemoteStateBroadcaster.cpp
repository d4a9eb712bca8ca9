#include "remote/RemoteStateBroadcaster.h"

#include "platform/MainThread.h"
#include "remote/CaptureRemotePort.h"
#include "remote/PlaybackRemotePort.h"
#include "remote/RemoteTransport.h"

#include <algorithm>

namespace remote {

RemoteStateBroadcaster::RemoteStateBroadcaster(
    RemoteTransport& transport, PlaybackRemotePort& playback, CaptureRemotePort& capture)
    : transport_(transport)
    , playback_(playback)
    , capture_(capture)
{
}

RemoteMessage RemoteStateBroadcaster::buildRemoteStatePayload() const
{
    Q_ASSERT(platform::isMainThread());
    auto payload = playback_.makeRemoteState().toJson();
    const int raw = capture_.outputColorModeRaw();
    payload.insert(QStringLiteral("captureInputCount"), std::max(std::min(capture_.activeInputCount(), 4), 1));
    payload.insert(QStringLiteral("outputColorMode"), CaptureRemotePort::outputColorModeLabel(raw));
    payload.insert(QStringLiteral("outputColorModeRaw"), raw);
    payload.insert(QStringLiteral("outputIsHDR"), CaptureRemotePort::outputIsHDR(raw));
    return payload;
}

void RemoteStateBroadcaster::sendStateUpdate(std::optional<ConnectionId> to)
{
    deliver(to,
        { { QStringLiteral("type"), QStringLiteral("state.update") },
            { QStringLiteral("payload"), buildRemoteStatePayload() } });
}

void RemoteStateBroadcaster::sendPlaybackClock(std::optional<ConnectionId> to, std::optional<std::int64_t> clockSeq)
{
    Q_ASSERT(platform::isMainThread());
    deliver(to,
        { { QStringLiteral("type"), QStringLiteral("state.clock") },
            { QStringLiteral("payload"), playback_.makeRemoteClock(clockSeq).toJson() } });
}

void RemoteStateBroadcaster::syncPlaybackToClients()
{
    sendStateUpdate(std::nullopt);
    sendPlaybackClock(std::nullopt, std::nullopt);
}

void RemoteStateBroadcaster::deliver(std::optional<ConnectionId> to, const RemoteMessage& message)
{
    if (to)
        transport_.send(*to, message);
    else
        transport_.broadcastState(message);
}

} // namespace remote
