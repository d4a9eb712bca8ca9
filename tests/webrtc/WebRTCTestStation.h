#pragma once

// The station side of the live-video tests: the real remote stack on 127.0.0.1 (its prompter
// allows every request) with a session manager bound to its signalling adapter, ICE kept on
// loopback and no STUN server.

#include "../remote/RemoteTestSupport.h"
#include "platform/ManualMediaClock.h"
#include "platform/UserDefaults.h"
#include "remote/RemoteStack.h"
#include "remote/webrtc/WebRTCSessionManager.h"
#include "settings/AppSettings.h"

#include <QTemporaryDir>

#include <memory>

class WebRTCTestStation {
public:
    WebRTCTestStation();
    ~WebRTCTestStation();

    quint16 port() { return stack_->controlServer().port(); }
    remote::WebRTCSessionManager& manager() { return *manager_; }
    const std::shared_ptr<remote::WebRTCSessionManager>& sharedManager() const { return manager_; }
    remote::RemoteStack& stack() { return *stack_; }
    // Every state the manager passed through, in order.
    std::vector<remote::WebRTCSessionManager::State> states;
    LogCapture log;

private:
    QTemporaryDir dir_;
    platform::UserDefaults defaults_;
    settings::AppSettings settings_;
    platform::ManualMediaClock clock_;
    ScriptedPrompter prompter_;
    FakeServicePublisher publisher_;
    RecordingCommandTable table_;
    std::unique_ptr<remote::RemoteStack> stack_;
    std::shared_ptr<remote::WebRTCSessionManager> manager_;
};
