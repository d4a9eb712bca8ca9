#include "WebRTCTestStation.h"

#include "remote/WebRTCSignalingAdapter.h"

#include <QTest>

// GLib and GStreamer keep type data, plug-in registries and thread pools for the life of the
// process on purpose, and a pipeline stopped just before the process ends finishes its teardown
// (the DTLS state among it) in a main-loop turn that never comes; the leak checker cannot tell
// those from leaks. Our own objects' leaks are the GStreamer leak tracer's to find.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libgstreamer-1.0.so\nleak:libgio-2.0.so\n"
           "leak:libnice.so\nleak:libgnutls.so\nleak:libp11-kit.so\nleak:libcrypto.so\nleak:libssl.so\n"
           "leak:libgstdtls.so\nleak:libsrtp2.so\n";
}

WebRTCTestStation::WebRTCTestStation()
    : defaults_(dir_.filePath(QStringLiteral("defaults.json")))
    , settings_(defaults_)
{
    prompter_.autoAnswer = true;
    const remote::ControlServer::Options options { QHostAddress::LocalHost, 0, {} };
    stack_ = std::make_unique<remote::RemoteStack>(remote::RemoteStack::Dependencies {
        [this] { return settings_.pairingCode(); }, prompter_, &publisher_, options, clock_ });
    stack_->setCommandTable(table_);
    manager_ = std::make_shared<remote::WebRTCSessionManager>(
        stack_->webrtcSignalingAdapter(), remote::WebRTCSessionManager::Options { QString() });
    manager_->setLocalIceAddresses({ QStringLiteral("127.0.0.1") });
    QObject::connect(
        manager_.get(), &remote::WebRTCSessionManager::stateChanged, [this] { states.push_back(manager_->state()); });
    auto* manager = manager_.get();
    stack_->webrtcSignalingAdapter().setOnSignal([manager](const remote::WebRTCSignalMessage& message) {
        platform::runOnMain(manager, [manager, message] { manager->handleSignal(message); });
    });
    stack_->setupControlServer();
    (void)QTest::qWaitFor([this] { return stack_->controlServer().isRunning(); }, 5000);
}

WebRTCTestStation::~WebRTCTestStation()
{
    manager_.reset();
    stack_->stop();
}
