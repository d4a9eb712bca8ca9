#pragma once

// The writer side of one input's recordings. On the input's writer queue it makes the movie
// recorder from the first frame of a recording (so the movie takes the size of the frames that
// actually arrive), hands it every further frame, counts them for the timecode and finishes the
// movie when the recording stops. The queue owns the recorder for its whole life: a stop is a
// finish queued behind the frames, so no recorder is ever let go unfinished.
//
// Threads: begin() and stop() on the main thread; enqueue() on whichever thread delivers the
// input's frames; the rest on the writer queue. What the engine must learn comes back as Reports
// through the reporter, which is called on the writer queue, on a recorder's queue, on the frame
// thread or (finish results) on the main thread, and hops to the main thread itself. Every
// recording has a generation number that its reports carry, so news of an older movie is told apart
// from the current recording's.

#include "capture/MovieRecorder.h"
#include "capture/TakeSession.h"
#include "media/frame/Frame.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class MediaClock;
class SerialQueue;
} // namespace platform
namespace settings {
class AppSettings;
}

namespace capture {

class InputWriter {
public:
    // One recording, fixed when it starts.
    struct Recording {
        std::uint64_t generation = 0;
        QUrl url; // the file chosen at the start
        QUrl folder; // where a free name is looked for when the chosen one is taken meanwhile
        QString tag; // the file name without extension
        int fps = 1;
        TakeSession session;
    };

    struct Report {
        enum class Kind {
            urlChanged, // the chosen name was taken meanwhile: the movie went to `url`
            cannotCreateFile, // no free name could be found for the movie
            initFailed, // the recorder could not be made (`initError`)
            droppedFrames, // `droppedFrames` is the recording's running total
            writeFailed, // writing failed (`text` says why); the recording's frames are no longer written
            timecode, // `text` is the timecode after the latest frame
            stopped, // the stop has been carried out: `finishStatus` says what became of the movie at `url`
        };
        Kind kind = Kind::stopped;
        std::uint64_t generation = 0;
        QUrl url;
        std::optional<MovieRecorder::RecorderError> initError;
        int droppedFrames = 0;
        QString text;
        // stopped: none when no movie was made; then `failedBeforeMovie` says whether making it failed.
        std::optional<MovieRecorder::FinishStatus> finishStatus;
        bool failedBeforeMovie = false;
    };
    using Reporter = std::function<void(const Report&)>;
    // The colour tags of the input's frames, read when the recorder is made; any thread.
    using ColorSource = std::function<std::optional<QVariantMap>()>;

    // Frames waiting on the writer queue beyond which new ones are dropped (and counted).
    static constexpr int maxPendingFrames = 8;
    // The least interval between two timecode reports, on the media clock.
    static constexpr double tcMinInterval = 0.1;

    InputWriter(platform::SerialQueue& queue, const platform::MediaClock& clock, const settings::AppSettings& settings,
        ColorSource colors, Reporter reporter);
    ~InputWriter();
    InputWriter(const InputWriter&) = delete;
    InputWriter& operator=(const InputWriter&) = delete;

    // Main thread. Frames enqueued from now on belong to `recording`.
    void begin(Recording recording);
    // Any thread: one frame of the current recording.
    void enqueue(media::Frame frame);
    // Main thread: ends the recording `generation` after the frames enqueued before it.
    void stop(std::uint64_t generation);
    // Blocks until what was handed over so far has been through the writer queue and the current
    // recorder's queue (tests and benchmarks). Not on either queue.
    void waitUntilWritten();

private:
    // What a recorder's callbacks reach, on the recorder's queue, possibly after the writer is gone.
    struct Shared;
    // The recording as the writer queue sees it; touched only there.
    struct Current {
        Recording recording;
        bool active = false;
        bool failed = false;
        bool renamed = false;
        std::shared_ptr<MovieRecorder> recorder;
        std::int64_t frameCount = 0;
        std::optional<double> lastTimecodeTime;
    };

    void write(const media::Frame& frame);
    bool makeRecorder(const media::Frame& frame);
    void finish(std::uint64_t generation);

    platform::SerialQueue& queue_;
    const platform::MediaClock& clock_;
    const settings::AppSettings& settings_;
    const ColorSource colors_;
    std::shared_ptr<Shared> shared_;
    Current current_;
};

} // namespace capture
