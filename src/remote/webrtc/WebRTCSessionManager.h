#pragma once

// The station's one outgoing live-video session. A client's "start" builds a peer connection with
// four send-only video tracks (slot i: track "mac-injected-video-i" in stream "stream-i"), sends
// the offer and the local ICE candidates through the signalling adapter and takes the client's
// answer and candidates. Each slot is fed by the producer the capture engine routes to it
// (playback, DeckLink or camera); frames of any other producer are dropped. The number of active
// inputs decides which tracks send.
//
// Threads: the session (signals, start, stop, track count, published properties) lives on the main
// thread. setActiveSource() may be called from any thread and takes effect in a task on the main
// thread. The pushes may be called from any thread: each reads a routing snapshot the main
// thread publishes (state, producers, frame injectors), so a frame costs no hop to the main
// thread; images are drawn on "Corvale.WebRTC.FrameQueue", frames go to their slot's injector.

#include "capture/LiveVideoSession.h"
#include "platform/MainThread.h"
#include "platform/MediaClock.h"
#include "platform/SerialQueue.h"
#include "remote/WebRTCSignalMessage.h"

#include <QImage>
#include <QObject>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {
class UserDefaults;
}

namespace remote {

class FrameInjectorCapturer;
class PixelPoolCache;
class WebRTCPeerConnection;
class WebRTCSignalingAdapter;
struct IceCandidate;

class WebRTCSessionManager final : public QObject, public capture::LiveVideoSession {
    Q_OBJECT
    Q_PROPERTY(State state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool hasActivePeer READ hasActivePeer NOTIFY hasActivePeerChanged)

public:
    enum class State { idle, creatingPeer, haveLocalOffer, running };
    Q_ENUM(State)

    static constexpr int trackCount = 4;

    struct Options {
        // "stun:host:port"; empty: no STUN server.
        QString stunServer = stunServerSetting();
        // The host clock frames without a usable time are stamped with.
        platform::MediaClock* clock = &platform::MediaClock::system();
    };

    explicit WebRTCSessionManager(WebRTCSignalingAdapter& signaling, QObject* parent = nullptr);
    WebRTCSessionManager(WebRTCSignalingAdapter& signaling, Options options, QObject* parent = nullptr);
    ~WebRTCSessionManager() override;

    // CORVALE_STUN_SERVER when set (empty: none), else the "stunServer" setting of `defaults` when
    // stored, else a public STUN server on port 19302.
    static QString stunServerSetting(const platform::UserDefaults* defaults = nullptr);
    // ICE gathers on these addresses only from the next start (tests: {"127.0.0.1"}).
    void setLocalIceAddresses(QStringList addresses) { localIceAddresses_ = std::move(addresses); }

    State state() const { return state_; }
    bool hasActivePeer() const { return hasActivePeer_; }
    const std::array<ActiveSource, trackCount>& activeSources() const { return activeSources_; }
    const QString& sessionID() const { return sessionID_; }

    void handleSignal(const WebRTCSignalMessage& message);
    void start(const QString& sessionID);
    // Performs the stop steps in a task on the main thread.
    void stop();

    void setActiveSource(ActiveSource source, int inputIndex) override;
    void setActiveSource(ActiveSource source) { setActiveSource(source, 0); }
    // Track 0 always sends; track k sends when count > k. Remembered for the next session.
    void updateActiveTrackCount(int count);

    // Frames: sent as they are, without a copy.
    void push(const media::Frame& frame, int inputIndex, ActiveSource source, std::optional<double> time) override;
    void push(const media::Frame& frame, ActiveSource source, std::optional<double> time);
    void push(const media::Frame& frame, std::optional<double> time);
    // Images: drawn into a pooled buffer on the frame queue.
    void push(const QImage& image, int inputIndex, ActiveSource source, std::optional<double> time);
    void push(const QImage& image, ActiveSource source, std::optional<double> time);
    void push(const QImage& image, std::optional<double> time);

    // The frame stamp in nanoseconds: `time` when given and finite, else the host clock; a time
    // whose nanoseconds do not fit 64 bits is taken as missing.
    static std::int64_t timeStampNs(std::optional<double> time, const platform::MediaClock& clock);

    // For tests and measurements (main thread).
    WebRTCPeerConnection* peerConnection() const { return peer_.get(); }
    std::shared_ptr<FrameInjectorCapturer> injector(int slot) const;
    PixelPoolCache& poolCache() { return *poolCache_; }
    // Blocks until every image queued so far is drawn and handed on.
    void drainFrameQueue();

signals:
    void stateChanged();
    void hasActivePeerChanged();
    void activeSourcesChanged(int slot);

private:
    struct Routing {
        bool live = false;
        std::array<ActiveSource, trackCount> sources {};
        std::array<std::shared_ptr<FrameInjectorCapturer>, trackCount> injectors {};
    };

    void stopOnMain();
    void setState(State state);
    void setHasActivePeer(bool value);
    void attachInjectedVideo(int inputIndex);
    void createOffer();
    void applyAnswer(const QString& sdp);
    void addIce(const QString& sdpMid, qint64 sdpMLineIndex, const QString& candidate);
    void sendLocalCandidate(const IceCandidate& candidate);
    void applyTrackCount(int count);
    void publishRouting();
    std::shared_ptr<FrameInjectorCapturer> gate(int inputIndex, ActiveSource source) const;

    WebRTCSignalingAdapter& signaling_;
    Options options_;
    QStringList localIceAddresses_;
    State state_ = State::idle;
    std::array<ActiveSource, trackCount> activeSources_ { ActiveSource::deckLink, ActiveSource::deckLink,
        ActiveSource::deckLink, ActiveSource::deckLink };
    bool hasActivePeer_ = false;
    QString sessionID_ = QStringLiteral("test-session-1");
    std::optional<int> lastTrackCount_;
    std::array<std::shared_ptr<FrameInjectorCapturer>, trackCount> injectors_ {};
    std::shared_ptr<PixelPoolCache> poolCache_;
    std::unique_ptr<WebRTCPeerConnection> peer_;

    mutable std::mutex routingMutex_;
    std::shared_ptr<const Routing> routing_;

    platform::SerialQueue frameQueue_;
    platform::LivenessFlag alive_;
};

} // namespace remote
