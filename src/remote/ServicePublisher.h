#pragma once

// Announces the control server on the local network (DNS-SD over mDNS). Publication is best
// effort: without a daemon the server runs unannounced, and an implementation that can
// reconnect publishes again when the daemon returns.
//
// Threads: main thread only; the listener's callbacks come on the main thread.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

namespace remote {

struct ServiceDescription {
    QString name;
    QString type; // "_corvale._tcp."
    QString domain; // "local."
    quint16 port = 0;
    QList<QPair<QByteArray, QByteArray>> txt;
};

class ServicePublisher {
public:
    struct Listener {
        // The service is announced, under the name it finally got (after a collision, another).
        std::function<void(const ServiceDescription& published)> didPublish;
        std::function<void(const QString& error)> didNotPublish;
        std::function<void()> didStop;
    };

    virtual ~ServicePublisher() = default;

    virtual void publish(const ServiceDescription& service, Listener listener) = 0;
    // Withdraws the announcement; didStop follows.
    virtual void stop() = 0;
};

} // namespace remote
