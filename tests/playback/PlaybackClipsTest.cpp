// Adding clips (panel and finished recordings), slates from file names, thumbnails and formats,
// the format and time helpers, good takes and the good-takes report.

#include "PlaybackTestSupport.h"
#include "PlayerTestSupport.h"

#include "playback/PlaylistFile.h"

#include <QFile>
#include <QSignalSpy>

using playback::PlaybackViewModel;

namespace playback_test {

namespace {

media::MediaInfo videoInfo(int width, int height, int rotation, double fps)
{
    media::MediaInfo info;
    info.hasVideo = true;
    info.naturalWidth = width;
    info.naturalHeight = height;
    info.rotation = rotation;
    info.nominalFrameRate = fps;
    return info;
}

} // namespace

TEST_F(EngineTest, SlateIsReadFromTheFileName)
{
    const struct {
        const char* file;
        std::optional<QString> reel, scene;
        std::optional<qint64> take, input;
    } cases[] = {
        { "R1-SC12-T3-Cam2-2025-01-31.mov", "1", "12", 3, 2 },
        { "R-SC-T.mov", {}, {}, {}, {} },
        { "Rec-SCENE-Take1.mov", "ec", "ENE", {}, {} },
        { "T1-T2.mov", {}, {}, 2, {} },
        { "T+5-T007x.mov", {}, {}, 5, {} },
        { "TX-input3.mov", {}, {}, {}, 3 },
        { "Cam3-input-Camera2-r1.mov", {}, {}, {}, 3 },
        { "R01-Reel7-T99999999999999999999.mov", "eel7", {}, {}, {} },
    };
    const QString missing = dir_.filePath("nowhere");
    for (const auto& c : cases) {
        const QUrl url = QUrl::fromLocalFile(missing + "/" + c.file);
        vm_->addClipFromRecording(url);
        const playback::ClipItem clip = vm_->clips().last();
        EXPECT_EQ(clip.url, url);
        EXPECT_EQ(clip.title, QString::fromUtf8(c.file));
        EXPECT_EQ(clip.reel, c.reel) << c.file;
        EXPECT_EQ(clip.scene, c.scene) << c.file;
        EXPECT_EQ(clip.take, c.take) << c.file;
        EXPECT_EQ(clip.inputNumber, c.input) << c.file;
        EXPECT_TRUE(clip.offline);
    }
    EXPECT_TRUE(loader_->thumbnails.empty());
}

TEST_F(EngineTest, RecordingsArriveByNotificationOnce)
{
    const QString project = folder("project");
    openProject(project);
    const QUrl take = touch(project, "R1-SC1-T1-Cam1.mov");
    const QString url = QString::fromLatin1(PlaybackViewModel::kRecordingURLKey);
    const QString name = QString::fromLatin1(PlaybackViewModel::kRecordingFinishedNotification);

    notifications_.post(name, { { url, take } });
    EXPECT_TRUE(vm_->clips().isEmpty()); // handled on a later turn
    drainEvents();
    ASSERT_EQ(vm_->clips().size(), 1);
    EXPECT_EQ(vm_->selectedClipID(), vm_->clips().at(0).id);

    // Announced again (also as text, or with an unclean path): still one clip.
    notifications_.post(name, { { url, take.toString() } });
    notifications_.post(name, { { url, QUrl::fromLocalFile(project + "/./x/../R1-SC1-T1-Cam1.mov") } });
    // A missing file, no URL at all, or a URL of another kind adds nothing.
    notifications_.post(name, { { url, QUrl::fromLocalFile(project + "/gone.mov") } });
    notifications_.post(name, {});
    notifications_.post(name, { { url, QUrl("https://example.invalid/a.mov") } });
    notifications_.post(name, { { url, 42 } });
    drainEvents();
    EXPECT_EQ(vm_->clips().size(), 1);

    const auto saved = playback::PlaylistFile::decode(playlistText(project));
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved->clips.size(), 1);
    EXPECT_EQ(saved->selectedClipID, vm_->clips().at(0).id);
}

TEST_F(EngineTest, NewRecordingIsSelectedAndFilledInLater)
{
    const QString project = folder("project");
    openProject(project);
    const QUrl first = touch(project, "R1-SC1-T1-Cam1.mov");
    const QUrl second = touch(project, "R1-SC1-T1-Cam2.mov");
    vm_->addClipFromRecording(first);
    vm_->addClipFromRecording(second);
    EXPECT_EQ(vm_->selectedClipID(), vm_->clips().at(1).id);
    ASSERT_EQ(loader_->thumbnails.size(), 2u);
    EXPECT_TRUE(loader_->infos.empty()); // the format is asked for once the thumbnail is in

    loader_->answerThumbnail(QImage(8, 4, QImage::Format_ARGB32_Premultiplied));
    loader_->answerThumbnail(platform::fail(QStringLiteral("no picture")));
    EXPECT_FALSE(vm_->clips().at(0).thumbnail.isNull());
    EXPECT_TRUE(vm_->clips().at(1).thumbnail.isNull());
    ASSERT_EQ(loader_->infos.size(), 2u);
    EXPECT_EQ(loader_->infos[0].url, first);

    loader_->answerInfo(videoInfo(1080, 1920, 90, 29.97)); // rotated: shown upright
    loader_->answerInfo(platform::fail(QStringLiteral("no video")));
    const playback::ClipItem filled = vm_->clips().at(0);
    EXPECT_EQ(filled.formatWidth, 1920);
    EXPECT_EQ(filled.formatHeight, 1080);
    EXPECT_EQ(filled.formatFPS, 29.97);
    EXPECT_EQ(filled.formatScan, QStringLiteral("p"));
    EXPECT_EQ(filled.formatLabel(), QStringLiteral("1920x1080 30P"));
    EXPECT_FALSE(vm_->clips().at(1).formatWidth.has_value());
    // What was learnt is not stored.
    EXPECT_FALSE(playlistText(project).contains("format"));
}

TEST_F(EngineTest, GoodFlagsPerClipAndPerTake)
{
    const QString project = folder("project");
    openProject(project);
    for (const char* name : { "R1-SC1-T3-Cam1.mov", "R1-SC1-T3-Cam2.mov", "R1-SC1-T3-Cam3.mov", "free.mov" })
        vm_->addClipFromRecording(touch(project, name));
    const auto good = [&] {
        QString flags;
        for (const auto& clip : vm_->clips())
            flags += clip.isGood ? 'G' : '-';
        return flags;
    };

    vm_->toggleGoodClip(vm_->clips().at(0).id);
    vm_->toggleGoodClip(vm_->clips().at(2).id);
    EXPECT_EQ(good(), "G-G-");
    EXPECT_FALSE(vm_->isTakeAllGood(3));
    vm_->toggleGoodTake(3);
    EXPECT_EQ(good(), "GGG-");
    EXPECT_TRUE(vm_->isTakeAllGood(3));
    EXPECT_EQ(vm_->goodClipsCount(), 3);
    vm_->toggleGoodTake(3);
    EXPECT_EQ(good(), "----");

    // The no-take group holds only the clip without a take number.
    EXPECT_FALSE(vm_->isTakeAllGood(std::nullopt));
    vm_->toggleGoodTake(std::nullopt);
    EXPECT_EQ(good(), "---G");
    EXPECT_TRUE(vm_->isTakeAllGood(std::nullopt));
    EXPECT_FALSE(vm_->isTakeAllGood(99));
    EXPECT_TRUE(playlistText(project).contains(R"("isGood":true)"));
}

TEST_F(EngineTest, GoodTakesReportMatchesTheGoldenFile)
{
    const QString project = folder("project");
    writeFile(project + "/playlist.json", fixture("good_takes_playlist.json"));
    openProject(project);
    ASSERT_EQ(vm_->clips().size(), 5);

    vm_->exportGoodReportCSV();
    ASSERT_EQ(dialogs_.reportRequests.size(), 1u);
    const QString name = dialogs_.reportRequests[0].suggestedName;
    EXPECT_TRUE(QRegularExpression("^Corvale_GoodTakes_\\d{8}_\\d{6}\\.csv$").match(name).hasMatch())
        << name.toStdString();
    const QString report = dir_.filePath("report.csv");
    dialogs_.reportDone(QUrl::fromLocalFile(report));
    QFile written(report);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), fixture("good_takes_golden.csv"));
    EXPECT_EQ(dialogs_.beeps, 0);

    // Cancelled: nothing written, no beep. Unwritable: a beep and no file.
    vm_->exportGoodReportCSV();
    dialogs_.reportDone(std::nullopt);
    vm_->exportGoodReportCSV();
    dialogs_.reportDone(QUrl::fromLocalFile(dir_.filePath("no/such/folder/report.csv")));
    EXPECT_EQ(dialogs_.beeps, 1);
    EXPECT_FALSE(QFile::exists(dir_.filePath("no/such/folder/report.csv")));

    // Nothing good: only a beep, no panel.
    for (const auto& clip : vm_->clips()) {
        if (clip.isGood)
            vm_->toggleGoodClip(clip.id);
    }
    vm_->exportGoodReportCSV();
    EXPECT_EQ(dialogs_.reportRequests.size(), 3u);
    EXPECT_EQ(dialogs_.beeps, 2);
}

TEST_F(EngineTest, RealMovieGetsItsThumbnailAndFormat)
{
    const QString project = folder("project");
    const QString movie = project + "/R1-SC1-T1-Cam1-2026-12-07.mov";
    // Written in process: a child process forked from a threaded test is refused under ThreadSanitizer.
    testclips::ClipSpec spec;
    spec.codec = testclips::Codec::H264;
    spec.frames = 10;
    spec.width = 320;
    spec.height = 180;
    ASSERT_EQ(testclips::writeClip(movie, spec), QString());

    settings_->setRecordingFolderPath(project);
    PlaybackViewModel real(*settings_, media::FakeMediaPlayer::factory(&players_), scheduler_, notifications_);
    real.exitProjectSelectionMode();
    real.addClipFromRecording(QUrl::fromLocalFile(movie));
    QSignalSpy changes(&real, &PlaybackViewModel::clipsChanged);
    // The loader works on pool threads; the wait is only an upper bound.
    while (!real.clips().at(0).formatScan && changes.wait(20000)) { }
    const playback::ClipItem clip = real.clips().at(0);
    EXPECT_EQ(clip.formatLabel(), QStringLiteral("320x180 25P"));
    EXPECT_FALSE(clip.thumbnail.isNull());
    EXPECT_LE(clip.thumbnail.width(), 240);
    EXPECT_EQ(clip.slateDisplayName(), QStringLiteral("R1-SC1-T1-Cam1-2026-12-07"));
}

} // namespace playback_test
