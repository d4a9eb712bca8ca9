// Player figures at 1080p on clips made by the ffmpeg command line:
//
// 1. Exact-seek latency per codec: random targets, each seek issued and waited for until its
//    picture is on show (milliseconds per seek).
// 2. Reverse frame stepping per codec (ProRes, H.264 with a one-second GOP): one exact seek per
//    frame going backwards, frames per second.
// 3. Forward decode throughput: the player decoding a clip from start to end into BGRA frames,
//    its clock moved one frame at a time as each picture arrives, against
//    `ffmpeg -i clip -f null -` on the same clip.
//
//   bench_player [--seconds S] [--seeks N] [--steps N]
// The last line prints the decode ratio (player frames per second / ffmpeg's, higher is better).

#include "media/player/FFmpegMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
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
    return 0;
}
