#pragma once

// The remote-control objects the application holds for the whole run: the permission store, the
// control server with its announcement, the live-video signalling adapter bound to it, and the
// command handler with its command table. The shell creates one stack at start-up (nothing
// listens yet), calls setupControlServer() once at the main window's first show and stop() at
// quit. The live-video session attaches through the adapter's onSignal; the real command table
// replaces the stand-in through setCommandTable().
//
// Threads: main thread only.

#include "platform/MediaClock.h"
#include "remote/AuthGate.h"
#include "remote/ControlServer.h"

#include <QObject>

#include <functional>
#include <memory>

namespace remote {

class PermissionPrompter;
class RemoteCommandHandler;
class RemoteCommandTable;
class UnknownActionCommandTable;
class WebRTCSignalingAdapter;

class RemoteStack : public QObject {
    Q_OBJECT

public:
    struct Dependencies {
        // The station's pairing code (the settings' "pairingCode"), read at every "hello".
        std::function<QString()> pairingCode;
        PermissionPrompter& prompter;
        // None: the station's own Avahi publisher.
        ServicePublisher* publisher = nullptr;
        ControlServer::Options serverOptions = {};
        platform::MediaClock& clock = platform::MediaClock::system();
    };

    explicit RemoteStack(Dependencies dependencies, QObject* parent = nullptr);
    ~RemoteStack() override;

    AuthGate& authGate() { return authGate_; }
    ControlServer& controlServer() { return *controlServer_; }
    WebRTCSignalingAdapter& webrtcSignalingAdapter() { return *signaling_; }
    RemoteCommandHandler& commandHandler() { return *handler_; }

    // Runs permitted commands from now on (the table must outlive the stack or be replaced).
    void setCommandTable(RemoteCommandTable& table);
    // Back to the stand-in, before a table installed with setCommandTable() goes.
    void restoreStandInCommandTable();

    // Installs the command handler and starts the server; only the first call does anything.
    void setupControlServer();
    bool didSetupControlServer() const { return didSetupControlServer_; }

    // Closes the server and every connection and withdraws the announcement, for good.
    void stop();

private:
    std::unique_ptr<ServicePublisher> ownPublisher_;
    AuthGate authGate_;
    std::unique_ptr<ControlServer> controlServer_;
    std::unique_ptr<WebRTCSignalingAdapter> signaling_;
    std::unique_ptr<UnknownActionCommandTable> standInTable_;
    std::unique_ptr<RemoteCommandHandler> handler_;
    bool didSetupControlServer_ = false;
};

} // namespace remote
