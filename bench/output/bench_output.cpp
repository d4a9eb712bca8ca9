// The program output's frame work and its pacing.
//
// Google Benchmark cases: a 2x2 grid of four 1080p frames composed into a 1080p canvas (our
// compositor, as the engine composes take previews and capture grids) against one memcpy of a
// 1080p output frame and against libswscale doing the four halvings; output preparation of a
// 720p frame scaled to 1080p and of a 1080i frame deinterlaced, against libswscale scaling the
// same frame (bilinear and Lanczos).
//
// Then the cadence pump on the real clock: four simulated 1080p60 card inputs through the engine,
// composed as a grid for a 1080p60 output on the simulated card, for 60 s (or the seconds in
// CORVALE_BENCH_OUTPUT_SECONDS). Prints the p50, p99 and largest deviation of the tick interval
// from 1/60 s. Last line: the grid/memcpy ratio.

#include "../BenchCardInputs.h"
#include "../BenchRatio.h"

#include "capture/RecordViewModel.h"
#include "decklink/sim/DeckLinkSimControl.h"
#include "media/frame/FrameCompositor.h"
#include "media/frame/FrameFields.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/QtScheduler.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

media::Frame picture(int width, int height, std::uint32_t seed)
{
    media::MutableFrame frame(media::PixelFormat::BGRA, width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(frame.row(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xFF000000u | ((std::uint32_t(x) * 7 + std::uint32_t(y) * 13 + seed) & 0xFFFFFFu);
    }
    return std::move(frame).share();
}

void BM_Memcpy1080p(benchmark::State& state)
{
    const media::Frame source = picture(1920, 1080, 1);
    media::MutableFrame target(media::PixelFormat::BGRA, 1920, 1080);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.rowBytes() * 1080);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy1080p)->Unit(benchmark::kMillisecond);

void BM_Grid2x2(benchmark::State& state)
{
    QHash<QUuid, media::Frame> frames;
    QList<QUuid> order;
    for (std::uint32_t i = 0; i < 4; ++i) {
        order.append(QUuid::createUuid());
        frames.insert(order.back(), picture(1920, 1080, i));
    }
    for (auto _ : state) {
        media::Frame grid = capture::RecordViewModel::composePlaybackGrid(frames, order, { 1920, 1080 });
        benchmark::DoNotOptimize(grid.data());
    }
}
BENCHMARK(BM_Grid2x2)->Unit(benchmark::kMillisecond);

void swscaleInto(SwsContext* context, const media::Frame& source, std::uint8_t* target, std::size_t rowBytes)
{
    const std::uint8_t* planes[4] = { source.data(), nullptr, nullptr, nullptr };
    const int strides[4] = { int(source.rowBytes()), 0, 0, 0 };
    std::uint8_t* out[4] = { target, nullptr, nullptr, nullptr };
    const int outStrides[4] = { int(rowBytes), 0, 0, 0 };
    sws_scale(context, planes, strides, 0, source.height(), out, outStrides);
}

void BM_Grid2x2Swscale(benchmark::State& state)
{
    std::vector<media::Frame> sources;
    for (std::uint32_t i = 0; i < 4; ++i)
        sources.push_back(picture(1920, 1080, i));
    SwsContext* context = sws_getContext(
        1920, 1080, AV_PIX_FMT_BGRA, 960, 540, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    for (auto _ : state) {
        media::MutableFrame canvas = media::FrameCompositor::blackCanvas({ 1920, 1080 });
        for (int i = 0; i < 4; ++i)
            swscaleInto(
                context, sources[std::size_t(i)], canvas.row(540 * (i / 2)) + 4 * 960 * (i % 2), canvas.rowBytes());
        benchmark::DoNotOptimize(canvas.data());
    }
    sws_freeContext(context);
}
BENCHMARK(BM_Grid2x2Swscale)->Unit(benchmark::kMillisecond);

void BM_Prepare720pTo1080p(benchmark::State& state)
{
    const media::Frame source = picture(1280, 720, 3);
    for (auto _ : state) {
        media::Frame scaled = capture::RecordViewModel::resizePixelBuffer(source, { 1920, 1080 });
        benchmark::DoNotOptimize(scaled.data());
    }
}
BENCHMARK(BM_Prepare720pTo1080p)->Unit(benchmark::kMillisecond);

void swscale720pTo1080p(benchmark::State& state, int flags)
{
    const media::Frame source = picture(1280, 720, 3);
    SwsContext* context
        = sws_getContext(1280, 720, AV_PIX_FMT_BGRA, 1920, 1080, AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr);
    for (auto _ : state) {
        media::MutableFrame target(media::PixelFormat::BGRA, 1920, 1080);
        swscaleInto(context, source, target.data(), target.rowBytes());
        benchmark::DoNotOptimize(target.data());
    }
    sws_freeContext(context);
}
void BM_Swscale720pTo1080pBilinear(benchmark::State& state)
{
    swscale720pTo1080p(state, SWS_BILINEAR);
}
BENCHMARK(BM_Swscale720pTo1080pBilinear)->Unit(benchmark::kMillisecond);
void BM_Swscale720pTo1080pLanczos(benchmark::State& state)
{
    swscale720pTo1080p(state, SWS_LANCZOS);
}
BENCHMARK(BM_Swscale720pTo1080pLanczos)->Unit(benchmark::kMillisecond);

void BM_Deinterlace1080i(benchmark::State& state)
{
    const media::Frame source = picture(1920, 1080, 5).withFieldInfo({ 2, media::FieldDetail::TemporalTopFirst });
    for (auto _ : state) {
        media::Frame blended = media::deinterlacePixelBuffer(source);
        benchmark::DoNotOptimize(blended.data());
    }
}
BENCHMARK(BM_Deinterlace1080i)->Unit(benchmark::kMillisecond);

// The pump's tick intervals with four live 1080p60 inputs composed into a 1080p60 output.
void measurePumpJitter(int argc, char** argv, double seconds)
{
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    setenv("CORVALE_SIM_DECKLINK_DEVICES", "4", 1);
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    platform::UserDefaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    settings::AppSettings appSettings(defaults);
    appSettings.setProjectFormat(settings::CaptureFormat::hd1080p60);
    platform::QtScheduler scheduler;
    platform::NotificationCenter notifications;
    const std::string noDevices = folder.filePath(QStringLiteral("no-devices")).toStdString();
    capture::RecordViewModel engine({ appSettings, scheduler, platform::MediaClock::system(), notifications,
        capture::RecordViewModel::CardSystem::installed(), { noDevices, std::string() } });
    if (!bench::startFourCardInputs1080p60(engine))
        return;
    engine.setOutputSourceMode(capture::OutputSourceMode::capture);
    engine.refreshOutputDevices();
    engine.toggleOutput();

    std::mutex mutex;
    std::vector<double> ticks;
    ticks.reserve(std::size_t(seconds * 70) + 16);
    bool recording = false;
    engine.setOutputTickObserver([&] {
        const double now = platform::MediaClock::system().now();
        std::lock_guard lock(mutex);
        if (recording)
            ticks.push_back(now);
    });
    QTimer::singleShot(2000, &app, [&] {
        std::lock_guard lock(mutex);
        recording = true;
    });
    QTimer::singleShot(int((2 + seconds) * 1000), &app, &QCoreApplication::quit);
    app.exec();
    const bool outputRan = engine.isOutputOn();
    engine.setOutputTickObserver({});
    for (int i = 0; i < 4; ++i)
        engine.stopCaptureAllSources(i);
    engine.stopOutput();
    QCoreApplication::processEvents();

    std::vector<double> deviations;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        deviations.push_back(std::abs(ticks[i] - ticks[i - 1] - 1.0 / 60));
    std::sort(deviations.begin(), deviations.end());
    auto percentile = [&](double p) {
        return deviations.empty() ? 0.0 : deviations[std::size_t(p * double(deviations.size() - 1))];
    };
    std::printf("pump at 60 fps with four live 1080p60 inputs, %.0f s, %zu ticks (expected %.0f), output %s: tick "
                "interval deviation p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
        seconds, ticks.size(), seconds * 60, outputRan ? "on" : "off", percentile(0.5) * 1e3, percentile(0.99) * 1e3,
        deviations.empty() ? 0.0 : deviations.back() * 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    const char* configured = std::getenv("CORVALE_BENCH_OUTPUT_SECONDS");
    const double seconds = configured ? std::atof(configured) : 60.0;
    if (seconds > 0)
        measurePumpJitter(argc, argv, seconds);
    return bench::runWithRatio(argc, argv, "BM_Grid2x2", "BM_Memcpy1080p");
}
