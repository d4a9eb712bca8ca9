#pragma once

// A tablet for tests: a socket to the station on 127.0.0.1. Every wait runs the test thread's
// event loop (where the station's main-thread side lives) until its condition holds or its
// time-out passes; the time-outs are upper bounds, never what a test relies on.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QTcpSocket>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class RemoteTestClient {
public:
    static constexpr int defaultTimeoutMs = 5000;

    RemoteTestClient() = default;
    RemoteTestClient(const RemoteTestClient&) = delete;
    RemoteTestClient& operator=(const RemoteTestClient&) = delete;

    bool connectTo(quint16 port, int timeoutMs = defaultTimeoutMs);

    // One message as the station expects it: compact JSON and a line feed.
    void send(const QJsonObject& message);
    void sendRaw(const QByteArray& bytes);

    // The next message, whatever its type.
    std::optional<QJsonObject> next(int timeoutMs = defaultTimeoutMs);
    // The first message of `type` that satisfies `predicate`; the messages before it are dropped.
    std::optional<QJsonObject> expect(const QString& type,
        const std::function<bool(const QJsonObject&)>& predicate = {}, int timeoutMs = defaultTimeoutMs);
    // True when nothing arrives within `ms`.
    bool expectNothing(int ms = 200);
    bool waitForClose(int timeoutMs = defaultTimeoutMs);
    bool isClosed() const { return closed_; }

    // Lines received so far.
    int lineCount() const { return lines_; }
    // Lines that were not exactly one compact JSON object.
    int malformedLines() const { return malformed_; }

    QTcpSocket& socket() { return socket_; }
    // Stops taking bytes from the system (the tablet stops reading).
    void stopReading();

private:
    void pump();

    QTcpSocket socket_;
    QByteArray pending_;
    std::deque<QJsonObject> inbox_;
    int lines_ = 0;
    int malformed_ = 0;
    bool closed_ = false;
    bool reading_ = true;
};
