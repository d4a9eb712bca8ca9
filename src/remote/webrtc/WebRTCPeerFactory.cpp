#include "remote/webrtc/WebRTCPeerFactory.h"

namespace remote {

WebRTCPeerFactory::WebRTCPeerFactory()
{
    ensureGstInitialised();
}

WebRTCPeerFactory& WebRTCPeerFactory::shared()
{
    static WebRTCPeerFactory* factory = new WebRTCPeerFactory();
    return *factory;
}

std::unique_ptr<WebRTCPeerConnection> WebRTCPeerFactory::peerConnection(
    const WebRTCPeerConnection::Configuration& configuration, WebRTCPeerConnection::Callbacks callbacks)
{
    return WebRTCPeerConnection::create(configuration, std::move(callbacks));
}

} // namespace remote
