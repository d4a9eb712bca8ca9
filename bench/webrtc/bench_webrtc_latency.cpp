// Glass-to-glass latency of live video: 1280x720 BGRA pictures at 30 frames per second, each
// carrying its number as blocks, pushed into track 0 of a real session and decoded by a tablet
// peer on loopback; and the same pictures through a plain appsrc ! vp8enc ! queue ! vp8dec ! appsink
// with the session's encoder settings (the queue stands for the network: decoding runs apart from
// encoding on both roads). Latency is the decode time minus the push time on one clock.
// Prints p50, p99, frames lost and the time to the first frame of each; the last line is the p50
// ratio of the session to the plain road. Goals: p50 < 60 ms, p99 < 150 ms, no loss, first frame
// < 1.5 s.
//
//   bench_webrtc_latency [seconds]      (default 20)

#include "webrtc/CounterFrames.h"
#include "webrtc/ReceivingPeer.h"
#include "webrtc/WebRTCTestStation.h"

#include "platform/MediaClock.h"
#include "remote/webrtc/GstSupport.h"

#include <QGuiApplication>
#include <QTest>

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr double kFps = 30.0;

double now()
{
    return platform::MediaClock::system().now();
}

struct Result {
    double p50 = 0;
    double p99 = 0;
    long lost = 0;
    double firstFrame = 0;
};

// Push times by picture number, written by the pusher, read at the end.
struct PushLog {
    std::mutex mutex;
    std::map<std::uint64_t, double> times;
    double first = 0;
};

// Pushes numbered pictures at 30 per second for `seconds` on a thread of its own.
void pushFor(double seconds, PushLog& log, const std::function<void(const media::Frame&)>& push)
{
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const auto period = std::chrono::duration<double>(1.0 / kFps);
    const int count = int(seconds * kFps);
    for (int i = 1; i <= count; ++i) {
        std::this_thread::sleep_until(start + std::chrono::duration_cast<clock::duration>(period * i));
        const media::Frame frame = countertest::counterFrame(std::uint64_t(i), kWidth, kHeight);
        const double pushedAt = now();
        {
            std::lock_guard lock(log.mutex);
            log.times[std::uint64_t(i)] = pushedAt;
            if (i == 1)
                log.first = pushedAt;
        }
        push(frame);
    }
}

Result summarise(PushLog& log, const std::vector<std::pair<std::uint64_t, double>>& decoded)
{
    std::lock_guard lock(log.mutex);
    std::vector<double> latencies;
    std::map<std::uint64_t, bool> seen;
    double firstDecoded = 0;
    for (const auto& [counter, at] : decoded) {
        const auto pushed = log.times.find(counter);
        if (pushed == log.times.end() || seen[counter])
            continue;
        seen[counter] = true;
        latencies.push_back((at - pushed->second) * 1000.0);
        if (firstDecoded == 0)
            firstDecoded = at;
    }
    Result result;
    result.lost = long(log.times.size()) - long(latencies.size());
    result.firstFrame = firstDecoded > 0 ? (firstDecoded - log.first) * 1000.0 : -1;
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        result.p50 = latencies[latencies.size() / 2];
        result.p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
    return result;
}

void print(const char* name, const Result& result)
{
    std::printf("%-8s p50 %.1f ms  p99 %.1f ms  lost %ld  first frame %.0f ms\n", name, result.p50, result.p99,
        result.lost, result.firstFrame);
    std::fflush(stdout);
}

Result plainRoad(double seconds)
{
    GError* error = nullptr;
    GstElement* pipeline
        = gst_parse_launch("appsrc name=src is-live=true format=time max-buffers=2 leaky-type=downstream "
                           "caps=video/x-raw,format=BGRA,width=1280,height=720,framerate=0/1 ! videoconvert ! "
                           "queue leaky=downstream max-size-buffers=2 max-size-time=0 max-size-bytes=0 ! "
                           "vp8enc deadline=1 lag-in-frames=0 keyframe-max-dist=60 cpu-used=8 threads=2 "
                           "target-bitrate=2000000 ! queue ! vp8dec ! videoconvert ! "
                           "video/x-raw,format=BGRA ! appsink name=sink sync=false emit-signals=true",
            &error);
    if (!pipeline) {
        std::printf("plain pipeline: %s\n", error ? error->message : "?");
        std::exit(1);
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, double>> decoded;
    struct Context {
        std::mutex* mutex;
        std::vector<std::pair<std::uint64_t, double>>* decoded;
    } context { &mutex, &decoded };
    g_signal_connect(sink, "new-sample", G_CALLBACK(+[](GstElement* element, gpointer data) -> GstFlowReturn {
        auto* context = static_cast<Context*>(data);
        GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(element));
        const double at = now();
        GstVideoInfo info;
        GstVideoFrame frame;
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample))
            && gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
            const auto counter
                = countertest::readCounter(static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                    std::size_t(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0)), kWidth, kHeight);
            gst_video_frame_unmap(&frame);
            if (counter) {
                std::lock_guard lock(*context->mutex);
                context->decoded->emplace_back(*counter, at);
            }
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }),
        &context);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);

    PushLog log;
    pushFor(seconds, log, [&](const media::Frame& frame) {
        auto* owner = new media::Frame(frame);
        const gsize size = frame.rowBytes() * gsize(kHeight);
        GstBuffer* buffer
            = gst_buffer_new_wrapped_full(GST_MEMORY_FLAG_READONLY, const_cast<std::uint8_t*>(frame.data()), size, 0,
                size, owner, [](gpointer data) { delete static_cast<media::Frame*>(data); });
        gsize offsets[GST_VIDEO_MAX_PLANES] = { 0 };
        gint strides[GST_VIDEO_MAX_PLANES] = { gint(frame.rowBytes()) };
        gst_buffer_add_video_meta_full(
            buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_BGRA, kWidth, kHeight, 1, offsets, strides);
        GstClock* clock = gst_element_get_clock(source);
        GST_BUFFER_PTS(buffer) = clock ? gst_clock_get_time(clock) - gst_element_get_base_time(source) : 0;
        if (clock)
            gst_object_unref(clock);
        gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
    });
    // The last pictures have a moment to come out.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(source);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    std::lock_guard lock(mutex);
    return summarise(log, decoded);
}

Result sessionRoad(double seconds)
{
    WebRTCTestStation station;
    ReceivingPeer peer;
    if (!peer.connectWithView(station.port())) {
        std::printf("session: the tablet could not connect\n");
        std::exit(1);
    }
    peer.start(QStringLiteral("bench"));
    if (!peer.wait([&] { return peer.iceConnected(); }, 10000)) {
        std::printf("session: ICE did not connect\n");
        std::exit(1);
    }
    PushLog log;
    std::atomic<bool> done { false };
    std::thread pusher([&] {
        pushFor(seconds, log, [&](const media::Frame& frame) {
            station.manager().push(frame, 0, remote::WebRTCSessionManager::ActiveSource::deckLink, std::nullopt);
        });
        done = true;
    });
    // The station and the tablet live on this thread's event loop.
    (void)peer.wait([&] { return done.load(); }, int(seconds * 1000) + 10000);
    pusher.join();
    (void)QTest::qWait(500);
    std::vector<std::pair<std::uint64_t, double>> decoded;
    for (const auto& frame : peer.received()) {
        if (frame.mid == QLatin1String("video0") && frame.counter)
            decoded.emplace_back(*frame.counter, frame.receivedAt);
    }
    return summarise(log, decoded);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    remote::ensureGstInitialised();
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 20.0;
    std::printf("%d x %d BGRA at %.0f fps for %.0f s\n", kWidth, kHeight, kFps, seconds);
    const Result plain = plainRoad(seconds);
    print("plain", plain);
    const Result session = sessionRoad(seconds);
    print("session", session);
    std::printf("ratio session_p50/plain_p50 = %.3f\n", plain.p50 > 0 ? session.p50 / plain.p50 : 0.0);
    return 0;
}
