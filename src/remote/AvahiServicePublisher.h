#pragma once

// Publishes the control server's service through the Avahi daemon. The client is made not to fail
// when the daemon is missing: it waits for the daemon, and publishes as soon as it appears (also
// after the daemon restarts). A name already taken on the network gets Avahi's alternative name.
//
// Threads: the public interface and every state change run on the main thread (asserted). Avahi
// calls back on its own poll thread; those callbacks only post to the main thread. The poll
// thread is stopped before this object is destroyed.

#include "remote/QueuedCalls.h"
#include "remote/ServicePublisher.h"

#include <QObject>

#include <atomic>

struct AvahiClient;
struct AvahiEntryGroup;
struct AvahiThreadedPoll;

namespace remote {

class AvahiServicePublisher : public QObject, public ServicePublisher {
    Q_OBJECT

public:
    // How long to wait before trying again when not even the system bus answers.
    static constexpr int retrySeconds = 10;

    explicit AvahiServicePublisher(QObject* parent = nullptr);
    ~AvahiServicePublisher() override;

    void publish(const ServiceDescription& service, Listener listener) override;
    void stop() override;

    // The name in use (after collisions, Avahi's alternative); empty while nothing is published.
    QString currentName() const { return name_; }

    Q_INVOKABLE void runQueuedCalls() { calls_.run(); }

private:
    static void clientCallback(AvahiClient* client, int state, void* self);
    static void groupCallback(AvahiEntryGroup* group, int state, void* self);

    void startClient();
    void tearDown();
    void onClientState(int state, quint64 generation);
    void onGroupState(int state, quint64 generation);
    void registerService();
    void reportFailure(const QString& error);
    // The client's last error, as text.
    QString clientError();

    AvahiThreadedPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    AvahiEntryGroup* group_ = nullptr;
    // Callbacks of a client that has since been replaced are ignored.
    std::atomic<quint64> generation_ { 0 };
    bool wanted_ = false;
    bool failureReported_ = false;
    ServiceDescription service_;
    QString name_;
    Listener listener_;
    QueuedCalls calls_ { this };
};

} // namespace remote
