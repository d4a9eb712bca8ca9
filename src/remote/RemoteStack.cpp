#include "remote/RemoteStack.h"

#include "platform/MainThread.h"
#include "remote/AvahiServicePublisher.h"
#include "remote/RemoteCommandHandler.h"
#include "remote/UnknownActionCommandTable.h"
#include "remote/WebRTCSignalingAdapter.h"

namespace remote {

RemoteStack::RemoteStack(Dependencies dependencies, QObject* parent)
    : QObject(parent)
{
    ServicePublisher* publisher = dependencies.publisher;
    if (!publisher) {
        ownPublisher_ = std::make_unique<AvahiServicePublisher>();
        publisher = ownPublisher_.get();
    }
    controlServer_ = std::make_unique<ControlServer>(*publisher, dependencies.serverOptions);
    signaling_ = std::make_unique<WebRTCSignalingAdapter>(*controlServer_);
    standInTable_ = std::make_unique<UnknownActionCommandTable>(*controlServer_);
    handler_ = std::make_unique<RemoteCommandHandler>(RemoteCommandHandler::Services {
        *controlServer_,
        authGate_,
        *signaling_,
        dependencies.prompter,
        *standInTable_,
        std::move(dependencies.pairingCode),
        dependencies.clock,
    });
}

RemoteStack::~RemoteStack()
{
    // The server goes first: nothing is delivered to the handler while the rest is destroyed.
    controlServer_->stop();
}

void RemoteStack::setCommandTable(RemoteCommandTable& table)
{
    handler_->setCommandTable(table);
}

void RemoteStack::restoreStandInCommandTable()
{
    handler_->setCommandTable(*standInTable_);
}

void RemoteStack::setupControlServer()
{
    Q_ASSERT(platform::isMainThread());
    if (didSetupControlServer_)
        return;
    didSetupControlServer_ = true;
    controlServer_->setCommandHandler([handler = handler_.get()](ConnectionId connection,
                                          const RemoteMessage& message) { handler->handle(connection, message); });
    controlServer_->startOnce();
}

void RemoteStack::stop()
{
    controlServer_->stop();
}

} // namespace remote
