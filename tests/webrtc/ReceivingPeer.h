#pragma once

// The tablet for live-video tests: a RemoteTestClient with a view grant and a webrtcbin of its
// own that answers the station's offer, trickles ICE on 127.0.0.1 and decodes each track (told
// apart by its mid) into an appsink, reading the counter drawn into the test pictures.
//
// Threads: used on the test's main thread; GStreamer's threads only append to the record and the
// outbox under the lock. Every wait runs the main event loop (where the station lives)
// with its time-out as an upper bound.

#include "../remote/RemoteTestClient.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <gst/gst.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class ReceivingPeer {
public:
    struct Received {
        QString mid;
        std::optional<std::uint64_t> counter;
        double receivedAt = 0; // platform::MediaClock::system()
        int width = 0;
        int height = 0;
    };

    explicit ReceivingPeer(QString clientKey = QStringLiteral("tablet"));
    ~ReceivingPeer();
    ReceivingPeer(const ReceivingPeer&) = delete;
    ReceivingPeer& operator=(const ReceivingPeer&) = delete;

    // Connects and asks for view permission (the station's prompter must allow it).
    bool connectWithView(quint16 port);
    void sendSignal(const QString& sessionID, const QJsonObject& payload);
    // Sends "start" and answers the offer that follows as it arrives (in wait()).
    void start(const QString& sessionID);

    // Runs the event loop, answering signals, until `condition` holds or the time-out passes.
    bool wait(const std::function<bool()>& condition, int timeoutMs = 10000);

    // What the station sent, in order.
    const std::vector<QJsonObject>& offers() const { return offers_; }
    const std::vector<QJsonObject>& candidates() const { return candidates_; }
    std::vector<Received> received() const;
    bool iceConnected() const;

private:
    void handle(const QJsonObject& message);
    void answer(const QString& sdp);
    void buildPipeline();
    void teardown();
    // Signals made on GStreamer's threads wait here until the next turn of wait() sends them.
    void post(const QJsonObject& payload);
    static void onPadAdded(GstElement* webrtc, GstPad* pad, gpointer self);
    static GstFlowReturn onSample(GstElement* sink, gpointer self);

    QString clientKey_;
    QString sessionID_;
    RemoteTestClient client_;
    GstElement* pipeline_ = nullptr;
    GstElement* webrtc_ = nullptr;
    std::vector<QJsonObject> offers_;
    std::vector<QJsonObject> candidates_;
    QStringList mids_; // under mutex_
    std::vector<QJsonObject> outbox_; // under mutex_
    mutable std::mutex mutex_;
    std::vector<Received> received_;
};
