#pragma once

// One outgoing peer connection on GStreamer: a pipeline with webrtcbin fed by four send-only VP8
// branches, appsrc ! videoconvert ! leaky queue ! valve ! vp8enc ! rtpvp8pay ! webrtcbin, one per
// track slot, each its own m-line ("video0".."video3") in one bundle. The offer is complete before
// any frame flows, because every transceiver names its codec up front.
//
// Threads: created, used and destroyed on the main thread. webrtcbin answers on its own threads;
// every completion and callback is posted to the main thread and skipped once the connection is
// gone. The slots' sources (appsrc) may be fed from any thread.

#include "platform/MainThread.h"
#include "remote/webrtc/GstSupport.h"

#include <gst/webrtc/webrtc.h>

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

namespace remote {

struct IceCandidate {
    QString sdpMid;
    int sdpMLineIndex = 0;
    QString candidate;
    bool operator==(const IceCandidate&) const = default;
};

class WebRTCPeerConnection {
public:
    static constexpr int kTrackCount = 4;

    struct Configuration {
        // "stun:host:port" or "stun://host:port"; empty: no STUN server.
        QString stunServer;
        // When set, ICE gathers on these addresses only (tests keep it on loopback).
        QStringList localIceAddresses;
    };

    // Main thread; any may be empty.
    struct Callbacks {
        std::function<void(const IceCandidate&)> onIceCandidate;
        std::function<void(int state)> onSignalingState;
        std::function<void(int state)> onIceConnectionState;
        std::function<void(int state)> onIceGatheringState;
    };

    // An empty error means success.
    using Completion = std::function<void(const QString& error)>;
    using DescriptionCompletion = std::function<void(const QString& sdp, const QString& error)>;

    // Null when a GStreamer element is missing or the pipeline does not start.
    static std::unique_ptr<WebRTCPeerConnection> create(const Configuration& configuration, Callbacks callbacks);
    ~WebRTCPeerConnection();
    WebRTCPeerConnection(const WebRTCPeerConnection&) = delete;
    WebRTCPeerConnection& operator=(const WebRTCPeerConnection&) = delete;

    void offer(DescriptionCompletion completion);
    void setLocalDescription(const QString& offerSdp, Completion completion);
    void setRemoteDescription(const QString& answerSdp, Completion completion);
    // The index must name one of the connection's m-lines.
    void addIceCandidate(const IceCandidate& candidate, Completion completion);

    // A disabled track sends nothing; enabling it again starts with a key frame.
    void setTrackEnabled(int slot, bool enabled);
    bool isTrackEnabled(int slot) const;

    // The slot's frame source (an appsrc), owned by the pipeline; null for a bad slot.
    GstElement* videoSource(int slot) const;
    // The m-line's mid in the local description, empty before one is set.
    QString localMid(int mlineIndex) const;
    // Frames the slots' queues dropped because the encoder fell behind.
    quint64 droppedFrames() const { return dropped_->load(); }

    // Stops the pipeline; completions that have not arrived yet never will.
    void close();
    bool isClosed() const { return closed_; }

private:
    struct Branch {
        GstElement* source = nullptr;
        GstElement* valve = nullptr;
        GstElement* encoder = nullptr;
        bool enabled = true;
    };

    WebRTCPeerConnection(Callbacks callbacks);
    bool build(const Configuration& configuration);
    bool buildBranch(int slot);
    void connectSignals();
    void applyDescription(const char* signal, GstWebRTCSDPType type, const QString& sdp, Completion completion);
    void runWithPromise(const char* signal, GstWebRTCSessionDescription* description, bool wantsOffer,
        DescriptionCompletion completion);

    Callbacks callbacks_;
    GstRef<GstElement> pipeline_;
    GstElement* webrtc_ = nullptr; // owned by the pipeline
    std::array<Branch, kTrackCount> branches_ {};
    QStringList localMids_;
    std::shared_ptr<std::atomic<quint64>> dropped_ = std::make_shared<std::atomic<quint64>>(0);
    bool closed_ = false;
    platform::LivenessFlag alive_;
};

} // namespace remote
