// The whole playback screen at 1520 x 920, offscreen, on real engines: the capture engine on the
// simulated card, the playback engine on the FFmpeg player with clips made by the ffmpeg command
// line, on the real clock and timers. Each scenario runs for 10 s (--seconds N) after 1 s of
// warm-up, with the paint statistics switched on (CORVALE_PAINT_STATS):
//   (a) capture: four 1080p25 inputs (previews at 20 Hz, timecodes at 25 Hz), main and mini views;
//   (b) the same with four UHD inputs;
//   (c) one 1080p clip at 25, 50 and 60 fps in the main, mini and external views;
//   (d) a take of four clips as one row and as a grid at 25 fps;
//   (e) 100 seek-slider moves a second for 5 s on a paused clip;
//   (f) a playlist of 2,000 clips: rebuild, good toggle, scrolling, playhead ticks.
// Figures: main-thread CPU per wall time, event-loop lag (a 5 ms probe), frames presented per
// frame produced (picture views' paints against the clip's frames), seeks per displayed frame,
// list timings, and the three most expensive widget classes of each scenario. The last line is
// the largest ratio of a measured figure to its budget ("ratio worst/budget = x").
//
//   bench_playback_screen [--seconds N] [--only abcdef]

#include "BenchCardInputs.h"
#include "capture/RecordViewModel.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/QtScheduler.h"
#include "platform/UserDefaults.h"
#include "playback/PlaybackViewModel.h"
#include "playback/PlaylistFile.h"
#include "playback_screen/ExternalPlaybackWindowController.h"
#include "playback_screen/PlaybackView.h"
#include "playback_screen/PlayerView.h"
#include "playback_screen/PlaylistDelegate.h"
#include "playback_screen/PlaylistListView.h"
#include "playback_screen/PlaylistModel.h"
#include "playback_screen/PlaylistPane.h"
#include "projects/ProjectLibraryStore.h"
#include "settings/AppSettings.h"
#include "settings/RecordSidebarState.h"
#include "ui/DialogService.h"
#include "ui/PaintStats.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace {

using playback_screen::PlaybackView;

// Answers every question with its cancel button and every panel with nothing.
class SilentDialogs final : public ui::DialogService {
public:
    void showAlert(QWidget*, const ui::AlertRequest&, std::function<void(int)> done) override { done(0); }
    void showOpenPanel(QWidget*, const ui::OpenPanelRequest&, std::function<void(const QStringList&)> done) override
    {
        done({});
    }
    void showSavePanel(
        QWidget*, const ui::SavePanelRequest&, std::function<void(const std::optional<QString>&)> done) override
    {
        done(std::nullopt);
    }
};

enum class Budget { atMost, atLeast, none };

struct Row {
    std::string scenario;
    std::string metric;
    double measured;
    double budget;
    Budget kind;
    std::string unit;

    double ratio() const
    {
        if (kind == Budget::none)
            return 0.0;
        if (kind == Budget::atLeast)
            return measured > 0.0 ? budget / measured : std::numeric_limits<double>::infinity();
        return budget > 0.0 ? measured / budget : (measured > 0.0 ? measured : 0.0);
    }
};

std::vector<Row> rows;

void add(const std::string& scenario, const std::string& metric, double measured, double budget, Budget kind,
    const std::string& unit)
{
    rows.push_back({ scenario, metric, measured, budget, kind, unit });
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

bool makeClip(const QString& path, int fps, double seconds)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
            QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc2=size=1920x1080:rate=%1").arg(fps),
            QStringLiteral("-t"), QString::number(seconds), QStringLiteral("-c:v"), QStringLiteral("libx264"),
            QStringLiteral("-preset"), QStringLiteral("ultrafast"), QStringLiteral("-g"), QString::number(fps),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path });
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", process.readAllStandardError().constData());
        return false;
    }
    return true;
}

playback::ClipItem clipFor(const QString& path, std::optional<qint64> take, std::optional<qint64> input)
{
    playback::ClipItem clip;
    clip.id = QUuid::createUuid();
    clip.url = QUrl::fromLocalFile(path);
    clip.title = QFileInfo(path).fileName();
    clip.take = take;
    clip.inputNumber = input;
    return clip;
}

// Everything the screen is built over, as the application makes it.
struct Station {
    explicit Station(const QString& folder)
        : defaults(folder + QStringLiteral("/defaults.json"))
        , settings(defaults)
        , engine({ settings, scheduler, platform::MediaClock::system(), notifications,
              capture::RecordViewModel::CardSystem::installed(),
              { (folder + QStringLiteral("/no-cameras")).toStdString(), std::string() } })
        , vm(settings, media::FFmpegMediaPlayer::factory(), scheduler, notifications)
        , library(settings, defaults)
        , sidebar(defaults)
    {
        settings.setRecordingFolderPath(folder + QStringLiteral("/project"));
        QDir().mkpath(folder + QStringLiteral("/project"));
    }

    // Replaces the playlist with `clips` as opening a project would.
    void openPlaylist(const QList<playback::ClipItem>& clips)
    {
        const QString project = settings.recordingFolderPath().value_or(QString());
        vm.enterProjectSelectionMode();
        playback::PlaybackState state;
        state.clips = clips;
        if (!playback::PlaylistFile::writeAtomically(
                project + QStringLiteral("/playlist.json"), playback::PlaylistFile::encode(state)))
            std::fprintf(stderr, "cannot write the playlist\n");
        vm.exitProjectSelectionMode();
    }

    platform::UserDefaults defaults;
    settings::AppSettings settings;
    platform::QtScheduler scheduler;
    platform::NotificationCenter notifications;
    capture::RecordViewModel engine;
    playback::PlaybackViewModel vm;
    projects::ProjectLibraryStore library;
    settings::RecordSidebarState sidebar;
    SilentDialogs dialogs;
};

void spin(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Window {
    double wall = 0.0;
    double cpu = 0.0;
    double cpuShare() const { return wall > 0.0 ? cpu / wall : 0.0; }
};

// Warm-up, then `seconds` of the event loop measured from a clean slate.
Window measure(ui::PaintStats& stats, double seconds)
{
    spin(1.0);
    stats.reset();
    const double cpu = ui::PaintStats::threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    spin(seconds);
    return { wall.nsecsElapsed() / 1e9, ui::PaintStats::threadCpuSeconds() - cpu };
}

int visiblePlayerViews()
{
    int count = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (auto* view : top->findChildren<playback_screen::PlayerView*>())
            count += view->isVisible() ? 1 : 0;
    return count;
}

void printHeaviest(const std::string& scenario, const ui::PaintStats& stats)
{
    auto figures = stats.paintsByClass();
    std::vector<std::pair<QString, ui::PaintStats::ClassFigures>> sorted(
        figures.keyValueBegin(), figures.keyValueEnd());
    std::sort(
        sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second.totalMs > b.second.totalMs; });
    for (size_t i = 0; i < std::min<size_t>(3, sorted.size()); ++i)
        std::printf("  %-4s paints %-44s %6d  p95 %6.2f ms  total %8.1f ms\n", scenario.c_str(),
            qPrintable(sorted[i].first), sorted[i].second.paints, sorted[i].second.p95Ms, sorted[i].second.totalMs);
}

void runCapture(Station& st, PlaybackView& view, ui::PaintStats& stats, double seconds, bool uhd)
{
    const std::string name = uhd ? "b" : "a";
    for (int i = 0; uhd && i < 4; ++i) {
        st.engine.stopCaptureAllSources(i);
        corvale_sim_set_source_mode(i, '4k25');
        st.engine.setSelectedFormat(i, settings::CaptureFormat::uhd2160p25);
        st.engine.startCapture(i);
    }
    st.engine.setOutputSourceMode(capture::OutputSourceMode::capture);
    view.setCenterMode(playback_screen::CenterMode::capture);
    int previews = 0;
    spin(0.5);
    std::uint64_t received = 0;
    for (int i = 0; i < 4; ++i)
        received += st.engine.receivedFrameCount(i);
    const auto counting
        = QObject::connect(&st.engine, &capture::RecordViewModel::previewImagesChanged, [&previews] { ++previews; });
    const Window w = measure(stats, seconds);
    QObject::disconnect(counting);
    for (int i = 0; i < 4; ++i)
        received -= st.engine.receivedFrameCount(i);
    add(name, "input frames received per second",
        -static_cast<double>(static_cast<std::int64_t>(received)) / (w.wall + 1.0), 0.0, Budget::none, "/s");
    // The inputs' pictures really arrive (counted over the warm-up second too).
    add(name, "previews published per second", previews / (w.wall + 1.0), 0.0, Budget::none, "/s");
    add(name, "main thread CPU", 100.0 * w.cpuShare(), uhd ? 40.0 : 25.0, Budget::atMost, "%");
    add(name, "event-loop lag p95", stats.lagPercentileMs(0.95), 8.0, Budget::atMost, "ms");
    printHeaviest(name, stats);
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 10.0;
    std::string only = "abcdef";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1.0, std::atof(argv[i + 1]));
        else if (std::strcmp(argv[i], "--only") == 0)
            only = argv[i + 1];
    }
    const auto wanted = [&](char scenario) { return only.find(scenario) != std::string::npos; };
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    setenv("CORVALE_SIM_DECKLINK_DEVICES", "4", 1);
    setenv(ui::PaintStats::environmentVariable, "1", 1);

    QApplication app(argc, argv);
    QTemporaryDir folder;
    Station st(folder.path());
    ui::PaintStats* stats = ui::PaintStats::installIfEnabled(&app);

    // Clips: 1080p at 25, 50 and 60 fps, long enough for warm-up and measuring.
    const double clipSeconds = seconds + 4.0;
    QList<playback::ClipItem> clips;
    for (int fps : { 25, 50, 60 }) {
        const QString path = folder.filePath(QStringLiteral("clip-1080p%1.mp4").arg(fps));
        if ((wanted('c') || (fps == 25 && (wanted('d') || wanted('e') || wanted('f'))))
            && !makeClip(path, fps, fps == 25 ? clipSeconds : clipSeconds)) {
            std::printf("ratio worst/budget = n/a (no clip)\n");
            return 1;
        }
        clips << clipFor(path, std::nullopt, std::nullopt);
    }
    for (int cam = 1; cam <= 4; ++cam) {
        const QString path = folder.filePath(QStringLiteral("R1-SC1-T1-Cam%1.mp4").arg(cam));
        QFile::copy(folder.filePath(QStringLiteral("clip-1080p25.mp4")), path);
        clips << clipFor(path, 1, cam);
    }
    st.openPlaylist(clips);

    PlaybackView view({ st.vm, st.engine, st.library, st.settings, st.sidebar, st.dialogs, st.scheduler });
    view.resize(1520, 920);
    view.show();
    spin(0.5);
    auto* pane = view.findChild<playback_screen::PlaylistPane*>();
    std::printf("bench_playback_screen: offscreen 1520x920, %.0f s per scenario, %d cores\n", seconds,
        QThread::idealThreadCount());

    if (wanted('a') || wanted('b')) {
        if (!bench::startFourCardInputs(st.engine, 'Hp25', settings::CaptureFormat::hd1080p25)) {
            std::printf("ratio worst/budget = n/a (card inputs)\n");
            return 1;
        }
        if (wanted('a'))
            runCapture(st, view, *stats, seconds, false);
        if (wanted('b'))
            runCapture(st, view, *stats, seconds, true);
        for (int i = 0; i < 4; ++i)
            st.engine.stopCaptureAllSources(i);
    }
    view.setCenterMode(playback_screen::CenterMode::playback);
    st.engine.setOutputSourceMode(capture::OutputSourceMode::playback);

    if (wanted('c')) {
        playback_screen::ExternalPlaybackWindowController::shared().show(st.vm, st.settings, st.scheduler);
        for (int i = 0; i < 3; ++i) {
            const int fps = (i == 0 ? 25 : i == 1 ? 50 : 60);
            const std::string name = "c" + std::to_string(fps);
            st.vm.selectClipSingle(clips[i].id);
            spin(0.3);
            if (!st.vm.isPlaying())
                st.vm.togglePlayPause();
            const Window w = measure(*stats, seconds);
            const int views = std::max(1, visiblePlayerViews());
            const double produced = fps * w.wall * views;
            const double presented = std::min(
                produced, static_cast<double>(stats->paintCount(QStringLiteral("playback_screen::PlayerView"))));
            if (st.vm.isPlaying())
                st.vm.togglePlayPause();
            add(name, "main thread CPU", 100.0 * w.cpuShare(), 35.0, fps == 60 ? Budget::atMost : Budget::none, "%");
            add(name, "presented/produced (" + std::to_string(views) + " views)", 100.0 * presented / produced, 99.0,
                Budget::atLeast, "%");
            printHeaviest(name, *stats);
        }
        if (QWidget* external = playback_screen::ExternalPlaybackWindowController::shared().window())
            external->hide();
    }

    if (wanted('d')) {
        for (bool row : { true, false }) {
            const std::string name = row ? "d row" : "d grid";
            st.sidebar.setCollapsed(row);
            st.vm.selectClipSingle(clips[3].id);
            st.vm.previewTake(1);
            spin(0.3);
            if (!st.vm.isPlaying())
                st.vm.togglePlayPause();
            const Window w = measure(*stats, seconds);
            const int views = visiblePlayerViews();
            const double produced = 25.0 * w.wall * std::max(1, views);
            const double presented = std::min(
                produced, static_cast<double>(stats->paintCount(QStringLiteral("playback_screen::PlayerView"))));
            if (st.vm.isPlaying())
                st.vm.togglePlayPause();
            // No picture view in the take view yet: nothing to measure, nothing counted.
            add(name,
                views > 0 ? "presented/produced (" + std::to_string(views) + " views)" : "presented (no tile views)",
                100.0 * presented / produced, 98.0, views > 0 ? Budget::atLeast : Budget::none, "%");
            add(name, "main thread CPU", 100.0 * w.cpuShare(), 0.0, Budget::none, "%");
            printHeaviest(name, *stats);
            st.vm.previewTake(std::nullopt);
        }
        st.sidebar.setCollapsed(false);
    }

    if (wanted('e')) {
        st.vm.selectClipSingle(clips[0].id);
        spin(0.5);
        auto* slider = view.findChild<QSlider*>(QStringLiteral("seekSlider"));
        int seeks = 0;
        const auto counting
            = QObject::connect(&st.vm, &playback::PlaybackViewModel::currentTimeChanged, [&] { ++seeks; });
        QTimer mover;
        mover.setTimerType(Qt::PreciseTimer);
        int step = 0;
        QObject::connect(&mover, &QTimer::timeout, [&] {
            // A drag back and forth over the first eight seconds, a new place every move.
            slider->setSliderDown(true);
            slider->setSliderPosition(static_cast<int>(200 + (step * 37 % 400) * 20));
            ++step;
        });
        const double dragSeconds = std::min(5.0, seconds);
        stats->reset();
        seeks = 0;
        const double cpu = ui::PaintStats::threadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        mover.start(10);
        spin(dragSeconds);
        mover.stop();
        slider->setSliderDown(false);
        const Window w { wall.nsecsElapsed() / 1e9, ui::PaintStats::threadCpuSeconds() - cpu };
        QObject::disconnect(counting);
        const int views = std::max(1, visiblePlayerViews());
        const double displayed = std::max(
            1.0, static_cast<double>(stats->paintCount(QStringLiteral("playback_screen::PlayerView"))) / views);
        add("e", "slider moves per second", step / w.wall, 0.0, Budget::none, "/s");
        add("e", "seeks per displayed frame", seeks / displayed, 1.0, Budget::atMost, "");
        add("e", "main thread CPU", 100.0 * w.cpuShare(), 0.0, Budget::none, "%");
        printHeaviest("e", *stats);
    }

    if (wanted('f') && pane) {
        QList<playback::ClipItem> many;
        many << clips[0]; // a real clip, to run the playhead over the long list
        for (int i = 1; i < 2000; ++i) {
            playback::ClipItem clip = clipFor(
                folder.filePath(
                    QStringLiteral("media/R1-SC%1-T%2-Cam%3.mov").arg(1 + i / 40).arg(1 + (i / 4) % 10).arg(1 + i % 4)),
                1 + (i / 4) % 10, 1 + i % 4);
            clip.duration = 30.0 + i % 97 * 0.52;
            clip.isGood = i % 7 == 0;
            many << clip;
        }
        st.openPlaylist(many);
        spin(0.3);
        playback_screen::PlaylistModel& model = *pane->model();
        playback_screen::PlaylistListView& list = *pane->list();
        std::vector<double> rebuilds;
        for (int i = 0; i < 20; ++i) {
            view.setCollapsedTakes(i % 2 ? playback_screen::TakeKeySet {} : playback_screen::TakeKeySet { 3 });
            QElapsedTimer t;
            t.start();
            model.refresh();
            rebuilds.push_back(t.nsecsElapsed() / 1e6);
        }
        view.setCollapsedTakes({});
        model.refresh();
        QApplication::processEvents();
        add("f", "rebuild 2,000 clips p95", percentile(rebuilds, 0.95), 10.0, Budget::atMost, "ms");

        // A good toggle: the time until the row is repainted, and the rows repainted.
        const int row = list.indexAt(QPoint(200, list.viewport()->height() / 2)).row();
        const playback::ClipItem* target = model.clipAt(row) ? model.clipAt(row) : model.clipAt(row + 1);
        std::vector<double> toggles;
        const int paintsBefore = pane->delegate()->rowPaints();
        for (int i = 0; i < 10 && target; ++i) {
            const QUuid id = target->id;
            QElapsedTimer t;
            t.start();
            const int painted = pane->delegate()->rowPaints();
            st.vm.toggleGoodClip(id);
            // The model's refresh (next turn), then the repaint of what it changed.
            for (int turn = 0; turn < 100 && pane->delegate()->rowPaints() == painted; ++turn)
                QApplication::processEvents();
            toggles.push_back(t.nsecsElapsed() / 1e6);
            target = model.clipAt(*model.rowOf(id));
        }
        add("f", "good toggle until repainted p95", percentile(toggles, 0.95), 1000.0 / 60.0, Budget::atMost, "ms");
        add("f", "rows repainted per toggle", (pane->delegate()->rowPaints() - paintsBefore) / 10.0, 1.0,
            Budget::atMost, "");

        std::vector<double> scrolls;
        QScrollBar* bar = list.verticalScrollBar();
        for (int i = 0; i < 120; ++i) {
            QElapsedTimer t;
            t.start();
            bar->setValue(bar->value() + 29);
            list.viewport()->repaint();
            scrolls.push_back(t.nsecsElapsed() / 1e6);
        }
        add("f", "scroll step p95", percentile(scrolls, 0.95), 1000.0 / 60.0, Budget::atMost, "ms");

        view.setUiSelectedClipID(many[0].id);
        spin(0.5);
        if (!st.vm.isPlaying())
            st.vm.togglePlayPause();
        spin(0.5);
        const int rowsBefore = pane->delegate()->rowPaints();
        const int rebuildsBefore = model.rebuildCount();
        spin(std::min(3.0, seconds));
        add("f", "rows repainted while playing", pane->delegate()->rowPaints() - rowsBefore, 0.0, Budget::atMost, "");
        add("f", "rebuilds while playing", model.rebuildCount() - rebuildsBefore, 0.0, Budget::atMost, "");
        if (st.vm.isPlaying())
            st.vm.togglePlayPause();
    }

    std::printf("\n%-8s %-40s %12s %12s %8s\n", "scenario", "figure", "measured", "budget", "ratio");
    double worst = 0.0;
    for (const Row& r : rows) {
        const char* sign = r.kind == Budget::atMost ? "<=" : r.kind == Budget::atLeast ? ">=" : "";
        char budget[32] = "-";
        if (r.kind != Budget::none)
            std::snprintf(budget, sizeof budget, "%s %.1f %s", sign, r.budget, r.unit.c_str());
        std::printf("%-8s %-40s %9.2f %-3s %12s %8.2f\n", r.scenario.c_str(), r.metric.c_str(), r.measured,
            r.unit.c_str(), budget, r.ratio());
        worst = std::max(worst, r.ratio());
    }
    std::printf("ratio worst/budget = %.3f\n", worst);
    return 0;
}
