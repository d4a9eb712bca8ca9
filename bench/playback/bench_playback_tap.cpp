// The main player's tap feeding the program output: a 1080p25 clip (made by the ffmpeg command
// line) plays on the real player while the tap hands its frames to the capture engine, which
// sends them to a 1080p25 output on the simulated card, for 30 s (or the seconds in
// CORVALE_BENCH_TAP_SECONDS) on the real clock and timers.
//
// Prints the clip frames delivered against those the clip holds in that time, the ticks that
// re-sent a frame already delivered (the tap runs at 30 per second for a 25 fps output), the
// frames the tap skipped, and the deviation of the tick interval from the timer's (p50, p99,
// largest). Last line: the ratio of frames delivered to frames expected.

#include "capture/RecordViewModel.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/QtScheduler.h"
#include "platform/UserDefaults.h"
#include "playback/taps/PlaybackDeckLinkTap.h"
#include "playback/taps/RecordViewModelTapSink.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

constexpr double kClipFps = 25.0;

// Counts what the tap hands over, then passes it on to the capture engine.
class MeasuringSink final : public playback::PlaybackTapSink {
public:
    explicit MeasuringSink(playback::PlaybackTapSink& next)
        : next_(next)
    {
    }
    double playbackDeckLinkTapFPSHint() const override { return next_.playbackDeckLinkTapFPSHint(); }
    void handlePlaybackOutput(
        const media::Frame& frame, capture::PlaybackOutputSource source, std::optional<double> time) override
    {
        if (recording) {
            ticks.push_back(platform::MediaClock::system().now());
            frameNumbers.push_back(std::llround(time.value_or(-1.0) * kClipFps));
        }
        next_.handlePlaybackOutput(frame, source, time);
    }
    void handlePlaybackMultiView(const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order) override
    {
        next_.handlePlaybackMultiView(frames, order);
    }

    std::atomic<bool> recording = false; // also read by the output's tick observer
    std::vector<double> ticks;
    std::vector<long long> frameNumbers;

private:
    playback::PlaybackTapSink& next_;
};

bool makeClip(const QString& path, double seconds)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
            QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc2=size=1920x1080:rate=25"),
            QStringLiteral("-t"), QString::number(seconds), QStringLiteral("-c:v"), QStringLiteral("libx264"),
            QStringLiteral("-preset"), QStringLiteral("ultrafast"), QStringLiteral("-g"), QStringLiteral("25"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path });
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", process.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    setenv("CORVALE_SIM_DECKLINK_DEVICES", "1", 1);
    const char* configured = std::getenv("CORVALE_BENCH_TAP_SECONDS");
    const double seconds = std::max(1.0, configured ? std::atof(configured) : 30.0);
    constexpr double kWarmUp = 2.0;

    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString clipPath = folder.filePath(QStringLiteral("clip-1080p25.mp4"));
    if (!makeClip(clipPath, seconds + kWarmUp + 3)) {
        std::printf("ratio delivered/expected = n/a (no clip)\n");
        return 1;
    }

    platform::UserDefaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    settings::AppSettings appSettings(defaults);
    platform::QtScheduler scheduler;
    platform::NotificationCenter notifications;
    auto& clock = platform::MediaClock::system();
    const std::string noDevices = folder.filePath(QStringLiteral("no-devices")).toStdString();
    capture::RecordViewModel engine({ appSettings, scheduler, clock, notifications,
        capture::RecordViewModel::CardSystem::installed(), { noDevices, std::string() } });
    engine.setOutputFormat(settings::CaptureFormat::hd1080p25);
    engine.setOutputSourceMode(capture::OutputSourceMode::playback);
    engine.setOutputPlaybackSource(capture::PlaybackOutputSource::main);
    engine.refreshOutputDevices();
    engine.toggleOutput();
    media::FFmpegMediaPlayer player(clock, scheduler);
    player.replaceCurrentItem(media::PlayerItem::create(QUrl::fromLocalFile(clipPath)));
    player.play();

    auto* engineSink = new playback::RecordViewModelTapSink(engine);
    MeasuringSink sink(*engineSink);
    playback::PlaybackDeckLinkTap tap(player, &sink, capture::PlaybackOutputSource::main, scheduler, clock);
    tap.start();

    std::atomic<int> outputTicks = 0;
    engine.setOutputTickObserver([&] {
        if (sink.recording)
            ++outputTicks;
    });

    QTimer::singleShot(int(kWarmUp * 1000), &app, [&] { sink.recording = true; });
    QTimer::singleShot(int((kWarmUp + seconds) * 1000), &app, [&] {
        sink.recording = false;
        QCoreApplication::quit();
    });
    app.exec();
    const double tapFPS = tap.currentTimerFPS();
    const bool outputRan = engine.isOutputOn();
    tap.stop();
    engine.setOutputTickObserver({});
    engine.stopOutput();
    QCoreApplication::processEvents();

    // Each clip frame counts once; a tick that sent a frame already sent is a repeat; a gap in the
    // frame numbers is a frame the tap never saw.
    std::set<long long> distinct(sink.frameNumbers.begin(), sink.frameNumbers.end());
    long long skipped = 0;
    for (std::size_t i = 1; i < sink.frameNumbers.size(); ++i)
        skipped += std::max(0LL, sink.frameNumbers[i] - sink.frameNumbers[i - 1] - 1);
    const double expected = seconds * kClipFps;
    const auto repeats = sink.frameNumbers.size() - distinct.size();
    std::vector<double> deviations;
    for (std::size_t i = 1; i < sink.ticks.size(); ++i)
        deviations.push_back(std::abs(sink.ticks[i] - sink.ticks[i - 1] - 1.0 / tapFPS) * 1e3);
    std::sort(deviations.begin(), deviations.end());
    auto percentile = [&](double p) {
        return deviations.empty() ? 0.0 : deviations[std::size_t(p * double(deviations.size() - 1))];
    };
    std::printf("tap at %.0f per second, %.0f s of a 1080p25 clip, output %s (%d output ticks, expected %.0f)\n",
        tapFPS, seconds, outputRan ? "on" : "off", outputTicks.load(), seconds * kClipFps);
    std::printf("ticks %zu (expected %.0f), frames delivered %zu (expected %.0f), repeats %zu, skipped %lld\n",
        sink.ticks.size(), seconds * tapFPS, distinct.size(), expected, repeats, skipped);
    std::printf("tick interval deviation: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", percentile(0.5), percentile(0.99),
        deviations.empty() ? 0.0 : deviations.back());
    std::printf("ratio delivered/expected = %.3f\n", double(distinct.size()) / expected);
    return 0;
}
