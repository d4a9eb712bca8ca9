#include "ReceivingPeer.h"

#include "CounterFrames.h"
#include "platform/MediaClock.h"
#include "remote/webrtc/GstSupport.h"
#include "remote/webrtc/SdpText.h"

#include <QTest>

#include <gst/app/gstappsink.h>
#include <gst/sdp/sdp.h>
#include <gst/video/video.h>
#include <gst/webrtc/webrtc.h>

ReceivingPeer::ReceivingPeer(QString clientKey)
    : clientKey_(std::move(clientKey))
{
    remote::ensureGstInitialised();
}

ReceivingPeer::~ReceivingPeer()
{
    teardown();
}

bool ReceivingPeer::connectWithView(quint16 port)
{
    if (!client_.connectTo(port))
        return false;
    client_.send(QJsonObject { { "type", "auth.request" }, { "clientKey", clientKey_ }, { "scope", "view" } });
    return client_.expect(QStringLiteral("auth.grant")).has_value();
}

void ReceivingPeer::sendSignal(const QString& sessionID, const QJsonObject& payload)
{
    client_.send(QJsonObject {
        { "type", "webrtc.signal" }, { "clientKey", clientKey_ }, { "sessionID", sessionID }, { "payload", payload } });
}

void ReceivingPeer::start(const QString& sessionID)
{
    teardown();
    sessionID_ = sessionID;
    buildPipeline();
    sendSignal(sessionID, QJsonObject { { "kind", "start" } });
}

bool ReceivingPeer::wait(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            while (auto message = client_.next(0))
                handle(*message);
            std::vector<QJsonObject> outgoing;
            {
                std::lock_guard lock(mutex_);
                outgoing.swap(outbox_);
            }
            for (const auto& payload : outgoing)
                sendSignal(sessionID_, payload);
            return condition();
        },
        timeoutMs);
}

void ReceivingPeer::handle(const QJsonObject& message)
{
    if (message.value(QLatin1String("type")).toString() != QLatin1String("webrtc.signal"))
        return;
    const QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    const QString kind = payload.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("offer")) {
        offers_.push_back(message);
        {
            std::lock_guard lock(mutex_);
            mids_ = remote::sdpMediaIds(payload.value(QLatin1String("sdp")).toString());
        }
        answer(payload.value(QLatin1String("sdp")).toString());
    } else if (kind == QLatin1String("ice") && webrtc_) {
        candidates_.push_back(message);
        g_signal_emit_by_name(webrtc_, "add-ice-candidate",
            guint(payload.value(QLatin1String("sdpMLineIndex")).toInt()),
            payload.value(QLatin1String("candidate")).toString().toUtf8().constData());
    }
}

void ReceivingPeer::buildPipeline()
{
    pipeline_ = GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("tablet")));
    webrtc_ = gst_element_factory_make("webrtcbin", "tablet-webrtc");
    gst_bin_add(GST_BIN(pipeline_), webrtc_);
    g_object_set(webrtc_, "bundle-policy", GST_WEBRTC_BUNDLE_POLICY_MAX_BUNDLE, nullptr);
    GstWebRTCICE* ice = nullptr;
    g_object_get(webrtc_, "ice-agent", &ice, nullptr);
    gboolean added = FALSE;
    g_object_set(ice, "ice-tcp", FALSE, nullptr);
    GObject* agent = nullptr;
    g_object_get(ice, "agent", &agent, nullptr);
    g_object_set(agent, "upnp", FALSE, nullptr);
    g_object_unref(agent);
    g_signal_emit_by_name(ice, "add-local-ip-address", "127.0.0.1", &added);
    gst_object_unref(ice);
    g_signal_connect(webrtc_, "pad-added", G_CALLBACK(&ReceivingPeer::onPadAdded), this);
    g_signal_connect(webrtc_, "on-ice-candidate", G_CALLBACK(+[](GstElement*, guint mline, gchar* line, gpointer data) {
        static_cast<ReceivingPeer*>(data)->post(
            QJsonObject { { "kind", "ice" }, { "sdpMid", QStringLiteral("video%1").arg(mline) },
                { "sdpMLineIndex", int(mline) }, { "candidate", line } });
    }),
        this);
    gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

void ReceivingPeer::answer(const QString& sdp)
{
    GstSDPMessage* message = nullptr;
    gst_sdp_message_new_from_text(sdp.toUtf8().constData(), &message);
    GstWebRTCSessionDescription* offer = gst_webrtc_session_description_new(GST_WEBRTC_SDP_TYPE_OFFER, message);
    g_signal_emit_by_name(webrtc_, "set-remote-description", offer, nullptr);
    gst_webrtc_session_description_free(offer);

    struct Context {
        ReceivingPeer* self;
        GstElement* webrtc;
    };
    auto* context = new Context { this, webrtc_ };
    remote::gstHandOff(context);
    GstPromise* promise = gst_promise_new_with_change_func(
        [](GstPromise* promise, gpointer data) {
            const auto* context = static_cast<const Context*>(data);
            remote::gstTakeOver(context);
            GstWebRTCSessionDescription* answer = nullptr;
            if (gst_promise_wait(promise) == GST_PROMISE_RESULT_REPLIED)
                gst_structure_get(
                    gst_promise_get_reply(promise), "answer", GST_TYPE_WEBRTC_SESSION_DESCRIPTION, &answer, nullptr);
            if (answer) {
                g_signal_emit_by_name(context->webrtc, "set-local-description", answer, nullptr);
                gchar* text = gst_sdp_message_as_text(answer->sdp);
                context->self->post(QJsonObject { { "kind", "answer" }, { "sdp", text } });
                g_free(text);
                gst_webrtc_session_description_free(answer);
            }
            remote::gstHandOff(context);
        },
        context,
        [](gpointer data) {
            remote::gstTakeOver(data);
            delete static_cast<Context*>(data);
        });
    g_signal_emit_by_name(webrtc_, "create-answer", nullptr, promise);
    gst_promise_unref(promise);
}

void ReceivingPeer::onPadAdded(GstElement*, GstPad* pad, gpointer data)
{
    auto* self = static_cast<ReceivingPeer*>(data);
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC)
        return;
    // Bundled streams are told apart by payload type (96 + m-line), which names the m-line whose
    // mid the offer gave.
    int payload = -1;
    if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        gst_structure_get_int(gst_caps_get_structure(caps, 0), "payload", &payload);
        gst_caps_unref(caps);
    }
    const int mline = payload - 96;
    QByteArray mid("unknown");
    {
        std::lock_guard lock(self->mutex_);
        if (mline >= 0 && mline < self->mids_.size())
            mid = self->mids_[mline].toUtf8();
    }
    GstElement* decode = gst_parse_bin_from_description("rtpvp8depay ! vp8dec ! videoconvert ! appsink name=sink "
                                                        "caps=video/x-raw,format=BGRA sync=false emit-signals=true",
        TRUE, nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(decode), "sink");
    g_object_set_data_full(G_OBJECT(sink), "mid", g_strdup(mid.constData()), g_free);
    g_signal_connect(sink, "new-sample", G_CALLBACK(&ReceivingPeer::onSample), self);
    gst_object_unref(sink);
    gst_bin_add(GST_BIN(self->pipeline_), decode);
    gst_element_sync_state_with_parent(decode);
    GstPad* input = gst_element_get_static_pad(decode, "sink");
    gst_pad_link(pad, input);
    gst_object_unref(input);
}

void ReceivingPeer::post(const QJsonObject& payload)
{
    std::lock_guard lock(mutex_);
    outbox_.push_back(payload);
}

GstFlowReturn ReceivingPeer::onSample(GstElement* sink, gpointer data)
{
    auto* self = static_cast<ReceivingPeer*>(data);
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample)
        return GST_FLOW_OK;
    Received received;
    received.receivedAt = platform::MediaClock::system().now();
    received.mid = QString::fromUtf8(static_cast<const char*>(g_object_get_data(G_OBJECT(sink), "mid")));
    GstVideoInfo info;
    GstVideoFrame frame;
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample))
        && gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        received.width = GST_VIDEO_FRAME_WIDTH(&frame);
        received.height = GST_VIDEO_FRAME_HEIGHT(&frame);
        received.counter
            = countertest::readCounter(static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                std::size_t(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0)), received.width, received.height);
        gst_video_frame_unmap(&frame);
    }
    gst_sample_unref(sample);
    std::lock_guard lock(self->mutex_);
    self->received_.push_back(received);
    return GST_FLOW_OK;
}

std::vector<ReceivingPeer::Received> ReceivingPeer::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

bool ReceivingPeer::iceConnected() const
{
    if (!webrtc_)
        return false;
    GstWebRTCICEConnectionState state = GST_WEBRTC_ICE_CONNECTION_STATE_NEW;
    g_object_get(webrtc_, "ice-connection-state", &state, nullptr);
    return state == GST_WEBRTC_ICE_CONNECTION_STATE_CONNECTED || state == GST_WEBRTC_ICE_CONNECTION_STATE_COMPLETED;
}

void ReceivingPeer::teardown()
{
    if (!pipeline_)
        return;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    webrtc_ = nullptr;
    std::lock_guard lock(mutex_);
    received_.clear();
}
