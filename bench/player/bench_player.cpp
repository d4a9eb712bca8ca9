// Player figures at 1080p on clips made by the ffmpeg command line:
//
// 1. Exact-seek latency per codec: random targets, each seek issued and waited for until its
//    picture is on show (milliseconds per seek).
// 2. Reverse frame stepping per codec (ProRes, H.264 with a one-second GOP): one exact seek per
//    frame going backwards, frames per second.
// 3. Forward decode throughput: the player decoding a clip from start to end into BGRA frames,
//    its clock moved one frame at a time as each picture arrives, against
//    `ffmpeg -i clip -f null -` on the same clip.
// 4. The engine's view, in real time on the main thread's timers: J/K/L shuttle at 2x, 4x and 8x
//    forward and reverse on ProRes 422 HQ and one-second-GOP H.264, counting the distinct frames
//    a 60 Hz display tick finds on show against the rate asked (forward: the clip's frames at
//    that speed, or its keyframes where the player decodes keyframes only, at most one per
//    tick; reverse: one frame per reverse tick, 25 a second), and the exact-seek latency of a
//    jog step.
// 5. Starting play on ProRes 4444 after a pause: display ticks in the first 0.2 s that find an
//    older frame on show than the one due.
//
// 6. Six players open at once (main, program, four takes) on the H.264 clip, each stepped
//    backwards so its decoded-frame cache fills: resident memory and threads of the process.
//
//   bench_player [--seconds S] [--seeks N] [--steps N] [--six-only]
// The last line prints the lowest shown/asked shuttle ratio (higher is better, 1 is every frame).

#include "media/player/DecodedFrameBudget.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "media/player/ItemDecoder.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "playback/ClipMediaLoader.h"
#include "playback/PlaybackViewModel.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

namespace {

constexpr int kFps = 25;

struct Clip {
    const char* name;
    QString path;
};

bool runFfmpeg(const QStringList& arguments, double* seconds = nullptr)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("ffmpeg"), arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", process.readAllStandardError().constData());
        return false;
    }
    if (seconds)
        *seconds = timer.nsecsElapsed() / 1e9;
    return true;
}

// Waits on an output's frame notifications for the picture that starts at a time.
class Waiter {
public:
    explicit Waiter(std::shared_ptr<media::PlayerVideoOutput> output)
        : output_(std::move(output))
    {
        output_->setFrameAvailableHandler([this] {
            {
                std::lock_guard lock(mutex_);
                ++pushes_;
            }
            changed_.notify_all();
        });
    }
    ~Waiter() { output_->setFrameAvailableHandler(nullptr); }

    bool waitFor(double itemSeconds, double start)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            long seen;
            {
                std::lock_guard lock(mutex_);
                seen = pushes_;
            }
            const media::Frame f = output_->copyFrameForItemTime(media::MediaTime::fromSeconds(itemSeconds, 240000));
            if (f && std::fabs(f.presentationTime() - start) < 1e-6)
                return true;
            std::unique_lock lock(mutex_);
            if (!changed_.wait_until(lock, deadline, [&] { return pushes_ != seen; }))
                return false;
        }
    }

private:
    std::shared_ptr<media::PlayerVideoOutput> output_;
    std::mutex mutex_;
    std::condition_variable changed_;
    long pushes_ = 0;
};

struct Rig {
    platform::ManualMediaClock clock;
    platform::ManualScheduler scheduler { &clock };
    media::FFmpegMediaPlayer player { clock, scheduler };
    std::shared_ptr<media::PlayerVideoOutput> output = media::PlayerVideoOutput::create();
    std::shared_ptr<media::PlayerItem> item;

    bool open(const QString& path)
    {
        item = media::PlayerItem::create(QUrl::fromLocalFile(path));
        item->addOutput(output);
        player.replaceCurrentItem(item);
        QDeadlineTimer deadline(30000);
        while (item->status() == media::PlayerItem::Status::Unknown && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return item->status() == media::PlayerItem::Status::ReadyToPlay;
    }
};

double seekLatencyMs(const Clip& clip, int seeks, int frames)
{
    Rig rig;
    if (!rig.open(clip.path))
        return NAN;
    Waiter waiter(rig.output);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pick(0, frames - 1);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < seeks; ++i) {
        const int index = pick(random);
        const double target = (index + 0.5) / kFps;
        rig.player.seek(media::MediaTime::fromSeconds(target, 240000));
        if (!waiter.waitFor(target, static_cast<double>(index) / kFps))
            return NAN;
    }
    return timer.nsecsElapsed() / 1e6 / seeks;
}

double reverseStepFps(const Clip& clip, int steps, int frames)
{
    Rig rig;
    if (!rig.open(clip.path))
        return NAN;
    Waiter waiter(rig.output);
    steps = std::min(steps, frames - 1);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i) {
        const int index = frames - 1 - i;
        const double target = (index + 0.25) / kFps;
        rig.player.seek(media::MediaTime::fromSeconds(target, 240000));
        if (!waiter.waitFor(target, static_cast<double>(index) / kFps))
            return NAN;
    }
    return steps / (timer.nsecsElapsed() / 1e9);
}

double forwardDecodeFps(const Clip& clip, int frames)
{
    Rig rig;
    if (!rig.open(clip.path))
        return NAN;
    Waiter waiter(rig.output);
    if (!waiter.waitFor(0.0, 0.0))
        return NAN;
    rig.player.play();
    QElapsedTimer timer;
    timer.start();
    for (int index = 1; index < frames; ++index) {
        rig.clock.advance(1.0 / kFps);
        const double t = static_cast<double>(index) / kFps;
        if (!waiter.waitFor(t, t))
            return NAN;
    }
    return (frames - 1) / (timer.nsecsElapsed() / 1e9);
}

// The playback engine on real players, the system clock and the main thread's timers.
struct EngineRig {
    QTemporaryDir dir;
    platform::UserDefaults defaults { dir.filePath("defaults.json") };
    settings::AppSettings settings { defaults };
    platform::NotificationCenter notifications;
    playback::PlaybackViewModel engine { settings, media::FFmpegMediaPlayer::factory(), platform::Scheduler::main(),
        notifications };
    std::shared_ptr<media::PlayerVideoOutput> output = media::PlayerVideoOutput::create();

    bool open(const QString& path)
    {
        // Thumbnails and formats are not what is measured.
        class Idle final : public playback::ClipMediaLoader {
            void loadThumbnail(const QUrl&, QObject*, std::function<void(platform::Result<QImage, QString>)>) override
            {
            }
            void loadInfo(
                const QUrl&, QObject*, std::function<void(platform::Result<media::MediaInfo, QString>)>) override
            {
            }
        };
        engine.setMediaLoader(std::make_unique<Idle>());
        engine.addClipFromRecording(QUrl::fromLocalFile(path));
        auto item = engine.player()->currentItem();
        if (!item)
            return false;
        item->addOutput(output);
        QDeadlineTimer deadline(30000);
        while (item->status() == media::PlayerItem::Status::Unknown && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        run(0.3, nullptr); // the length and frame rate reach the engine
        return item->status() == media::PlayerItem::Status::ReadyToPlay;
    }

    // The frame on show now, as a display would take it.
    media::Frame shown()
    {
        const double now = platform::MediaClock::system().now();
        return output->copyFrameForItemTime(output->itemTimeForHostTime(now));
    }

    // Runs the event loop for `seconds`, calling `tick` at 60 Hz.
    static void run(double seconds, const std::function<void()>& tick)
    {
        QTimer display;
        display.setTimerType(Qt::PreciseTimer);
        display.setInterval(1000 / 60);
        if (tick)
            QObject::connect(&display, &QTimer::timeout, tick);
        display.start();
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

struct ShuttleFigure {
    double shown = 0.0; // distinct frames per second
    double asked = 0.0;
};

ShuttleFigure shuttle(EngineRig& rig, int direction, int speed, bool keyframesOnly)
{
    const double length = rig.engine.duration();
    rig.engine.stopPlayback();
    rig.engine.seek(direction > 0 ? 0.0 : length - 0.05, true);
    EngineRig::run(0.3, nullptr);
    for (int step = 1; step <= speed; step *= 2)
        direction > 0 ? rig.engine.shuttleForwardTap() : rig.engine.shuttleReverseTap();
    const double window = std::min(1.0, 0.8 * length / speed);
    double last = NAN;
    int distinct = 0;
    int ticks = 0;
    EngineRig::run(window, [&] {
        ++ticks;
        const media::Frame f = rig.shown();
        if (f && f.presentationTime() != last) {
            last = f.presentationTime();
            ++distinct;
        }
    });
    rig.engine.stopPlayback();
    ShuttleFigure figure;
    figure.shown = distinct / window;
    const double perSecond = keyframesOnly ? 1.0 : kFps; // one keyframe a second
    // A display can show no more frames than it ticks.
    figure.asked = std::min(direction > 0 ? perSecond * speed : kFps, ticks / window);
    return figure;
}

double jogLatencyMs(EngineRig& rig, int steps)
{
    Waiter waiter(rig.output);
    rig.engine.seek(rig.engine.duration() / 2, true);
    EngineRig::run(0.3, nullptr);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i) {
        rig.engine.jogFrame(i % 4 == 3 ? 1 : -1);
        const double t = rig.engine.currentTime();
        if (!waiter.waitFor(t, std::floor(t * kFps + 1e-6) / kFps))
            return NAN;
    }
    return timer.nsecsElapsed() / 1e6 / steps;
}

// Display ticks in the first 0.2 s after play that show an older frame than the one due.
void playStart(EngineRig& rig, int trials, int* late, int* ticks)
{
    for (int trial = 0; trial < trials; ++trial) {
        rig.engine.seek(1.0 + trial, true);
        EngineRig::run(0.5, nullptr); // paused a moment, as an operator would be
        rig.engine.togglePlayPause();
        EngineRig::run(0.2, [&] {
            const double now = platform::MediaClock::system().now();
            const double due = std::floor(rig.output->itemTimeForHostTime(now).seconds() * kFps + 1e-6);
            const media::Frame f = rig.output->copyFrameForItemTime(rig.output->itemTimeForHostTime(now));
            ++*ticks;
            if (!f || std::lround(f.presentationTime() * kFps) < due)
                ++*late;
        });
        rig.engine.togglePlayPause();
    }
}

// VmRSS or Threads from /proc/self/status (kB for sizes).
long procStatus(const char* key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

void sixPlayersFigures(const Clip& clip, int frames, int steps)
{
    const long rssBefore = procStatus("VmRSS:");
    const long threadsBefore = procStatus("Threads:");
    std::vector<std::unique_ptr<Rig>> rigs;
    for (int i = 0; i < 6; ++i) {
        rigs.push_back(std::make_unique<Rig>());
        if (!rigs.back()->open(clip.path))
            return;
    }
    steps = std::min(steps, frames - 1);
    for (auto& rig : rigs) {
        Waiter waiter(rig->output);
        for (int i = 0; i < steps; ++i) {
            const int index = frames - 1 - i;
            const double target = (index + 0.25) / kFps;
            rig->player.seek(media::MediaTime::fromSeconds(target, 240000));
            if (!waiter.waitFor(target, static_cast<double>(index) / kFps))
                return;
        }
    }
    const long rss = procStatus("VmRSS:");
    const double budgetMiB = media::DecodedFrameBudget::shared().totalBytes() / 1048576.0;
    std::printf("six players        %s: resident %+.0f MiB (budget for all caches %.0f MiB, %.0f MiB before "
                "it), threads %+ld\n",
        clip.name, (rss - rssBefore) / 1024.0, budgetMiB, 6 * media::ItemDecoder::kCacheBytes / 1048576.0,
        procStatus("Threads:") - threadsBefore);
}

double ffmpegDecodeFps(const Clip& clip, int frames)
{
    double best = 0.0;
    for (int run = 0; run < 3; ++run) {
        double seconds = 0.0;
        if (!runFfmpeg({ "-v", "error", "-nostdin", "-i", clip.path, "-f", "null", "-" }, &seconds))
            return NAN;
        best = std::max(best, frames / seconds);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    int seconds = 10;
    int seeks = 40;
    int steps = 75;
    const QStringList args = app.arguments();
    const bool sixOnly = args.contains(QStringLiteral("--six-only"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--seconds")
            seconds = std::max(2, args[i + 1].toInt());
        else if (args[i] == "--seeks")
            seeks = std::max(1, args[i + 1].toInt());
        else if (args[i] == "--steps")
            steps = std::max(1, args[i + 1].toInt());
    }
    const int frames = seconds * kFps;

    QTemporaryDir dir;
    const QString source = QStringLiteral("testsrc2=size=1920x1080:rate=%1:duration=%2").arg(kFps).arg(seconds);
    std::vector<Clip> clips = {
        { "prores", dir.filePath("prores.mov") },
        { "h264", dir.filePath("h264.mov") },
    };
    std::printf("making %d-frame 1080p%d clips...\n", frames, kFps);
    if (!runFfmpeg({ "-v", "error", "-nostdin", "-f", "lavfi", "-i", source, "-c:v", "prores", "-profile:v", "2",
            "-pix_fmt", "yuv422p10le", clips[0].path })
        || !runFfmpeg({ "-v", "error", "-nostdin", "-f", "lavfi", "-i", source, "-c:v", "libx264", "-preset",
            "veryfast", "-g", QString::number(kFps), "-pix_fmt", "yuv420p", clips[1].path }))
        return 1;

    sixPlayersFigures(clips[1], frames, steps);
    if (sixOnly)
        return 0;
    for (const Clip& clip : clips)
        std::printf("exact seek latency %-7s %7.1f ms per seek (%d random seeks)\n", clip.name,
            seekLatencyMs(clip, seeks, frames), seeks);
    for (const Clip& clip : clips)
        std::printf("reverse stepping   %-7s %7.1f frames per second (%d steps)\n", clip.name,
            reverseStepFps(clip, steps, frames), std::min(steps, frames - 1));

    double lowest = INFINITY;
    for (const Clip& clip : clips) {
        const double ours = forwardDecodeFps(clip, frames);
        const double theirs = ffmpegDecodeFps(clip, frames);
        std::printf("forward decode     %-7s %7.1f fps, ffmpeg -f null %7.1f fps, ratio %.3f\n", clip.name, ours,
            theirs, ours / theirs);
        lowest = std::min(lowest, ours / theirs);
    }
    std::printf("decode ratio player/ffmpeg = %.3f\n", lowest);

    const QString hq = dir.filePath("prores_hq.mov");
    const QString p4444 = dir.filePath("prores_4444.mov");
    if (!runFfmpeg({ "-v", "error", "-nostdin", "-f", "lavfi", "-i", source, "-c:v", "prores", "-profile:v", "3",
            "-pix_fmt", "yuv422p10le", hq })
        || !runFfmpeg({ "-v", "error", "-nostdin", "-f", "lavfi", "-i", source, "-c:v", "prores", "-profile:v", "4",
            "-pix_fmt", "yuv444p10le", p4444 }))
        return 1;
    double lowestShuttle = INFINITY;
    for (const Clip& clip : { Clip { "prores_hq", hq }, clips[1] }) {
        EngineRig rig;
        if (!rig.open(clip.path))
            return 1;
        const bool longGop = clip.path == clips[1].path;
        for (int direction : { 1, -1 }) {
            for (int speed : { 2, 4, 8 }) {
                const bool keyframesOnly = longGop && direction > 0 && speed >= 4;
                const ShuttleFigure f = shuttle(rig, direction, speed, keyframesOnly);
                std::printf("shuttle %-9s %s%dx %6.1f frames shown per second, %5.1f asked, ratio %.3f%s\n", clip.name,
                    direction > 0 ? "+" : "-", speed, f.shown, f.asked, f.shown / f.asked,
                    keyframesOnly ? " (keyframes only)" : "");
                lowestShuttle = std::min(lowestShuttle, f.shown / f.asked);
            }
        }
        std::printf("jog step  %-9s %7.1f ms per exact seek\n", clip.name, jogLatencyMs(rig, 20));
    }
    {
        EngineRig rig;
        if (!rig.open(p4444))
            return 1;
        int late = 0;
        int ticks = 0;
        playStart(rig, 5, &late, &ticks);
        std::printf("play start prores_4444: %d of %d display ticks late in the first 0.2 s\n", late, ticks);
    }
    std::printf("lowest shuttle ratio shown/asked = %.3f\n", lowestShuttle);
    return 0;
}
