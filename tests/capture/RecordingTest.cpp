// Recording takes end to end: synthetic cameras through the engine's frame road into real movie
// files, read back with ffprobe and ffmpeg. Starts and stops, the take number, the movie's
// announcement, failures of the folder, the name and the disk, and the races between stops, new
// recordings and quitting.

#include "CaptureTestSupport.h"

#include "MovieTestSupport.h"
#include "kit/FileSizeLimit.h"
#include "media/camera/SyntheticCamera.h"

#include <QDir>
#include <QFile>
#include <QProcess>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>

using namespace capture;
using namespace capturetest;

namespace {

const QString kRecording = QStringLiteral("Recording\u2026");

// A movie read back: clean when libavformat and the decoder (and, outside the thread sanitizer,
// which cannot follow a fork, the ffprobe tool) find nothing wrong; with the synthetic camera's
// counter of each frame, read from the luma of its cells (-1 when unreadable).
struct MovieCheck {
    bool clean = false;
    int width = 0;
    std::string codec;
    std::vector<std::int64_t> counters;
};

std::int64_t syntheticCounter(const AVFrame& frame)
{
    const int cell = std::max(2, frame.width / 48); // the camera's 24 cells across half the width
    const bool wide = av_pix_fmt_desc_get(AVPixelFormat(frame.format))->comp[0].depth > 8;
    const std::uint8_t* row = frame.data[0] + std::ptrdiff_t(cell / 2) * frame.linesize[0];
    std::int64_t counter = 0;
    for (int bit = 0; bit < 24; ++bit) {
        const int x = bit * cell + cell / 2;
        int luma = row[x];
        if (wide) {
            std::uint16_t value;
            std::memcpy(&value, row + 2 * x, 2);
            luma = value / 4;
        }
        if (luma > 64 && luma < 180)
            return -1;
        counter = counter << 1 | (luma >= 180 ? 1 : 0);
    }
    return counter;
}

MovieCheck checkMovie(const QString& path)
{
    MovieCheck check;
    const auto movie = movietest::probeMovie(
        path.toStdString(), [&](const AVFrame& frame) { check.counters.push_back(syntheticCounter(frame)); });
    check.clean = movie.opened && movie.error.empty() && movie.decodeErrors == 0;
    check.width = movie.width;
    check.codec = movie.codecName;
#ifndef __SANITIZE_THREAD__
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), { "-v", "error", "-show_streams", path });
    check.clean = check.clean && probe.waitForFinished(60000) && probe.exitCode() == 0
        && probe.readAllStandardError().isEmpty();
#endif
    return check;
}

class RecordingTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        settings->setRecordingFPSMode(settings::RecordingFPSMode::fps25);
        recordings = folder.filePath(QStringLiteral("Recordings"));
        engine->setOutputFolderURL(QUrl::fromLocalFile(recordings));
        notifications.addObserver(QStringLiteral("corvaleRecordingFinished"), nullptr,
            [this](const QVariantMap& info) { announced << info.value(QStringLiteral("url")).toUrl(); });
    }
    // Slot 1 on the second camera beside slot 0 on the first, both capturing.
    void captureTwo()
    {
        engine->addSource();
        engine->setSelectedAVDeviceID(1, QStringLiteral("corvale-synthetic-camera-2"));
        startCapturing(0);
        startCapturing(1);
    }
    // Camera frames at the cameras' pace, each written before the next: the encoder keeps up as
    // it does in real time, however slow the machine running the test.
    void recordFrames(int frames)
    {
        for (int n = 0; n < frames; ++n) {
            deliverCameraFrames(1);
            engine->waitForWriters();
        }
        drainEvents();
    }
    bool waitForTakeEnd()
    {
        return processEventsUntil([&] { return !engine->activeTakeSession(); });
    }
    QString fileName(int slot, int segment = 1) const
    {
        return engine->makeClipTag(slot, segment) + QStringLiteral(".mov");
    }
    QString status(int slot = 0) const { return engine->statusTexts()[slot]; }

    QString recordings;
    QList<QUrl> announced;
};

TEST_F(RecordingTest, StartIsRefusedWithoutCaptureOrWritableFolder)
{
    engine->startRecording(0);
    EXPECT_EQ(status(), QStringLiteral("Start capture before recording"));
    EXPECT_FALSE(engine->activeTakeSession());

    startCapturing(0);
    QFile blocker(folder.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    engine->setOutputFolderURL(QUrl::fromLocalFile(folder.filePath(QStringLiteral("file/Recordings"))));
    engine->startRecording(0);
    EXPECT_EQ(status(), QStringLiteral("Recording folder not writable"));
    EXPECT_FALSE(engine->isRecordingFlags()[0]);
}

TEST_F(RecordingTest, RecordAllWritesOneCleanMovieAndOneAnnouncementPerInput)
{
    captureTwo();
    engine->startRecordingAll();
    EXPECT_TRUE(engine->isRecordingAll());
    EXPECT_EQ(engine->activeTakeSession()->take, 1);
    const QString names[2] = { fileName(0), fileName(1) };
    EXPECT_EQ(names[0], QStringLiteral("R1-SC1-T1-Cam1-") + QDate::currentDate().toString(Qt::ISODate) + ".mov");

    recordFrames(25);
    EXPECT_EQ(engine->currentTimecodes()[0], QStringLiteral("00:00:01:00"));
    engine->stopRecordingAll();
    EXPECT_FALSE(engine->isRecordingFlags()[0] || engine->isRecordingFlags()[1] || engine->isRecordingAll());
    EXPECT_EQ(status(0), kRecording); // until the movie is finished
    ASSERT_TRUE(waitForTakeEnd());

    EXPECT_EQ(engine->take(), 2);
    ASSERT_EQ(announced.size(), 2);
    for (int slot = 0; slot < 2; ++slot) {
        const QString path = QDir(recordings).filePath(names[slot]);
        EXPECT_TRUE(announced.contains(QUrl::fromLocalFile(path))) << path.toStdString();
        EXPECT_EQ(status(slot), QStringLiteral("Saved: ") + names[slot]);
        const MovieCheck movie = checkMovie(path);
        ASSERT_TRUE(movie.clean) << path.toStdString();
        EXPECT_EQ(movie.width, 320);
        // Every frame the camera made while recording, in order, with no gap.
        ASSERT_FALSE(movie.counters.empty());
        EXPECT_EQ(movie.counters.size(), 25u);
        for (std::size_t k = 1; k < movie.counters.size(); ++k)
            EXPECT_EQ(movie.counters[k], movie.counters[0] + std::int64_t(k));
    }
    EXPECT_EQ(engine->droppedFrames(), 0);
}

TEST_F(RecordingTest, FrameSizeChangeKeepsTheFirstSizeAndCodecIsReadAtTheFirstFrame)
{
    startCapturing(0);
    settings->setRecordingCodec(settings::RecordingCodec::h264);
    engine->startRecording(0);
    settings->setRecordingCodec(settings::RecordingCodec::proRes422HQ); // before the first frame: applies
    for (int n = 0; n < 4; ++n) {
        media::MutableFrame frame(media::PixelFormat::BGRA, n < 2 ? 640 : 1280, n < 2 ? 360 : 720);
        media::SyntheticCamera::drawTestPicture(frame, std::uint32_t(100 + n));
        engine->processFrame(std::move(frame).share(), 0);
    }
    engine->stopRecording(0);
    ASSERT_TRUE(waitForTakeEnd());
    ASSERT_EQ(announced.size(), 1);
    const MovieCheck movie = checkMovie(announced[0].toLocalFile());
    ASSERT_TRUE(movie.clean);
    EXPECT_EQ(movie.width, 640);
    EXPECT_EQ(movie.counters, (std::vector<std::int64_t> { 100, 101, 102, 103 }));
    EXPECT_EQ(movie.codec, "prores");
}

TEST_F(RecordingTest, NameTakenMeanwhileMovesTheMovieToTheNextFreeName)
{
    startCapturing(0);
    engine->startRecording(0);
    const QString chosen = engine->currentRecordingURLs()[0]->toLocalFile();
    QFile intruder(chosen);
    ASSERT_TRUE(intruder.open(QIODevice::WriteOnly));
    intruder.write("not ours");
    intruder.close();
    recordFrames(3);
    const QString moved = chosen.chopped(4) + QStringLiteral("-2.mov");
    EXPECT_EQ(engine->currentRecordingURLs()[0]->toLocalFile(), moved);
    EXPECT_EQ(engine->outputPathDisplay(), moved);
    engine->stopRecording(0);
    ASSERT_TRUE(waitForTakeEnd());
    EXPECT_EQ(announced, QList<QUrl> { QUrl::fromLocalFile(moved) });
    QFile kept(chosen);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "not ours");
}

TEST_F(RecordingTest, FullDiskEndsTheRecordingAsFailedAndAnnouncesNothing)
{
    settings->setRecordingCodec(settings::RecordingCodec::proRes422HQ);
    startCapturing(0);
    engine->startRecording(0);
    {
        FileSizeLimit limit(64 * 1024);
        for (int n = 0; n < 80 && engine->isRecordingFlags()[0]; ++n)
            recordFrames(1);
        ASSERT_TRUE(processEventsUntil([&] { return !engine->activeTakeSession(); }));
    }
    EXPECT_FALSE(engine->isRecordingFlags()[0]);
    EXPECT_TRUE(status().startsWith(QStringLiteral("Record failed: "))) << status().toStdString();
    EXPECT_TRUE(announced.isEmpty());
    EXPECT_EQ(QDir(recordings).entryList(QDir::Files).size(), 1); // the partial file stays
}

TEST_F(RecordingTest, StopsRestartsAndQuitWhileFramesArriveFinishEveryMovieOnce)
{
    captureTwo();
    int expected = 0;
    for (int round = 0; round < 12; ++round) {
        engine->startRecordingAll();
        // Frames arrive on the camera queue while the main thread stops and starts again.
        clock.advance(0.04 + 1e-7);
        engine->stopRecording(round % 2);
        engine->requestStartRecording(round % 2);
        engine->confirmResumeSameTake();
        clock.advance(0.04 + 1e-7);
        engine->waitForCameraFrames();
        if (round % 3 == 2) {
            ASSERT_TRUE(engine->shutdown());
            EXPECT_FALSE(engine->anyRecordingActive());
            EXPECT_EQ(engine->pendingFinishCount(), 0);
        } else {
            engine->stopRecordingAll();
        }
        ASSERT_TRUE(waitForTakeEnd());
        expected = engine->take();
    }
    EXPECT_EQ(expected, 13);
    // Every movie on disk was announced, none twice; the last one is whole.
    ASSERT_FALSE(announced.isEmpty());
    EXPECT_TRUE(checkMovie(announced.back().toLocalFile()).clean);
    EXPECT_EQ(QSet<QUrl>(announced.begin(), announced.end()).size(), announced.size());
    EXPECT_EQ(QDir(recordings).entryList(QDir::Files).size(), announced.size());
}

} // namespace
