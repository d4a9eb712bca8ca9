// Recording throughput and real-time behaviour at 1080p.
//
// 1. Throughput per codec: the same frames encoded through MovieRecorder and through the ffmpeg
//    command line with the same encoder, threads, preset, colour conversion and muxer settings;
//    frames per second of each and their ratio (ours/ffmpeg, higher is better).
// 2. Real time: four recorders at 1080p25 fed on a steady 25 fps clock for a while, for H.264
//    and ProRes 422 HQ; the frames each recorder dropped.
// 3. With --presets: four unthrottled H.264 writers at once per x264 preset, the figure the
//    recorder's preset was chosen by (it must leave room above 4 x 25 fps).
// 4. With --engine: two and four simulated 1080p25 card inputs recorded through the capture engine
//    (RecordViewModel) for --engine-seconds (30) per codec of --realtime-codecs: frames dropped
//    per input (card to engine, and engine to file), peak memory, and the share of the process's
//    CPU time spent on the writer and recorder threads (with the encoder threads they start).
//    Alone (with --no-throughput --no-realtime), its last line is the lowest share of delivered
//    frames that reached a file.
//
//   bench_recording [--out DIR] [--frames N] [--seconds S] [--codecs h264,proRes422HQ,...]
//                   [--realtime-codecs h264,proRes422HQ] [--clean] [--no-throughput] [--no-realtime]
//                   [--presets] [--engine] [--engine-seconds S]
// --clean draws the pictures without grain: FFmpeg's ProRes encoder takes about half the time on
// them, so the two runs bracket what a camera's picture costs. The real-time runs of ProRes
// codecs always use heavy grain (+-20 steps), the pictures that cost a ProRes encoder most.
// --out keeps one file per codec in DIR (ours and ffmpeg's). The last line prints the lowest
// throughput ratio of the codecs run.

#include "capture/MovieRecorder.h"
#include "capture/RecordViewModel.h"
#include "decklink/sim/DeckLinkSimControl.h"
#include "media/writer/MovieFileWriter.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/QtScheduler.h"
#include "platform/SerialQueue.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

extern "C" {
#include <libavutil/log.h>
}

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace settings;
using capture::MovieRecorder;

// The simulated card driver built with the benchmark, unless the environment names another.
const bool gCardLibrary = [] {
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    return true;
}();

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFps = 25;
constexpr int kDistinctFrames = 16;
constexpr int kLightGrain = -1; // the default pictures' grain, -2 to +1 steps
constexpr int kHeavyGrain = 20;

struct Options {
    QString outDir;
    int frames = 100;
    int seconds = 20;
    QList<RecordingCodec> codecs;
    QList<RecordingCodec> realtimeCodecs { RecordingCodec::h264, RecordingCodec::proRes422HQ };
    bool throughput = true;
    bool realtime = true;
    bool presets = false;
    bool grain = true;
    bool engine = false;
    int engineSeconds = 30;
};

// Moving, textured pictures rather than flat ones, so the encoders do realistic work: soft
// gradients and rings that drift from frame to frame, with the light grain of a camera.
std::vector<media::Frame> makeFrames(int grainAmplitude)
{
    std::vector<media::Frame> frames;
    std::uint32_t seed = 12345;
    for (int n = 0; n < kDistinctFrames; ++n) {
        media::MutableFrame m(media::PixelFormat::BGRA, kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(m.row(y));
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = grainAmplitude == kLightGrain ? static_cast<int>(seed >> 30) - 2
                    : grainAmplitude > 0
                    ? static_cast<int>(seed % std::uint32_t(2 * grainAmplitude + 1)) - grainAmplitude
                    : 0;
                const int dx = x - kWidth / 2 - 6 * n;
                const int dy = y - kHeight / 2 + 3 * n;
                const int ring = static_cast<int>(64.0 + 63.0 * std::sin(std::sqrt(double(dx * dx + dy * dy)) / 9.0));
                const int r = std::clamp((x + 8 * n) * 255 / kWidth / 2 + ring / 2 + grain, 0, 255);
                const int g = std::clamp(y * 255 / kHeight / 2 + ring / 3 + 40 + grain, 0, 255);
                const int b = std::clamp(ring + 30 + grain, 0, 255);
                row[x] = 0xff000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
            }
        }
        frames.push_back(std::move(m).share());
    }
    return frames;
}

// CPU seconds used so far by this process (or by its finished children).
double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage {};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void waitFor(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(600'000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

QString rawName(RecordingCodec codec)
{
    return toRaw(codec);
}

struct Throughput {
    double fps = 0;
    double cpuMsPerFrame = 0; // load-independent: what one frame costs, all threads together
    int dropped = 0;
    bool ok = false;
};

Throughput runOurs(RecordingCodec codec, const std::vector<media::Frame>& frames, int count, const QString& path)
{
    QFile::remove(path);
    std::atomic<int> dropped { 0 };
    auto made = MovieRecorder::create(QUrl::fromLocalFile(path), kWidth, kHeight, kFps, codec, RecordingBitrate::auto_,
        std::nullopt, [&](int total) { dropped = total; });
    if (!made)
        return {};
    auto recorder = made.value();
    bool finished = false;
    MovieRecorder::FinishStatus status = MovieRecorder::FinishStatus::failed;
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    for (int i = 0; i < count; ++i) {
        recorder->append(frames[static_cast<std::size_t>(i) % frames.size()]);
        // Keep two frames in hand so the queue never waits for us and never meets its limit.
        if (i % 2 == 1)
            recorder->queue().sync([] {});
    }
    recorder->finish([&](const QUrl&, MovieRecorder::FinishStatus s) {
        status = s;
        finished = true;
    });
    recorder.reset();
    waitFor([&] { return finished; });
    const double seconds = timer.nsecsElapsed() / 1e9;
    return { count / seconds, (cpuSeconds() - cpuStart) * 1000 / count, dropped.load(),
        status == MovieRecorder::FinishStatus::finished };
}

QString ffmpegEncoderArguments(RecordingCodec codec, int threads)
{
    const QString common = QStringLiteral("-threads %1 ").arg(threads);
    switch (codec) {
    case RecordingCodec::h264:
        return common
            + QStringLiteral("-c:v libx264 -preset %1 -profile:v high -g %2 -keyint_min %2 -pix_fmt yuv420p")
                  .arg(MovieRecorder::h264Preset)
                  .arg(kFps);
    case RecordingCodec::hevc:
        return common
            + QStringLiteral(
                "-c:v libx265 -preset ultrafast -x265-params log-level=error:pools=%1:keyint=%2:min-keyint=%2 "
                "-tag:v hvc1 -pix_fmt yuv420p")
                  .arg(threads)
                  .arg(kFps);
    default: {
        const int profile = static_cast<int>(codec) - static_cast<int>(RecordingCodec::proRes422Proxy);
        return common
            + QStringLiteral("-c:v prores -profile:v %1 -pix_fmt %2")
                  .arg(profile)
                  .arg(profile >= 4 ? "yuv444p10le" : "yuv422p10le");
    }
    }
}

// The command line reads the same BGRA frames from a pipe and converts them with the same
// swscale settings (bicubic, BT.709, limited range) in one filter thread, as our queue does.
Throughput runFfmpeg(
    RecordingCodec codec, const std::vector<media::Frame>& frames, int count, const QString& path, int threads)
{
    const QString command
        = QStringLiteral("ffmpeg -v error -nostdin -y -f rawvideo -pix_fmt bgra -s %1x%2 -r %3 -i pipe:0 "
                         "-filter_threads 1 -sws_flags bicubic "
                         "-vf scale=out_color_matrix=bt709:out_range=tv "
                         "-color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range tv "
                         "%4 -video_track_timescale 600 -movflags +write_colr '%5'")
              .arg(kWidth)
              .arg(kHeight)
              .arg(kFps)
              .arg(ffmpegEncoderArguments(codec, threads), path);
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
    FILE* pipe = popen(command.toLocal8Bit().constData(), "w");
    if (!pipe)
        return {};
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(kWidth) * 4 * kHeight);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        const auto& frame = frames[static_cast<std::size_t>(i) % frames.size()];
        const std::size_t rowBytes = static_cast<std::size_t>(kWidth) * 4;
        if (frame.rowBytes() == rowBytes) {
            ok = std::fwrite(frame.data(), rowBytes * kHeight, 1, pipe) == 1;
        } else {
            for (int y = 0; y < kHeight; ++y)
                std::memcpy(packed.data() + rowBytes * y, frame.row(y), rowBytes);
            ok = std::fwrite(packed.data(), packed.size(), 1, pipe) == 1;
        }
    }
    const int rc = pclose(pipe);
    const double seconds = timer.nsecsElapsed() / 1e9;
    return { count / seconds, (cpuSeconds(RUSAGE_CHILDREN) - cpuStart) * 1000 / count, 0, ok && rc == 0 };
}

struct RealTimeResult {
    double cores = 0; // CPU time over wall time while the four recorded
    std::vector<int> dropped;
    std::vector<int> appended;
    bool ok = true;
};

// Four recorders, each fed by its own thread on a 25 fps grid, as four capture inputs would.
RealTimeResult runRealTime(RecordingCodec codec, const std::vector<media::Frame>& frames, int seconds,
    const QString& folder, const QString& prefix)
{
    constexpr int kInputs = MovieRecorder::simultaneousRecorders;
    RealTimeResult result;
    result.dropped.assign(kInputs, 0);
    result.appended.assign(kInputs, 0);
    std::vector<std::shared_ptr<MovieRecorder>> recorders;
    std::vector<std::atomic<int>> drops(kInputs);
    for (int i = 0; i < kInputs; ++i) {
        const QString path
            = QDir(folder).filePath(QStringLiteral("%1%2_input%3.mov").arg(prefix, rawName(codec)).arg(i));
        QFile::remove(path);
        auto made = MovieRecorder::create(QUrl::fromLocalFile(path), kWidth, kHeight, kFps, codec,
            RecordingBitrate::auto_, std::nullopt, [&drops, i](int total) { drops[i] = total; });
        if (!made) {
            result.ok = false;
            return result;
        }
        recorders.push_back(made.value());
    }
    const int total = seconds * kFps;
    std::vector<std::thread> feeders;
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kInputs; ++i) {
        feeders.emplace_back([&, i] {
            for (int n = 0; n < total; ++n) {
                std::this_thread::sleep_until(start + std::chrono::microseconds(n * 1'000'000 / kFps));
                recorders[i]->append(frames[static_cast<std::size_t>(n + 3 * i) % frames.size()]);
                ++result.appended[i];
            }
        });
    }
    for (auto& feeder : feeders)
        feeder.join();
    int finished = 0;
    for (auto& recorder : recorders) {
        recorder->finish([&](const QUrl&, MovieRecorder::FinishStatus status) {
            result.ok = result.ok && status == MovieRecorder::FinishStatus::finished;
            ++finished;
        });
    }
    recorders.clear();
    waitFor([&] { return finished == kInputs; });
    result.cores
        = (cpuSeconds() - cpuStart) / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int i = 0; i < kInputs; ++i)
        result.dropped[i] = drops[i];
    return result;
}

// ---- The engine mode -----------------------------------------------------------------------------

// CPU seconds of this process's threads whose names begin with one of `prefixes` (threads a
// thread starts inherit its name, so an encoder's workers count with the queue that opened it).
double threadCpuSeconds(const QStringList& prefixes)
{
    const double tick = double(sysconf(_SC_CLK_TCK));
    double total = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QString name = QString::fromUtf8(line.mid(open + 1, close - open - 1));
        if (std::none_of(prefixes.begin(), prefixes.end(), [&](const QString& p) { return name.startsWith(p); }))
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 12) // utime and stime are fields 14 and 15 of the line
            total += (fields[11].toDouble() + fields[12].toDouble()) / tick;
    }
    return total;
}

// Peak resident memory since the last reset, in MiB.
double peakMemoryMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

int framesInMovie(const QString& path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        { "-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries", "stream=nb_read_packets", "-of",
            "csv=p=0", path });
    probe.waitForFinished(120'000);
    return probe.exitCode() == 0 ? probe.readAllStandardOutput().trimmed().toInt() : -1;
}

void runEvents(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct EngineResult {
    std::vector<int> delivered; // by the card while recording
    std::vector<int> missedByEngine; // delivered but never reaching the engine (busy main thread)
    std::vector<int> dropped; // reached the engine, not the file (hand-off and encoder drops)
    double peakMiB = 0;
    double encodeShare = 0;
    double cores = 0;
    bool ok = true;
};

// `inputs` simulated card inputs at 1080p25 recorded through the engine for `seconds`.
EngineResult runEngine(int inputs, RecordingCodec codec, int seconds, const QString& folder)
{
    EngineResult result;
    corvale_sim_reset();
    corvale_sim_set_device_count(inputs);
    QTemporaryDir home;
    platform::UserDefaults defaults(home.filePath(QStringLiteral("defaults.json")));
    settings::AppSettings settings(defaults);
    settings.setProjectFormat(CaptureFormat::hd1080p25);
    settings.setRecordingCodec(codec);
    platform::QtScheduler scheduler;
    platform::NotificationCenter notifications;
    QStringList saved;
    notifications.addObserver(QStringLiteral("corvaleRecordingFinished"), nullptr,
        [&](const QVariantMap& info) { saved << info.value(QStringLiteral("url")).toUrl().toLocalFile(); });
    media::CameraDiscovery::Options cameras;
    cameras.deviceFolder = home.path().toStdString(); // no cameras
    capture::RecordViewModel engine({ settings, scheduler, platform::MediaClock::system(), notifications,
        capture::RecordViewModel::CardSystem::installed(), cameras });
    engine.setOutputFolderURL(QUrl::fromLocalFile(folder));
    for (int slot = 0; slot < inputs; ++slot) {
        if (slot > 0)
            engine.addSource();
        engine.setCaptureSource(slot, capture::CaptureSourceKind::deckLink);
        engine.setSelectedDeckLinkIndex(slot, slot);
        engine.setSelectedFormat(slot, CaptureFormat::hd1080p25);
        engine.startCapture(slot);
    }
    runEvents(2); // signal locked, rates measured

    resetPeakMemory();
    std::vector<CorvaleSimInputState> before(inputs), after(inputs);
    std::vector<std::uint64_t> receivedBefore(inputs);
    for (int slot = 0; slot < inputs; ++slot) {
        corvale_sim_input_state(slot, &before[slot]);
        receivedBefore[slot] = engine.receivedFrameCount(slot);
    }
    const QStringList writers { QStringLiteral("Corvale.WriterQ"), QStringLiteral("Corvale.MovieRe") };
    engine.startRecordingAll();
    runEvents(1); // recorders and their encoders are made from the first frames
    const double cpuStart = cpuSeconds();
    const double encodeStart = threadCpuSeconds(writers);
    const auto wallStart = std::chrono::steady_clock::now();
    runEvents(seconds - 1);
    const double encodeCpu = threadCpuSeconds(writers) - encodeStart;
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    engine.stopRecordingAll();
    for (int slot = 0; slot < inputs; ++slot)
        corvale_sim_input_state(slot, &after[slot]);
    std::vector<std::uint64_t> received(inputs);
    for (int slot = 0; slot < inputs; ++slot)
        received[slot] = engine.receivedFrameCount(slot) - receivedBefore[slot];
    waitFor([&] { return !engine.activeTakeSession(); });
    result.peakMiB = peakMemoryMiB();
    result.encodeShare = cpu > 0 ? encodeCpu / cpu : 0;
    result.cores = cpu / wall;
    for (int slot = 0; slot < inputs; ++slot) {
        const int delivered = int(after[slot].framesDelivered - before[slot].framesDelivered);
        const QString path = saved.value(slot);
        const int written = path.isEmpty() ? -1 : framesInMovie(path);
        result.ok = result.ok && written > 0;
        result.delivered.push_back(delivered);
        result.missedByEngine.push_back(std::max(0, delivered - int(received[slot])));
        result.dropped.push_back(std::max(0, int(received[slot]) - written));
    }
    engine.shutdown();
    for (const QString& path : saved)
        QFile::remove(path);
    return result;
}

// Four H.264 writers encoding as fast as they can at once: the aggregate frames per second.
struct PresetResult {
    double fps = 0;
    double cpuMsPerFrame = 0;
};

PresetResult presetThroughput(
    const std::string& preset, const std::vector<media::Frame>& frames, int count, const QString& folder)
{
    constexpr int kWriters = MovieRecorder::simultaneousRecorders;
    std::vector<std::thread> threads;
    std::atomic<bool> ok { true };
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kWriters; ++i) {
        threads.emplace_back([&, i] {
            media::MovieFileWriter::Configuration c;
            c.path = QDir(folder)
                         .filePath(QStringLiteral("preset_%1_%2.mov").arg(QString::fromStdString(preset)).arg(i))
                         .toStdString();
            c.replaceExisting = true;
            c.codec = media::MovieFileWriter::Codec::h264;
            c.width = kWidth;
            c.height = kHeight;
            c.fps = kFps;
            c.threadCount = media::MovieFileWriter::threadCountFor(kWriters);
            c.h264Preset = preset;
            auto made = media::MovieFileWriter::create(c);
            if (!made || !made.value()->startWriting()) {
                ok = false;
                return;
            }
            auto& writer = *made.value();
            for (int n = 0; n < count; ++n)
                ok = ok && writer.append(frames[static_cast<std::size_t>(n + i) % frames.size()]).ok();
            ok = ok && writer.finishWriting().ok();
        });
    }
    for (auto& t : threads)
        t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok)
        return {};
    return { kWriters * count / seconds, (cpuSeconds() - cpuStart) * 1000 / (kWriters * count) };
}

bool parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const bool hasValue = i + 1 < argc;
        if (arg == "--out" && hasValue) {
            options.outDir = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--frames" && hasValue) {
            options.frames = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--seconds" && hasValue) {
            options.seconds = std::max(1, std::atoi(argv[++i]));
        } else if ((arg == "--codecs" || arg == "--realtime-codecs") && hasValue) {
            auto& list = arg == "--codecs" ? options.codecs : options.realtimeCodecs;
            list.clear();
            for (const auto& name : QString::fromLocal8Bit(argv[++i]).split(',', Qt::SkipEmptyParts)) {
                const auto codec = fromRaw<RecordingCodec>(name);
                if (!codec) {
                    std::fprintf(stderr, "unknown codec %s\n", qPrintable(name));
                    return false;
                }
                list.push_back(*codec);
            }
        } else if (arg == "--no-throughput") {
            options.throughput = false;
        } else if (arg == "--no-realtime") {
            options.realtime = false;
        } else if (arg == "--clean") {
            options.grain = false;
        } else if (arg == "--presets") {
            options.presets = true;
        } else if (arg == "--engine") {
            options.engine = true;
        } else if (arg == "--engine-seconds" && hasValue) {
            options.engineSeconds = std::max(3, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr,
                "usage: bench_recording [--out DIR] [--frames N] [--seconds S] [--codecs a,b] [--realtime-codecs a,b] "
                "[--clean] [--no-throughput] "
                "[--no-realtime] [--presets] [--engine] [--engine-seconds S]\n");
            return false;
        }
    }
    if (options.codecs.isEmpty())
        for (auto codec : allCases<RecordingCodec>())
            options.codecs.push_back(codec);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    (void)gCardLibrary;
    Options options;
    if (!parse(argc, argv, options))
        return 2;
    av_log_set_level(AV_LOG_ERROR);

    QTemporaryDir scratch;
    QString folder = scratch.path();
    if (!options.outDir.isEmpty()) {
        QDir().mkpath(options.outDir);
        folder = options.outDir;
    }
    const int threads = media::MovieFileWriter::threadCountFor(MovieRecorder::simultaneousRecorders);
    std::printf("1080p%d, %u cores, %d encoder threads per recorder, x264 preset %s, pictures %s\n", kFps,
        std::thread::hardware_concurrency(), threads, MovieRecorder::h264Preset,
        options.grain ? "with grain" : "clean");
    const auto frames = makeFrames(options.grain ? kLightGrain : 0);

    if (options.presets) {
        std::printf("\nFour H.264 writers at once, unthrottled (need > %d fps with room to spare)\n", 4 * kFps);
        for (const char* preset : { "ultrafast", "superfast", "veryfast", "faster" }) {
            const auto r = presetThroughput(preset, frames, options.frames, scratch.path());
            std::printf("  %-10s %7.1f fps, %6.1f CPU ms per frame: %.1f cores for 4 x %d fps\n", preset, r.fps,
                r.cpuMsPerFrame, r.cpuMsPerFrame * 4 * kFps / 1000, kFps);
            std::fflush(stdout);
        }
    }

    if (options.realtime) {
        std::printf("\nFour recorders fed in real time at %d fps for %d s\n", kFps, options.seconds);
        std::vector<media::Frame> grainy;
        for (auto codec : options.realtimeCodecs) {
            // Minutes of 1080p from four inputs are large: these files go to scratch and are removed.
            QTemporaryDir takes;
            const bool proRes = codec != RecordingCodec::h264 && codec != RecordingCodec::hevc;
            if (proRes && grainy.empty())
                grainy = makeFrames(kHeavyGrain);
            const auto result = runRealTime(
                codec, proRes ? grainy : frames, options.seconds, takes.path(), QStringLiteral("realtime_"));
            int total = 0;
            QStringList parts;
            for (int d : result.dropped) {
                total += d;
                parts << QString::number(d);
            }
            std::printf("  %-16s%s dropped %d of %d frames (per input: %s), %.1f cores busy%s\n",
                qPrintable(displayName(codec)), proRes ? " (heavy grain)" : "", total, 4 * options.seconds * kFps,
                qPrintable(parts.join(", ")), result.cores, result.ok ? "" : "  FAILED");
            std::fflush(stdout);
        }
    }

    double lowestRecorded = -1;
    if (options.engine) {
        std::printf("\nSimulated 1080p%d card inputs recorded through the capture engine for %d s\n", kFps,
            options.engineSeconds);
        for (auto codec : options.realtimeCodecs) {
            for (int inputs : { 2, 4 }) {
                QTemporaryDir takes;
                const auto r = runEngine(inputs, codec, options.engineSeconds, takes.path());
                QStringList perInput;
                for (int i = 0; i < inputs; ++i) {
                    perInput << QStringLiteral("%1/%2").arg(r.missedByEngine[i]).arg(r.dropped[i]);
                    const double recorded
                        = r.delivered[i] > 0 ? 1.0 - double(r.missedByEngine[i] + r.dropped[i]) / r.delivered[i] : 0;
                    lowestRecorded = lowestRecorded < 0 ? recorded : std::min(lowestRecorded, recorded);
                }
                std::printf("  %-16s %d inputs: dropped per input (card to engine / engine to file) %s of about %d;"
                            " peak %.0f MiB; %.1f cores busy, %.0f%% of it writing and encoding%s\n",
                    qPrintable(displayName(codec)), inputs, qPrintable(perInput.join(", ")),
                    r.delivered.empty() ? 0 : r.delivered[0], r.peakMiB, r.cores, 100 * r.encodeShare,
                    r.ok ? "" : "  FAILED");
                std::fflush(stdout);
            }
        }
    }

    double lowest = -1;
    if (options.throughput) {
        std::printf("\nThroughput, %d frames per codec (frames per second)\n", options.frames);
        std::printf("  %-16s %10s %10s %8s   %s\n", "codec", "ours", "ffmpeg", "ratio", "CPU ms/frame ours, ffmpeg");
        for (auto codec : options.codecs) {
            const QString name = rawName(codec);
            const auto ours = runOurs(codec, frames, options.frames, QDir(folder).filePath(name + ".mov"));
            const auto theirs
                = runFfmpeg(codec, frames, options.frames, QDir(folder).filePath("ffmpeg_" + name + ".mov"), threads);
            const double ratio = ours.ok && theirs.ok && theirs.fps > 0 ? ours.fps / theirs.fps : 0.0;
            std::printf("  %-16s %10.1f %10.1f %8.3f   %6.1f, %6.1f%s%s\n", qPrintable(displayName(codec)), ours.fps,
                theirs.fps, ratio, ours.cpuMsPerFrame, theirs.cpuMsPerFrame, ours.dropped ? "  (dropped frames!)" : "",
                ours.ok && theirs.ok ? "" : "  FAILED");
            std::fflush(stdout);
            lowest = lowest < 0 ? ratio : std::min(lowest, ratio);
        }
        if (options.outDir.isEmpty())
            for (auto codec : options.codecs)
                QFile::remove(QDir(folder).filePath("ffmpeg_" + rawName(codec) + ".mov"));
    }
    if (lowest < 0 && lowestRecorded >= 0)
        std::printf("ratio recorded/delivered = %.4f (lowest input, engine)\n", lowestRecorded);
    else if (lowest < 0)
        std::printf("ratio ours/ffmpeg = n/a (throughput not run)\n");
    else
        std::printf("ratio ours/ffmpeg = %.3f (lowest of the codecs, throughput)\n", lowest);
    return 0;
}
