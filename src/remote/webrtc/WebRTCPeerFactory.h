#pragma once

// The process's one source of peer connections: GStreamer is initialised on first use, once and
// thread-safely, and never shut down.
//
// Threads: shared() from any thread; peerConnection() on the main thread.

#include "remote/webrtc/WebRTCPeerConnection.h"

#include <memory>

namespace remote {

class WebRTCPeerFactory {
public:
    static WebRTCPeerFactory& shared();

    // Null when the pipeline cannot be built (a plug-in missing) or does not start.
    std::unique_ptr<WebRTCPeerConnection> peerConnection(
        const WebRTCPeerConnection::Configuration& configuration, WebRTCPeerConnection::Callbacks callbacks);

private:
    WebRTCPeerFactory();
};

} // namespace remote
