// WebRTCSessionManager: the session itself (signals, start and stop, the offer, ICE, track count).
// The frame pushes and their gate are in WebRTCSessionManager_Frames.cpp.

#include "remote/webrtc/WebRTCSessionManager.h"

#include "platform/DebugLog.h"
#include "platform/UserDefaults.h"
#include "remote/WebRTCSignalingAdapter.h"
#include "remote/webrtc/FrameInjectorCapturer.h"
#include "remote/webrtc/PixelPoolCache.h"
#include "remote/webrtc/SdpText.h"
#include "remote/webrtc/WebRTCPeerFactory.h"

#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

namespace remote {

WebRTCSessionManager::WebRTCSessionManager(WebRTCSignalingAdapter& signaling, QObject* parent)
    : WebRTCSessionManager(signaling, Options(), parent)
{
}

WebRTCSessionManager::WebRTCSessionManager(WebRTCSignalingAdapter& signaling, Options options, QObject* parent)
    : QObject(parent)
    , signaling_(signaling)
    , options_(std::move(options))
    , poolCache_(std::make_shared<PixelPoolCache>())
    , frameQueue_("Corvale.WebRTC.FrameQueue", *options_.clock)
{
    publishRouting();
}

WebRTCSessionManager::~WebRTCSessionManager()
{
    Q_ASSERT(platform::isMainThread());
    {
        std::lock_guard lock(routingMutex_);
        routing_ = std::make_shared<const Routing>();
    }
    frameQueue_.shutdown();
    injectors_ = {};
    peer_.reset();
}

QString WebRTCSessionManager::stunServerSetting(const platform::UserDefaults* defaults)
{
    if (qEnvironmentVariableIsSet("CORVALE_STUN_SERVER"))
        return qEnvironmentVariable("CORVALE_STUN_SERVER").trimmed();
    if (defaults) {
        if (auto stored = defaults->stringForKey(QStringLiteral("stunServer")))
            return stored->trimmed();
    }
    return QStringLiteral("stun:stun.l.google.com:19302");
}

void WebRTCSessionManager::handleSignal(const WebRTCSignalMessage& message)
{
    Q_ASSERT(platform::isMainThread());
    const QJsonObject& payload = message.payload;
    const QString kind = payload.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("start")) {
        start(message.sessionID);
    } else if (kind == QLatin1String("answer")) {
        const QJsonValue sdp = payload.value(QLatin1String("sdp"));
        if (sdp.isString() && peer_)
            applyAnswer(sdp.toString());
    } else if (kind == QLatin1String("ice")) {
        const QJsonValue mid = payload.value(QLatin1String("sdpMid"));
        const QJsonValue index = payload.value(QLatin1String("sdpMLineIndex"));
        const QJsonValue candidate = payload.value(QLatin1String("candidate"));
        // JSON numbers arrive as doubles: an integer is one without a fraction.
        if (!mid.isString() || !index.isDouble() || !candidate.isString())
            return;
        const double number = index.toDouble();
        if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9.0e15)
            return;
        addIce(mid.toString(), qint64(number), candidate.toString());
    } else if (kind == QLatin1String("stop")) {
        stopOnMain();
    }
}

void WebRTCSessionManager::start(const QString& sessionID)
{
    Q_ASSERT(platform::isMainThread());
    if (peer_)
        stopOnMain();
    sessionID_ = sessionID;
    setState(State::creatingPeer);

    WebRTCPeerConnection::Callbacks callbacks;
    callbacks.onIceCandidate = [this](const IceCandidate& candidate) { sendLocalCandidate(candidate); };
    callbacks.onSignalingState
        = [](int value) { dlog(QStringLiteral("🔁 [WebRTC] signalingState=") + QString::number(value)); };
    callbacks.onIceConnectionState
        = [](int value) { dlog(QStringLiteral("🧊 [WebRTC] iceConnectionState=") + QString::number(value)); };
    callbacks.onIceGatheringState
        = [](int value) { dlog(QStringLiteral("🧊 [WebRTC] iceGatheringState=") + QString::number(value)); };
    peer_
        = WebRTCPeerFactory::shared().peerConnection({ options_.stunServer, localIceAddresses_ }, std::move(callbacks));

    setHasActivePeer(true);
    dlog(QStringLiteral("🧊 [WebRTC] PeerConnection created session=") + sessionID_);
    if (!peer_)
        return;
    for (int slot = 0; slot < trackCount; ++slot)
        attachInjectedVideo(slot);
    // The count the pipelines last gave holds for the new tracks too.
    if (lastTrackCount_)
        applyTrackCount(*lastTrackCount_);
    publishRouting();
    platform::runOnMain(this, [this] { createOffer(); });
}

void WebRTCSessionManager::attachInjectedVideo(int inputIndex)
{
    if (!peer_)
        return;
    const QString trackID = QStringLiteral("mac-injected-video-%1").arg(inputIndex);
    injectors_[std::size_t(inputIndex)] = std::make_shared<FrameInjectorCapturer>(peer_->videoSource(inputIndex));
    dlog(QStringLiteral("🎥 [WebRTC] Injected local track attached id=") + trackID);
}

void WebRTCSessionManager::createOffer()
{
    if (!peer_)
        return;
    WebRTCPeerConnection* peer = peer_.get();
    // Completions arrive only while `peer` lives, and the manager owns it.
    peer->offer([this, peer](const QString& sdp, const QString& error) {
        if (!error.isEmpty()) {
            dlog(QStringLiteral("❌ [WebRTC] createOffer error: ") + error);
            return;
        }
        peer->setLocalDescription(sdp, [this, sdp](const QString& error) {
            if (!error.isEmpty()) {
                dlog(QStringLiteral("❌ [WebRTC] createOffer error: ") + error);
                return;
            }
            setState(State::haveLocalOffer);
            dlog("✅ [WebRTC] Local offer set");
            // The description stays as made; the text sent names each track's stream.
            const QString sent = sdpWithStreamIds(sdp);
            signaling_.send(sessionID_, QJsonObject { { "kind", "offer" }, { "sdp", sent } });
            dlog(QStringLiteral("📨 [WebRTC] Offer SDP length=") + QString::number(sent.size()));
            setState(State::running);
        });
    });
}

void WebRTCSessionManager::applyAnswer(const QString& sdp)
{
    peer_->setRemoteDescription(sdp, [](const QString& error) {
        if (error.isEmpty())
            dlog("✅ [WebRTC] Remote answer set");
        else
            dlog(QStringLiteral("❌ [WebRTC] setRemoteDescription(answer) error: ") + error);
    });
}

void WebRTCSessionManager::addIce(const QString& sdpMid, qint64 sdpMLineIndex, const QString& candidate)
{
    if (!peer_)
        return;
    if (sdpMLineIndex < std::numeric_limits<std::int32_t>::min()
        || sdpMLineIndex > std::numeric_limits<std::int32_t>::max())
        return;
    peer_->addIceCandidate({ sdpMid, int(sdpMLineIndex), candidate }, [](const QString& error) {
        if (error.isEmpty())
            dlog("🧊 [WebRTC] ICE added");
        else
            dlog(QStringLiteral("❌ [WebRTC] add ICE error: ") + error);
    });
}

void WebRTCSessionManager::sendLocalCandidate(const IceCandidate& candidate)
{
    signaling_.send(sessionID_,
        QJsonObject { { "kind", "ice" }, { "sdpMid", candidate.sdpMid }, { "sdpMLineIndex", candidate.sdpMLineIndex },
            { "candidate", candidate.candidate } });
    dlog("🧊 [WebRTC] ICE generated -> sent");
}

void WebRTCSessionManager::stop()
{
    platform::runOnMain(alive_.token(), [this] { stopOnMain(); });
}

void WebRTCSessionManager::stopOnMain()
{
    Q_ASSERT(platform::isMainThread());
    injectors_ = {};
    poolCache_->reset();
    if (peer_)
        peer_->close();
    peer_.reset();
    setHasActivePeer(false);
    setState(State::idle);
    publishRouting();
    dlog("🧊 [WebRTC] stopped");
}

void WebRTCSessionManager::setActiveSource(ActiveSource source, int inputIndex)
{
    platform::runOnMain(alive_.token(), [this, source, inputIndex] {
        if (inputIndex < 0 || inputIndex >= trackCount)
            return;
        activeSources_[std::size_t(inputIndex)] = source;
        publishRouting();
        emit activeSourcesChanged(inputIndex);
    });
}

void WebRTCSessionManager::updateActiveTrackCount(int count)
{
    Q_ASSERT(platform::isMainThread());
    lastTrackCount_ = count;
    applyTrackCount(count);
    dlog(QStringLiteral("🎥 [WebRTC] activeTrackCount=") + QString::number(std::clamp(count, 1, trackCount)));
}

void WebRTCSessionManager::applyTrackCount(int count)
{
    if (!peer_)
        return;
    for (int slot = 0; slot < trackCount; ++slot)
        peer_->setTrackEnabled(slot, slot == 0 || count > slot);
}

void WebRTCSessionManager::setState(State state)
{
    state_ = state;
    publishRouting();
    emit stateChanged();
}

void WebRTCSessionManager::setHasActivePeer(bool value)
{
    hasActivePeer_ = value;
    emit hasActivePeerChanged();
}

std::shared_ptr<FrameInjectorCapturer> WebRTCSessionManager::injector(int slot) const
{
    return slot >= 0 && slot < trackCount ? injectors_[std::size_t(slot)] : nullptr;
}

} // namespace remote
