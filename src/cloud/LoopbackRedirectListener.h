#pragma once

// The end of a browser sign-in: a one-shot HTTP listener on 127.0.0.1 at a port the system picks.
// The browser is sent to "http://127.0.0.1:PORT/oauth2redirect?..."; that request gets a fixed
// page (nothing of the request is echoed) and is reported once, after which the listener stops
// listening. Other paths get 404. Without a redirect within the time-out it reports timedOut().
//
// Threads: main thread (its sockets and the scheduler's timer live there).

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <optional>

class QTcpServer;
class QTcpSocket;

namespace platform {
class Scheduler;
}

namespace cloud {

class LoopbackRedirectListener : public QObject {
    Q_OBJECT
public:
    static constexpr double defaultTimeoutSeconds = 300.0;
    static constexpr const char* redirectPath = "/oauth2redirect";

    explicit LoopbackRedirectListener(
        platform::Scheduler& scheduler, double timeoutSeconds = defaultTimeoutSeconds, QObject* parent = nullptr);
    ~LoopbackRedirectListener() override;

    // Listens and arms the time-out; false when no port could be had.
    bool start();
    // Stops listening and drops every connection; nothing is reported afterwards.
    void close();

    // "http://127.0.0.1:PORT/oauth2redirect"
    QString redirectURI() const;

signals:
    void redirected(const QUrl& callbackURL);
    void timedOut();

private:
    void serve(QTcpSocket* socket);
    void respond(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& page);

    platform::Scheduler& scheduler_;
    const double timeoutSeconds_;
    QTcpServer* server_ = nullptr;
    std::optional<quint64> timer_;
    quint16 port_ = 0;
    bool finished_ = false;
};

} // namespace cloud
