// The playlist of a long shoot: 10,000 clips in a project folder.
//
// 1. Load: opening the project (read, decode, check every file on disk, publish), milliseconds.
// 2. Save: what saveState() costs the main thread (the list is handed to the writer queue), and
//    the whole save until the file is on disk (encode, write, sync, rename), milliseconds.
// 3. Add one: a finished recording added to the list, selected and saved, milliseconds on the
//    main thread.
//
//   bench_playlist [--clips N] [--runs N]
// The last line prints the worst main-thread save against one frame at 25 fps (40 ms); below 1
// means a save never holds up a frame.

#include "media/player/FFmpegMediaPlayer.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "playback/PlaybackViewModel.h"
#include "playback/PlaylistFile.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

struct Figures {
    double median = 0.0;
    double worst = 0.0;
};

Figures measure(int runs, const std::function<void()>& setUp, const std::function<void()>& timed)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        setUp();
        QElapsedTimer timer;
        timer.start();
        timed();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return { ms[ms.size() / 2], ms.back() };
}

playback::PlaybackState longShoot(const QString& folder, int count)
{
    playback::PlaybackState state;
    for (int i = 0; i < count; ++i) {
        playback::ClipItem clip;
        clip.id = QUuid::createUuid();
        const QString name = QStringLiteral("R%1-SC%2-T%3-Cam%4-2026-12-07.mov")
                                 .arg(1 + i / 2000)
                                 .arg(1 + i / 40)
                                 .arg(1 + (i / 4) % 10)
                                 .arg(1 + i % 4);
        clip.url = QUrl::fromLocalFile(folder + QStringLiteral("/media/") + name);
        clip.title = name;
        clip.duration = 30.0 + i % 97 * 0.52;
        if (i % 3 == 0) {
            clip.markIn = 2.5;
            clip.markOut = 20.04;
        }
        clip.reel = QString::number(1 + i / 2000);
        clip.scene = QString::number(1 + i / 40);
        clip.take = 1 + (i / 4) % 10;
        clip.inputNumber = 1 + i % 4;
        clip.isGood = i % 7 == 0;
        state.clips.append(clip);
    }
    state.selectedClipID = state.clips.first().id;
    return state;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int count = 10000;
    int runs = 15;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--clips") == 0)
            count = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }

    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("project"));
    const QByteArray file = playback::PlaylistFile::encode(longShoot(project, count));
    QDir().mkpath(project);
    if (!playback::PlaylistFile::writeAtomically(project + QStringLiteral("/playlist.json"), file)) {
        std::fprintf(stderr, "cannot write the playlist\n");
        return 1;
    }
    std::printf("playlist of %d clips, %.1f MB\n", count, file.size() / 1e6);

    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    settings::AppSettings settings(defaults);
    settings.setRecordingFolderPath(project);
    platform::ManualScheduler scheduler;
    platform::NotificationCenter notifications;
    playback::PlaybackViewModel vm(settings, media::FFmpegMediaPlayer::factory(), scheduler, notifications);

    const Figures load = measure(
        runs, [&] { vm.enterProjectSelectionMode(); }, [&] { vm.exitProjectSelectionMode(); });
    if (vm.clips().size() != count) {
        std::fprintf(stderr, "loaded %lld clips instead of %d\n", static_cast<long long>(vm.clips().size()), count);
        return 1;
    }
    const Figures saveMain = measure(
        runs, [&] { vm.flushPendingSaves(); }, [&] { vm.saveState(); });
    const Figures saveWhole = measure(
        runs, [] {},
        [&] {
            vm.saveState();
            vm.flushPendingSaves();
        });
    int added = 0;
    const Figures addOne = measure(
        runs, [&] { vm.flushPendingSaves(); },
        [&] {
            vm.addClipFromRecording(QUrl::fromLocalFile(
                QStringLiteral("%1/media/R9-SC9-T%2-Cam1-2026-12-07.mov").arg(project).arg(++added)));
        });
    vm.flushPendingSaves();

    std::printf("load               median %8.2f ms, worst %8.2f ms\n", load.median, load.worst);
    std::printf("save (main thread) median %8.2f ms, worst %8.2f ms\n", saveMain.median, saveMain.worst);
    std::printf("save (to disk)     median %8.2f ms, worst %8.2f ms\n", saveWhole.median, saveWhole.worst);
    std::printf("add one recording  median %8.2f ms, worst %8.2f ms\n", addOne.median, addOne.worst);
    std::printf("ratio save-main-thread-worst/frame-25fps = %.3f\n", saveMain.worst / 40.0);
    return 0;
}
