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
    // Sends `bytes` in `pieces` segments, running `afterPiece(index)` once each is on the wire.
    void sendSlow(const QByteArray& bytes, int pieces, const std::function<void(int piece)>& afterPiece = {});
    void close();

    // The next message, whatever its type.
    std::optional<QJsonObject> next(int timeoutMs = defaultTimeoutMs);
    // The first message of `type` that satisfies `predicate`; the messages before it are
    // dropped into skipped().
    std::optional<QJsonObject> expect(const QString& type,
        const std::function<bool(const QJsonObject&)>& predicate = {}, int timeoutMs = defaultTimeoutMs);
    // True when nothing arrives within `ms`.
    bool expectNothing(int ms = 200);
    bool waitForClose(int timeoutMs = defaultTimeoutMs);
    bool isClosed() const { return closed_; }

    // Every line received so far, as it came (without its line feed).
    const std::vector<QByteArray>& rawLines() const { return rawLines_; }
    const std::vector<QJsonObject>& skipped() const { return skipped_; }
    // Lines that were not exactly one compact JSON object.
    int malformedLines() const { return malformed_; }

    QTcpSocket& socket() { return socket_; }
    // Stops taking bytes from the system (the tablet stops reading).
    void stopReading();

private:
    void pump();
    bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

    QTcpSocket socket_;
    QByteArray pending_;
    std::deque<QJsonObject> inbox_;
    std::vector<QByteArray> rawLines_;
    std::vector<QJsonObject> skipped_;
    int malformed_ = 0;
    bool closed_ = false;
    bool reading_ = true;
};
