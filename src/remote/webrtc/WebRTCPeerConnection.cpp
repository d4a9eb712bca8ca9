#include "remote/webrtc/WebRTCPeerConnection.h"

#include "platform/DebugLog.h"
#include "remote/webrtc/SdpText.h"

#include <gst/app/gstappsrc.h>
#include <gst/sdp/sdp.h>
#include <gst/video/video.h>

namespace remote {

namespace {

// What a webrtcbin callback needs to reach the main thread: the connection, valid while the
// token is.
struct CallbackContext {
    platform::LivenessFlag::Token token;
    WebRTCPeerConnection* owner = nullptr;
    std::function<void(int)> WebRTCPeerConnection::Callbacks::*stateCallback = nullptr;
    const char* property = nullptr;
};

void deleteContext(gpointer data, GClosure*)
{
    gstTakeOver(data);
    delete static_cast<CallbackContext*>(data);
}

struct PromiseContext {
    platform::LivenessFlag::Token token;
    bool wantsOffer = false;
    WebRTCPeerConnection::DescriptionCompletion completion;
};

QString errorText(const GstStructure* reply)
{
    GError* error = nullptr;
    if (!reply || !gst_structure_has_field(reply, "error"))
        return {};
    gst_structure_get(reply, "error", G_TYPE_ERROR, &error, nullptr);
    const QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
    g_clear_error(&error);
    return text;
}

// Runs on a webrtcbin thread, once, when the promise is answered, interrupted or expires.
void onPromiseChanged(GstPromise* promise, gpointer data)
{
    const auto* context = static_cast<const PromiseContext*>(data);
    gstTakeOver(context);
    QString sdp;
    QString error;
    if (gst_promise_wait(promise) != GST_PROMISE_RESULT_REPLIED) {
        error = QStringLiteral("the peer connection was closed");
    } else {
        const GstStructure* reply = gst_promise_get_reply(promise);
        error = errorText(reply);
        if (error.isEmpty() && context->wantsOffer) {
            GstWebRTCSessionDescription* offer = nullptr;
            if (reply)
                gst_structure_get(reply, "offer", GST_TYPE_WEBRTC_SESSION_DESCRIPTION, &offer, nullptr);
            if (offer) {
                gchar* text = gst_sdp_message_as_text(offer->sdp);
                sdp = QString::fromUtf8(text);
                g_free(text);
                gst_webrtc_session_description_free(offer);
            } else {
                error = QStringLiteral("no offer was made");
            }
        }
    }
    platform::runOnMain(context->token, [completion = context->completion, sdp, error] { completion(sdp, error); });
    // Whichever thread drops the promise last frees the context.
    gstHandOff(context);
}

void deletePromiseContext(gpointer data)
{
    gstTakeOver(data);
    delete static_cast<PromiseContext*>(data);
}

GstWebRTCSessionDescription* parseDescription(GstWebRTCSDPType type, const QString& text)
{
    GstSDPMessage* message = nullptr;
    if (gst_sdp_message_new_from_text(text.toUtf8().constData(), &message) != GST_SDP_OK)
        return nullptr;
    if (gst_sdp_message_medias_len(message) == 0) {
        gst_sdp_message_free(message);
        return nullptr;
    }
    return gst_webrtc_session_description_new(type, message);
}

QString stunURL(const QString& server)
{
    if (server.startsWith(QLatin1String("stun://")))
        return server;
    if (server.startsWith(QLatin1String("stun:")))
        return QStringLiteral("stun://") + server.mid(5);
    return QStringLiteral("stun://") + server;
}

GstElement* make(const char* factory)
{
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element)
        dlog(QStringLiteral("❌ [WebRTC] GStreamer element missing: ") + QString::fromLatin1(factory));
    return element;
}

} // namespace

WebRTCPeerConnection::WebRTCPeerConnection(Callbacks callbacks)
    : callbacks_(std::move(callbacks))
{
}

std::unique_ptr<WebRTCPeerConnection> WebRTCPeerConnection::create(
    const Configuration& configuration, Callbacks callbacks)
{
    Q_ASSERT(platform::isMainThread());
    ensureGstInitialised();
    std::unique_ptr<WebRTCPeerConnection> peer(new WebRTCPeerConnection(std::move(callbacks)));
    if (!peer->build(configuration))
        return nullptr;
    return peer;
}

WebRTCPeerConnection::~WebRTCPeerConnection()
{
    close();
}

bool WebRTCPeerConnection::build(const Configuration& configuration)
{
    pipeline_.reset(static_cast<GstElement*>(gst_object_ref_sink(gst_pipeline_new(nullptr))));
    webrtc_ = make("webrtcbin");
    if (!webrtc_)
        return false;
    gst_bin_add(GST_BIN(pipeline_.get()), webrtc_);
    g_object_set(webrtc_, "bundle-policy", GST_WEBRTC_BUNDLE_POLICY_MAX_BUNDLE, nullptr);
    if (!configuration.stunServer.isEmpty())
        g_object_set(webrtc_, "stun-server", stunURL(configuration.stunServer).toUtf8().constData(), nullptr);

    GstWebRTCICE* ice = nullptr;
    g_object_get(webrtc_, "ice-agent", &ice, nullptr);
    if (ice) {
        g_object_set(ice, "ice-tcp", FALSE, nullptr);
        // No port mappings on the local network's routers: UPnP discovery would multicast to
        // the whole network and the session never needs it (STUN finds the public address).
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(ice), "agent")) {
            GObject* agent = nullptr;
            g_object_get(ice, "agent", &agent, nullptr);
            if (agent && g_object_class_find_property(G_OBJECT_GET_CLASS(agent), "upnp"))
                g_object_set(agent, "upnp", FALSE, nullptr);
            if (agent)
                g_object_unref(agent);
        }
        for (const QString& address : configuration.localIceAddresses) {
            gboolean added = FALSE;
            g_signal_emit_by_name(ice, "add-local-ip-address", address.toUtf8().constData(), &added);
            if (!added)
                dlog(QStringLiteral("⚠️ [WebRTC] ICE address not taken: ") + address);
        }
        gst_object_unref(ice);
    }

    for (int slot = 0; slot < kTrackCount; ++slot) {
        if (!buildBranch(slot))
            return false;
    }
    connectSignals();

    // Every message is dropped where it is posted, so the bus never grows; errors are logged.
    GstBus* bus = gst_element_get_bus(pipeline_.get());
    gst_bus_set_sync_handler(
        bus,
        [](GstBus*, GstMessage* message, gpointer) {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                GError* error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                dlog(QStringLiteral("❌ [WebRTC] pipeline error: ") + QString::fromUtf8(error ? error->message : "?"));
                g_clear_error(&error);
            }
            // A handler that drops a message owns it.
            gst_message_unref(message);
            return GST_BUS_DROP;
        },
        nullptr, nullptr);
    gst_object_unref(bus);

    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        dlog("❌ [WebRTC] pipeline did not start");
        close();
        return false;
    }
    return true;
}

bool WebRTCPeerConnection::buildBranch(int slot)
{
    GstElement* source = make("appsrc");
    GstElement* convert = make("videoconvert");
    GstElement* queue = make("queue");
    GstElement* valve = make("valve");
    GstElement* encoder = make("vp8enc");
    GstElement* payloader = make("rtpvp8pay");
    GstElement* elements[] = { source, convert, queue, valve, encoder, payloader };
    for (GstElement* element : elements) {
        if (!element) {
            for (GstElement* other : elements) {
                if (other)
                    gst_object_unref(gst_object_ref_sink(other));
            }
            return false;
        }
    }
    // A slow encoder loses frames instead of piling up latency and memory: two frames at most wait
    // in the source and in the queue, the older ones go first.
    g_object_set(source, "is-live", TRUE, "format", GST_FORMAT_TIME, "do-timestamp", FALSE, "max-buffers", guint64(2),
        "leaky-type", GST_APP_LEAKY_TYPE_DOWNSTREAM, nullptr);
    g_object_set(queue, "leaky", 2, "max-size-buffers", 2u, "max-size-time", guint64(0), "max-size-bytes", 0u, nullptr);
    using Counter = std::shared_ptr<std::atomic<quint64>>;
    auto* counter = new Counter(dropped_);
    g_signal_connect_data(
        queue, "overrun", G_CALLBACK(+[](GstElement*, gpointer data) {
            gstTakeOver(data);
            (*static_cast<Counter*>(data))->fetch_add(1);
            gstHandOff(data);
        }),
        counter,
        [](gpointer data, GClosure*) {
            gstTakeOver(data);
            delete static_cast<Counter*>(data);
        },
        GConnectFlags(0));
    gstHandOff(counter);
    g_object_set(valve, "drop-mode", 1 /* forward-sticky-events */, "drop", FALSE, nullptr);
    // Real time, no look-ahead, a key frame about every two seconds at 30 frames per second, and
    // 2 Mbit/s per track: the encoder's own default leaves 720p pictures in blocks.
    g_object_set(encoder, "deadline", gint64(1), "lag-in-frames", 0, "keyframe-max-dist", 60, "cpu-used", 8,
        "target-bitrate", 2000000, "threads", 2, nullptr);
    g_object_set(payloader, "pt", 96 + slot, "picture-id-mode", 2 /* 15 bits */, nullptr);

    gst_bin_add_many(GST_BIN(pipeline_.get()), source, convert, queue, valve, encoder, payloader, nullptr);
    if (!gst_element_link_many(source, convert, queue, valve, encoder, payloader, nullptr))
        return false;

    GstPad* sink = gst_element_request_pad_simple(webrtc_, "sink_%u");
    if (!sink)
        return false;
    const QByteArray msid = QStringLiteral("stream-%1").arg(slot).toUtf8();
    g_object_set(sink, "msid", msid.constData(), nullptr);
    GstWebRTCRTPTransceiver* transceiver = nullptr;
    g_object_get(sink, "transceiver", &transceiver, nullptr);
    if (transceiver) {
        GstCapsPtr caps(gst_caps_from_string(QStringLiteral("application/x-rtp,media=video,encoding-name=VP8,"
                                                            "payload=%1,clock-rate=90000,rtcp-fb-nack-pli=true,"
                                                            "rtcp-fb-nack=true,rtcp-fb-ccm-fir=true")
                                                 .arg(96 + slot)
                                                 .toUtf8()
                                                 .constData()));
        g_object_set(transceiver, "direction", GST_WEBRTC_RTP_TRANSCEIVER_DIRECTION_SENDONLY, "codec-preferences",
            caps.get(), nullptr);
        gst_object_unref(transceiver);
    }
    GstPad* payloaded = gst_element_get_static_pad(payloader, "src");
    const bool linked = gst_pad_link(payloaded, sink) == GST_PAD_LINK_OK;
    gst_object_unref(payloaded);
    gst_object_unref(sink);
    if (!linked)
        return false;
    branches_[std::size_t(slot)] = { source, valve, encoder, true };
    return true;
}

void WebRTCPeerConnection::connectSignals()
{
    auto* candidateContext = new CallbackContext { alive_.token(), this };
    g_signal_connect_data(webrtc_, "on-ice-candidate",
        G_CALLBACK(+[](GstElement*, guint mline, gchar* line, gpointer data) {
            const auto* context = static_cast<const CallbackContext*>(data);
            gstTakeOver(context);
            if (!line || !*line) {
                gstHandOff(context);
                return;
            }
            platform::runOnMain(context->token, [owner = context->owner, mline, text = QString::fromUtf8(line)] {
                if (owner->closed_ || !owner->callbacks_.onIceCandidate)
                    return;
                // Browsers match candidates by mid; the m-line's own one, never a stand-in.
                QString mid = owner->localMid(int(mline));
                if (mid.isEmpty())
                    mid = QStringLiteral("0");
                owner->callbacks_.onIceCandidate({ mid, int(mline), text });
            });
            gstHandOff(context);
        }),
        candidateContext, deleteContext, GConnectFlags(0));
    gstHandOff(candidateContext);

    const struct {
        const char* signal;
        const char* property;
        std::function<void(int)> Callbacks::*callback;
    } states[] = {
        { "notify::signaling-state", "signaling-state", &Callbacks::onSignalingState },
        { "notify::ice-connection-state", "ice-connection-state", &Callbacks::onIceConnectionState },
        { "notify::ice-gathering-state", "ice-gathering-state", &Callbacks::onIceGatheringState },
    };
    for (const auto& state : states) {
        auto* context = new CallbackContext { alive_.token(), this, state.callback, state.property };
        g_signal_connect_data(webrtc_, state.signal, G_CALLBACK(+[](GstElement* element, GParamSpec*, gpointer data) {
            const auto* context = static_cast<const CallbackContext*>(data);
            gstTakeOver(context);
            gint value = 0;
            g_object_get(element, context->property, &value, nullptr);
            platform::runOnMain(context->token, [owner = context->owner, callback = context->stateCallback, value] {
                if (!owner->closed_ && owner->callbacks_.*callback)
                    (owner->callbacks_.*callback)(value);
            });
            gstHandOff(context);
        }),
            context, deleteContext, GConnectFlags(0));
        gstHandOff(context);
    }
}

void WebRTCPeerConnection::runWithPromise(
    const char* signal, GstWebRTCSessionDescription* description, bool wantsOffer, DescriptionCompletion completion)
{
    auto* context = new PromiseContext { alive_.token(), wantsOffer, std::move(completion) };
    gstHandOff(context);
    GstPromise* promise = gst_promise_new_with_change_func(onPromiseChanged, context, deletePromiseContext);
    if (description) {
        g_signal_emit_by_name(webrtc_, signal, description, promise);
        gst_webrtc_session_description_free(description);
    } else {
        g_signal_emit_by_name(webrtc_, signal, nullptr, promise);
    }
    gst_promise_unref(promise);
}

void WebRTCPeerConnection::offer(DescriptionCompletion completion)
{
    Q_ASSERT(platform::isMainThread());
    if (closed_) {
        platform::runOnMain(
            alive_.token(), [completion] { completion({}, QStringLiteral("the peer connection was closed")); });
        return;
    }
    runWithPromise("create-offer", nullptr, true, std::move(completion));
}

void WebRTCPeerConnection::setLocalDescription(const QString& offerSdp, Completion completion)
{
    applyDescription("set-local-description", GST_WEBRTC_SDP_TYPE_OFFER, offerSdp,
        [this, offerSdp, completion = std::move(completion)](const QString& error) {
            if (error.isEmpty())
                localMids_ = sdpMediaIds(offerSdp);
            completion(error);
        });
}

void WebRTCPeerConnection::setRemoteDescription(const QString& answerSdp, Completion completion)
{
    applyDescription("set-remote-description", GST_WEBRTC_SDP_TYPE_ANSWER, answerSdp, std::move(completion));
}

void WebRTCPeerConnection::applyDescription(
    const char* signal, GstWebRTCSDPType type, const QString& sdp, Completion completion)
{
    Q_ASSERT(platform::isMainThread());
    GstWebRTCSessionDescription* description = parseDescription(type, sdp);
    if (closed_ || !description) {
        if (description)
            gst_webrtc_session_description_free(description);
        const QString error
            = closed_ ? QStringLiteral("the peer connection was closed") : QStringLiteral("unreadable description");
        platform::runOnMain(alive_.token(), [completion, error] { completion(error); });
        return;
    }
    runWithPromise(signal, description, false,
        [completion = std::move(completion)](const QString&, const QString& error) { completion(error); });
}

void WebRTCPeerConnection::addIceCandidate(const IceCandidate& candidate, Completion completion)
{
    Q_ASSERT(platform::isMainThread());
    QString error;
    if (closed_)
        error = QStringLiteral("the peer connection was closed");
    else if (candidate.sdpMLineIndex < 0 || candidate.sdpMLineIndex >= kTrackCount)
        error = QStringLiteral("no m-line %1").arg(candidate.sdpMLineIndex);
    else if (candidate.candidate.isEmpty())
        error = QStringLiteral("empty candidate");
    if (error.isEmpty()) {
        g_signal_emit_by_name(
            webrtc_, "add-ice-candidate", guint(candidate.sdpMLineIndex), candidate.candidate.toUtf8().constData());
    }
    platform::runOnMain(alive_.token(), [completion, error] { completion(error); });
}

void WebRTCPeerConnection::setTrackEnabled(int slot, bool enabled)
{
    Q_ASSERT(platform::isMainThread());
    if (slot < 0 || slot >= kTrackCount || closed_)
        return;
    Branch& branch = branches_[std::size_t(slot)];
    const bool wasEnabled = branch.enabled;
    branch.enabled = enabled;
    g_object_set(branch.valve, "drop", enabled ? FALSE : TRUE, nullptr);
    if (enabled && !wasEnabled) {
        // The receiver lost the picture while the track was off: start again from a key frame.
        GstPad* pad = gst_element_get_static_pad(branch.encoder, "src");
        gst_pad_send_event(pad, gst_video_event_new_upstream_force_key_unit(GST_CLOCK_TIME_NONE, TRUE, 0));
        gst_object_unref(pad);
    }
}

bool WebRTCPeerConnection::isTrackEnabled(int slot) const
{
    return slot >= 0 && slot < kTrackCount && branches_[std::size_t(slot)].enabled;
}

GstElement* WebRTCPeerConnection::videoSource(int slot) const
{
    if (slot < 0 || slot >= kTrackCount)
        return nullptr;
    return branches_[std::size_t(slot)].source;
}

QString WebRTCPeerConnection::localMid(int mlineIndex) const
{
    return mlineIndex >= 0 && mlineIndex < localMids_.size() ? localMids_[mlineIndex] : QString();
}

void WebRTCPeerConnection::close()
{
    Q_ASSERT(platform::isMainThread());
    if (closed_)
        return;
    closed_ = true;
    if (pipeline_)
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

} // namespace remote
