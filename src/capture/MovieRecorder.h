#pragma once

// Records one QuickTime movie from a stream of captured frames: one video track, no audio,
// encoded with the recording codec and bit rate. All conversion and encoding runs on the
// recorder's own serial queue, so the capture road only queues work; when the encoder falls
// behind, frames are dropped and counted instead of piling up.
//
// A recorder is used for one file. append() and finish() may be called from any thread; their
// order of calls is the order of execution. The callbacks run on the recorder's queue, the
// finish completion on the main thread. A recorder let go without finish completes its movie on its
// queue, whichever thread lets go.

#include "media/frame/Frame.h"
#include "platform/Result.h"
#include "settings/RecordingBitrate.h"
#include "settings/RecordingCodec.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class SerialQueue;
}
namespace media {
class MovieFileWriter;
}

namespace capture {

// Keys of the colour-properties dictionary handed to the recorder; the values are the colour
// names frames carry ("ITU_R_709_2", "SMPTE_ST_2084_PQ", ...).
inline constexpr char colorPrimariesKey[] = "ColorPrimaries";
inline constexpr char transferFunctionKey[] = "TransferFunction";
inline constexpr char yCbCrMatrixKey[] = "YCbCrMatrix";

class MovieRecorder : public std::enable_shared_from_this<MovieRecorder> {
public:
    enum class RecorderError {
        cannotCreateWriter, // the movie file cannot be created (also: an existing file is in the way)
        cannotAddInput, // the codec refuses the size, rate or settings
    };

    // What onError receives: the writer's failure, or a recorder error.
    struct Error {
        std::optional<RecorderError> recorderError;
        int code = 0; // the writer's AVERROR value (negative errno for system errors), 0 when none
        QString description;
        QString localizedDescription() const { return description; }
    };

    // How the movie ended, for the finish completion: only `finished` is a movie to announce.
    enum class FinishStatus {
        finished, // the movie is complete, and it and its folder are synced to disk
        cancelled, // no frame was ever written: no file is left
        failed, // writing failed (reported through onError); the file holds what was written
    };

    using DroppedFrameHandler = std::function<void(int droppedFrames)>;
    using ErrorHandler = std::function<void(const Error& error)>;
    using Completion = std::function<void(const QUrl& url, FinishStatus status)>;

    // Frames waiting for the encoder beyond which new frames are dropped.
    static constexpr int maxPendingFrames = 4;
    // Recorders expected at once (one per input); each takes its share of the cores.
    static constexpr int simultaneousRecorders = 4;
    // The x264 preset four 1080p25 recorders keep up with on eight cores: four writers together
    // reach about 147 fps with it, against 100 with veryfast and 250 with ultrafast (bench_recording).
    static constexpr const char* h264Preset = "superfast";

    // Fails with cannotCreateWriter when anything already exists at `outputURL`: the recorder
    // never replaces a file it did not create.
    static platform::Result<std::shared_ptr<MovieRecorder>, RecorderError> create(const QUrl& outputURL, int width,
        int height, int fps, settings::RecordingCodec codec, settings::RecordingBitrate bitrate,
        const std::optional<QVariantMap>& colorProperties, DroppedFrameHandler onDroppedFrame = {},
        ErrorHandler onError = {});
    ~MovieRecorder();
    MovieRecorder(const MovieRecorder&) = delete;
    MovieRecorder& operator=(const MovieRecorder&) = delete;

    void append(media::Frame image);
    // The completion always receives outputURL, with what became of the movie.
    void finish(Completion completion);

    const QUrl& outputURL() const { return outputURL_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int fps() const { return fps_; }

    // The recorder's queue ("Corvale.MovieRecorder"), for work that must follow the recorder's.
    platform::SerialQueue& queue() { return *queue_; }

private:
    MovieRecorder(
        QUrl outputURL, int width, int height, int fps, DroppedFrameHandler onDroppedFrame, ErrorHandler onError);

    void write(const media::Frame& image);
    void dropFrame();
    void reportError(Error error);
    FinishStatus finishOnQueue();

    const QUrl outputURL_;
    const int width_;
    const int height_;
    const int fps_;
    const DroppedFrameHandler onDroppedFrame_;
    const ErrorHandler onError_;

    // Counted on the caller's side: frames queued and not yet through the encoder.
    std::atomic<int> pendingFrames_ { 0 };

    // Read and written only on the queue.
    std::unique_ptr<media::MovieFileWriter> writer_;
    std::int64_t frameCount_ = 0;
    int droppedFrames_ = 0;
    bool isSessionStarted_ = false;
    bool isFinished_ = false;
    std::optional<FinishStatus> finishStatus_; // what the first finish reported, for every later one
    bool errorReported_ = false;

    std::unique_ptr<platform::SerialQueue> queue_;
};

} // namespace capture
