#include "app/IdleLiveVideoSession.h"

#include "platform/DebugLog.h"

namespace app {

void IdleLiveVideoSession::setActiveSource(ActiveSource, int) { }

void IdleLiveVideoSession::push(const media::Frame&, int, ActiveSource, std::optional<double>) { }

void IdleLiveVideoSession::updateActiveTrackCount(int) { }

void IdleLiveVideoSession::handleSignal(const remote::WebRTCSignalMessage& message)
{
    dlog("ℹ️ [WebRTC] no live-video session yet: signal dropped for session", message.sessionID);
}

} // namespace app
