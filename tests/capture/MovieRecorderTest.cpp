#include "capture/MovieRecorder.h"
#include "MovieTestSupport.h"
#include "kit/FileSizeLimit.h"
#include "kit/Files.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/pixfmt.h>
}

#include <cerrno>
#include <condition_variable>
#include <future>
#include <mutex>

namespace capture {

using settings::RecordingBitrate;
using settings::RecordingCodec;

using movietest::probeMovie;
using movietest::sequence;
using Status = MovieRecorder::FinishStatus;

namespace {

struct Finished {
    QUrl url;
    Status status;
};

// Callbacks arrive on the recorder's queue; the test reads them after flushing that queue.
struct Reports {
    std::mutex mutex;
    std::vector<int> drops;
    std::vector<MovieRecorder::Error> errors;
    bool onMainThread = false;

    MovieRecorder::DroppedFrameHandler dropHandler()
    {
        return [this](int total) {
            std::lock_guard lock(mutex);
            drops.push_back(total);
            onMainThread = onMainThread || platform::isMainThread();
        };
    }
    MovieRecorder::ErrorHandler errorHandler()
    {
        return [this](const MovieRecorder::Error& error) {
            std::lock_guard lock(mutex);
            errors.push_back(error);
            onMainThread = onMainThread || platform::isMainThread();
        };
    }
};

QUrl fileURL(const QTemporaryDir& dir, const QString& name)
{
    return QUrl::fromLocalFile(dir.filePath(name));
}

std::shared_ptr<MovieRecorder> makeRecorder(const QUrl& url, RecordingCodec codec, Reports* reports = nullptr,
    int width = 64, int height = 36, int fps = 25, RecordingBitrate bitrate = RecordingBitrate::auto_,
    std::optional<QVariantMap> colour = std::nullopt)
{
    auto made = MovieRecorder::create(url, width, height, fps, codec, bitrate, colour,
        reports ? reports->dropHandler() : MovieRecorder::DroppedFrameHandler {},
        reports ? reports->errorHandler() : MovieRecorder::ErrorHandler {});
    EXPECT_TRUE(made.ok());
    return made.ok() ? made.value() : nullptr;
}

// Appends one frame and waits until the recorder has taken it, so no frame meets a backlog.
void appendAndWait(MovieRecorder& recorder, const media::Frame& frame)
{
    recorder.append(frame);
    recorder.queue().sync([] {});
}

// Finishes and waits for the completion on the main thread (the deadline is only a safety net).
std::vector<Finished> finishAndWait(MovieRecorder& recorder, int calls = 1)
{
    std::vector<Finished> finished;
    bool offMain = false;
    for (int i = 0; i < calls; ++i) {
        recorder.finish([&](const QUrl& url, Status status) {
            offMain = offMain || !platform::isMainThread();
            finished.push_back({ url, status });
        });
    }
    QDeadlineTimer deadline(30000);
    while (finished.size() < static_cast<std::size_t>(calls) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(offMain);
    return finished;
}

// Records one picture at 64x36 and 25 fps and reads the movie back.
movietest::ProbedMovie recordOne(
    const QUrl& url, RecordingCodec codec, RecordingBitrate bitrate, std::optional<QVariantMap> colour = std::nullopt)
{
    auto recorder = makeRecorder(url, codec, nullptr, 64, 36, 25, bitrate, std::move(colour));
    if (!recorder)
        return {};
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 1));
    EXPECT_EQ(finishAndWait(*recorder).at(0).status, Status::finished);
    return probeMovie(url.toLocalFile().toStdString());
}

struct CodecExpectation {
    RecordingCodec codec;
    const char* tag;
    const char* profile;
};

const CodecExpectation kCodecs[] = {
    { RecordingCodec::h264, "avc1", "High" },
    { RecordingCodec::hevc, "hvc1", "Main" },
    { RecordingCodec::proRes422Proxy, "apco", "Proxy" },
    { RecordingCodec::proRes422HQ, "apch", "HQ" },
    { RecordingCodec::proRes4444XQ, "ap4x", "XQ" },
};

} // namespace

// The file facts of each codec are the writer's tests; here: each setting reaches the writer.
TEST(MovieRecorder, EachCodecAndBitrateSettingReachesTheWriter)
{
    QTemporaryDir dir;
    for (const auto& expected : kCodecs) {
        SCOPED_TRACE(expected.tag);
        const QUrl url = fileURL(dir, QString::fromLatin1(expected.tag) + QStringLiteral(".mov"));
        const auto movie = recordOne(url, expected.codec, RecordingBitrate::mbps10);
        EXPECT_EQ(movie.codecTag, expected.tag);
        EXPECT_EQ(movie.profile, expected.profile);
        EXPECT_EQ(movie.counters, std::vector<int> { 1 });
        // H.264 and HEVC are asked for the chosen average rate, or left to choose their own (the
        // encoders record their settings in the stream). ProRes has no rate to ask for.
        if (expected.codec != RecordingCodec::h264 && expected.codec != RecordingCodec::hevc)
            continue;
        const QByteArray bytes = testkit::readFile(url.toLocalFile());
        EXPECT_TRUE(bytes.contains("rc=abr") && bytes.contains("bitrate=10000"));
        const QUrl automatic = fileURL(dir, QString::fromLatin1(expected.tag) + QStringLiteral("-auto.mov"));
        recordOne(automatic, expected.codec, RecordingBitrate::auto_);
        const QByteArray autoBytes = testkit::readFile(automatic.toLocalFile());
        EXPECT_TRUE(autoBytes.contains("rc=crf") && !autoBytes.contains("rc=abr"));
    }
}

TEST(MovieRecorder, FramesBeyondTheBacklogAreDroppedAndLeaveNoGap)
{
    QTemporaryDir dir;
    const QUrl url = fileURL(dir, QStringLiteral("drops.mov"));
    Reports reports;
    auto recorder = makeRecorder(url, RecordingCodec::h264, &reports);
    ASSERT_TRUE(recorder);

    // Stall the recorder's queue as a slow encoder would.
    std::mutex mutex;
    std::condition_variable wake;
    bool released = false;
    recorder->queue().async([&] {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return released; });
    });
    const int backlog = MovieRecorder::maxPendingFrames;
    for (int i = 0; i < backlog + 3; ++i)
        recorder->append(movietest::counterFrame(64, 36, i)); // the last three find the backlog full
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    wake.notify_all();
    recorder->queue().sync([] {});
    {
        std::lock_guard lock(reports.mutex);
        EXPECT_EQ(reports.drops, (std::vector<int> { 1, 2, 3 }));
        EXPECT_FALSE(reports.onMainThread);
    }
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 100));
    ASSERT_EQ(finishAndWait(*recorder).at(0).status, Status::finished);

    const auto movie = probeMovie(url.toLocalFile().toStdString());
    auto expected = sequence(backlog);
    expected.push_back(100);
    EXPECT_EQ(movie.counters, expected);
    ASSERT_EQ(movie.framePts.size(), expected.size());
    EXPECT_EQ(movie.framePts[backlog], backlog * 24); // right after the last written frame
    EXPECT_TRUE(reports.errors.empty());
}

TEST(MovieRecorder, EveryFinishIsAnsweredAndOneBeforeAnyFrameCancels)
{
    QTemporaryDir dir;
    const QUrl url = fileURL(dir, QStringLiteral("twice.mov"));
    Reports reports;
    auto recorder = makeRecorder(url, RecordingCodec::proRes422Proxy, &reports);
    ASSERT_TRUE(recorder);
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 0));
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 1));
    const auto finished = finishAndWait(*recorder, 2);
    ASSERT_EQ(finished.size(), 2u);
    for (const auto& f : finished)
        EXPECT_TRUE(f.url == url && f.status == Status::finished);
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 2)); // after the finish: ignored
    EXPECT_EQ(probeMovie(url.toLocalFile().toStdString()).counters, sequence(2));
    EXPECT_TRUE(reports.drops.empty() && reports.errors.empty());

    const QUrl empty = fileURL(dir, QStringLiteral("empty.mov"));
    recorder = makeRecorder(empty, RecordingCodec::h264);
    ASSERT_TRUE(recorder);
    std::weak_ptr<MovieRecorder> weak = recorder;
    const auto cancelled = finishAndWait(*recorder);
    recorder.reset();
    ASSERT_EQ(cancelled.size(), 1u);
    EXPECT_EQ(cancelled[0].url, empty);
    EXPECT_EQ(cancelled[0].status, Status::cancelled);
    EXPECT_FALSE(QFile::exists(empty.toLocalFile()));
    EXPECT_TRUE(weak.expired()); // the finish held the recorder only until its completion ran
}

TEST(MovieRecorder, ReleasedOnItsOwnQueueWithoutFinishStillCompletesTheMovie)
{
    QTemporaryDir dir;
    const QUrl url = fileURL(dir, QStringLiteral("dropped.mov"));
    auto recorder = makeRecorder(url, RecordingCodec::h264);
    ASSERT_TRUE(recorder);
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 0));
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 1));
    std::promise<void> released;
    platform::SerialQueue& queue = recorder->queue();
    // The last reference goes away inside one of the recorder's own blocks.
    queue.async([held = std::move(recorder), &released]() mutable {
        held.reset();
        released.set_value();
    });
    released.get_future().wait();
    EXPECT_EQ(probeMovie(url.toLocalFile().toStdString()).counters, sequence(2));
}

TEST(MovieRecorder, AMovieThatCannotBeSyncedToDiskIsNotCalledFinished)
{
    // The file's name is gone before the finish (deleted behind the station's back): the encoder
    // still writes to its open file, but nothing on disk holds the take.
    QTemporaryDir dir;
    Reports reports;
    const QUrl url = fileURL(dir, QStringLiteral("gone.mov"));
    auto recorder = makeRecorder(url, RecordingCodec::proRes422Proxy, &reports);
    ASSERT_TRUE(recorder);
    appendAndWait(*recorder, movietest::counterFrame(64, 36, 0));
    ASSERT_TRUE(QFile::remove(url.toLocalFile()));
    EXPECT_EQ(finishAndWait(*recorder).at(0).status, Status::failed);
    recorder->queue().sync([] {});
    std::lock_guard lock(reports.mutex);
    ASSERT_EQ(reports.errors.size(), 1u);
    EXPECT_EQ(reports.errors[0].code, -ENOENT);
}

TEST(MovieRecorder, RefusesAPathThatIsTakenOrUnusable)
{
    QTemporaryDir dir;
    const QUrl taken = fileURL(dir, QStringLiteral("taken.mov"));
    ASSERT_TRUE(testkit::writeFile(taken.toLocalFile(), "someone else's take"));
    auto made = MovieRecorder::create(taken, 64, 36, 25, RecordingCodec::h264, RecordingBitrate::auto_, std::nullopt);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error(), MovieRecorder::RecorderError::cannotCreateWriter);
    EXPECT_EQ(testkit::readFile(taken.toLocalFile()), QByteArray("someone else's take"));

    made = MovieRecorder::create(
        fileURL(dir, "zero.mov"), 0, 36, 25, RecordingCodec::h264, RecordingBitrate::auto_, std::nullopt);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error(), MovieRecorder::RecorderError::cannotAddInput);
    EXPECT_FALSE(QFile::exists(dir.filePath("zero.mov")));
}

// A full disk while writing (the writer's and the engine's tests cover the file and the take):
// reported once while frames still arrive, every finish answered as failed, the file kept.
TEST(MovieRecorder, AWriteFailureIsReportedOnceAndTheFileIsNotCalledFinished)
{
    QTemporaryDir dir;
    const QUrl url = fileURL(dir, QStringLiteral("full.mov"));
    Reports reports;
    auto recorder = makeRecorder(url, RecordingCodec::proRes422HQ, &reports, 320, 180);
    ASSERT_TRUE(recorder);
    std::vector<Finished> finished;
    {
        FileSizeLimit limit(64 * 1024);
        for (int i = 0; i < 60; ++i) {
            appendAndWait(*recorder, movietest::counterFrame(320, 180, i));
            std::lock_guard lock(reports.mutex);
            if (!reports.errors.empty())
                break;
        }
        appendAndWait(*recorder, movietest::counterFrame(320, 180, 99)); // ignored
        finished = finishAndWait(*recorder, 2);
    }
    ASSERT_EQ(finished.size(), 2u);
    EXPECT_TRUE(finished[0].status == Status::failed && finished[1].status == Status::failed);
    std::lock_guard lock(reports.mutex);
    ASSERT_EQ(reports.errors.size(), 1u);
    EXPECT_EQ(reports.errors[0].code, AVERROR(EFBIG));
    EXPECT_TRUE(QFile::exists(url.toLocalFile()));
}

} // namespace capture
