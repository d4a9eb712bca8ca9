#include "capture/MovieRecorder.h"

#include "media/writer/MovieFileWriter.h"
#include "platform/DebugLog.h"
#include "platform/DiskSync.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <QFile>

#include <cstring>

namespace capture {

namespace {

using media::MovieFileWriter;

MovieFileWriter::Configuration writerConfiguration(settings::RecordingCodec codec, settings::RecordingBitrate bitrate)
{
    MovieFileWriter::Configuration c;
    c.threadCount = MovieFileWriter::threadCountFor(MovieRecorder::simultaneousRecorders);
    c.h264Preset = MovieRecorder::h264Preset;
    switch (codec) {
    case settings::RecordingCodec::h264:
        c.codec = MovieFileWriter::Codec::h264;
        c.averageBitRate = bitsPerSecond(bitrate);
        break;
    case settings::RecordingCodec::hevc:
        c.codec = MovieFileWriter::Codec::hevc;
        c.averageBitRate = bitsPerSecond(bitrate);
        break;
    case settings::RecordingCodec::proRes422Proxy:
        c.codec = MovieFileWriter::Codec::proRes;
        c.proResProfile = 0;
        break;
    case settings::RecordingCodec::proRes422LT:
        c.codec = MovieFileWriter::Codec::proRes;
        c.proResProfile = 1;
        break;
    case settings::RecordingCodec::proRes422:
        c.codec = MovieFileWriter::Codec::proRes;
        c.proResProfile = 2;
        break;
    case settings::RecordingCodec::proRes422HQ:
        c.codec = MovieFileWriter::Codec::proRes;
        c.proResProfile = 3;
        break;
    case settings::RecordingCodec::proRes4444:
        c.codec = MovieFileWriter::Codec::proRes;
        c.proResProfile = 4;
        break;
    case settings::RecordingCodec::proRes4444XQ:
        // The profile fixes the ProRes data rate: no bit rate is given.
        c.codec = MovieFileWriter::Codec::proRes;
        c.proResProfile = 5;
        break;
    }
    return c;
}

media::ColorTags colorTags(const std::optional<QVariantMap>& properties)
{
    media::ColorTags tags;
    if (!properties)
        return tags;
    // Values that are not names the writer knows are left out, as if not given.
    tags.primaries
        = media::colorPrimariesFromName(properties->value(QLatin1String(colorPrimariesKey)).toString().toStdString());
    tags.transfer = media::transferFunctionFromName(
        properties->value(QLatin1String(transferFunctionKey)).toString().toStdString());
    tags.matrix = media::yCbCrMatrixFromName(properties->value(QLatin1String(yCbCrMatrixKey)).toString().toStdString());
    return tags;
}

MovieRecorder::Error writerError(const MovieFileWriter::Error& error)
{
    return MovieRecorder::Error { std::nullopt, error.code, QString::fromStdString(error.message) };
}

} // namespace

MovieRecorder::MovieRecorder(
    QUrl outputURL, int width, int height, int fps, DroppedFrameHandler onDroppedFrame, ErrorHandler onError)
    : outputURL_(std::move(outputURL))
    , width_(width)
    , height_(height)
    , fps_(fps)
    , onDroppedFrame_(std::move(onDroppedFrame))
    , onError_(std::move(onError))
    , queue_(std::make_unique<platform::SerialQueue>("Corvale.MovieRecorder"))
{
}

MovieRecorder::~MovieRecorder()
{
    // Blocks still queued hold the recorder weakly and do nothing now. A writer still writing
    // finishes its movie as it goes, so nothing recorded is lost; draining the encoder is the
    // queue's work, never that of the thread letting go (usually the main thread). When the last
    // reference goes away inside one of the queue's own blocks, the queue finishes on its own.
    if (writer_ && !queue_->isCurrent()) {
        std::shared_ptr<media::MovieFileWriter> writer(std::move(writer_));
        queue_->async([writer, name = outputURL_.fileName()]() mutable {
            if (writer->status() == MovieFileWriter::Status::writing)
                dlog("🎬 MovieRecorder released without finish, completing", name);
            writer.reset();
        });
    }
    queue_.reset();
    writer_.reset();
}

platform::Result<std::shared_ptr<MovieRecorder>, MovieRecorder::RecorderError> MovieRecorder::create(
    const QUrl& outputURL, int width, int height, int fps, settings::RecordingCodec codec,
    settings::RecordingBitrate bitrate, const std::optional<QVariantMap>& colorProperties,
    DroppedFrameHandler onDroppedFrame, ErrorHandler onError)
{
    if (!outputURL.isLocalFile() || outputURL.toLocalFile().isEmpty()) {
        dlog("❌ MovieRecorder: not a file URL:", outputURL.toString());
        return platform::fail(RecorderError::cannotCreateWriter);
    }
    if (width < 1 || height < 1 || fps < 1) {
        dlog("❌ MovieRecorder: invalid format", width, height, fps);
        return platform::fail(RecorderError::cannotAddInput);
    }
    std::shared_ptr<MovieRecorder> recorder(
        new MovieRecorder(outputURL, width, height, fps, std::move(onDroppedFrame), std::move(onError)));

    auto config = writerConfiguration(codec, bitrate);
    config.path = QFile::encodeName(outputURL.toLocalFile()).toStdString();
    config.width = width;
    config.height = height;
    config.fps = fps;
    config.colorTags = colorTags(colorProperties);
    auto made = MovieFileWriter::create(std::move(config));
    if (!made) {
        const auto& error = made.error();
        dlog("❌ MovieRecorder: cannot create writer:", error.message);
        using Kind = MovieFileWriter::Error::Kind;
        const bool fileProblem = error.kind == Kind::fileExists || error.kind == Kind::cannotCreateFile;
        return platform::fail(fileProblem ? RecorderError::cannotCreateWriter : RecorderError::cannotAddInput);
    }
    recorder->writer_ = std::move(made).value();
    if (!recorder->writer_->sizeAdjustment().empty())
        dlog("⚠️ MovieRecorder:", recorder->writer_->sizeAdjustment());

    dlog(QStringLiteral("🎬 MovieRecorder created: %1 (%2x%3 @%4fps, %5)")
             .arg(outputURL.fileName())
             .arg(width)
             .arg(height)
             .arg(fps)
             .arg(settings::displayName(codec)));
    return recorder;
}

void MovieRecorder::append(media::Frame image)
{
    std::weak_ptr<MovieRecorder> weak = weak_from_this();
    // Readiness for more media: a small backlog of frames waiting for the encoder. Beyond it the
    // frame is dropped here, so a slow encoder never makes the queue hold images.
    if (pendingFrames_.fetch_add(1, std::memory_order_acq_rel) >= maxPendingFrames) {
        pendingFrames_.fetch_sub(1, std::memory_order_acq_rel);
        queue_->async([weak] {
            if (auto self = weak.lock())
                self->dropFrame();
        });
        return;
    }
    queue_->async([weak, image = std::move(image)] {
        if (auto self = weak.lock()) {
            self->write(image);
            self->pendingFrames_.fetch_sub(1, std::memory_order_acq_rel);
        }
    });
}

void MovieRecorder::write(const media::Frame& image)
{
    if (isFinished_)
        return;
    if (!isSessionStarted_) {
        const auto status = writer_->status();
        switch (status) {
        case MovieFileWriter::Status::unknown: {
            auto started = writer_->startWriting();
            if (!started) {
                dlog("❌ startWriting failed:", started.error().message);
                reportError(writerError(started.error()));
                isFinished_ = true;
                return;
            }
            isSessionStarted_ = true;
            frameCount_ = 0;
            break;
        }
        case MovieFileWriter::Status::writing:
            break;
        case MovieFileWriter::Status::completed:
        case MovieFileWriter::Status::failed:
        case MovieFileWriter::Status::cancelled: {
            const auto& error = writer_->error();
            dlog(QStringLiteral("❌ startWriting skipped (status=%1):").arg(static_cast<int>(status)),
                error ? error->message : std::string());
            if (error)
                reportError(writerError(*error));
            isFinished_ = true;
            return;
        }
        default:
            dlog("❌ startWriting skipped (unknown status)");
            reportError(Error {
                RecorderError::cannotCreateWriter, 0, QStringLiteral("The movie writer is in an unknown state.") });
            isFinished_ = true;
            return;
        }
    }

    auto appended = writer_->append(image);
    if (appended) {
        ++frameCount_;
        return;
    }
    using Kind = MovieFileWriter::Error::Kind;
    switch (appended.error().kind) {
    case Kind::unsupportedImage:
        return; // not an image: skipped, not counted
    case Kind::conversionFailed:
        dropFrame();
        return;
    default:
        // The writer has ended the movie and flushed what it could.
        dlog("❌ MovieRecorder write failed:", appended.error().message);
        reportError(writerError(appended.error()));
        isFinished_ = true;
        return;
    }
}

void MovieRecorder::dropFrame()
{
    if (isFinished_)
        return;
    ++droppedFrames_;
    if (onDroppedFrame_)
        onDroppedFrame_(droppedFrames_);
}

void MovieRecorder::reportError(Error error)
{
    if (errorReported_)
        return;
    errorReported_ = true;
    if (onError_)
        onError_(error);
}

MovieRecorder::FinishStatus MovieRecorder::finishOnQueue()
{
    // Cancelling the writer below changes its status: a failure must not read as a cancel later.
    if (finishStatus_)
        return *finishStatus_;
    if (!isFinished_) {
        isFinished_ = true;
        if (isSessionStarted_) {
            auto finished = writer_->finishWriting();
            if (!finished) {
                dlog("❌ MovieRecorder finish failed:", finished.error().message);
                reportError(writerError(finished.error()));
            }
        }
    }
    const auto status = writer_->status();
    if (!isSessionStarted_) {
        // Nothing was recorded (no image, or writing could not start): the file reserved at
        // creation goes away again.
        writer_->cancelWriting();
        finishStatus_ = status == MovieFileWriter::Status::failed ? FinishStatus::failed : FinishStatus::cancelled;
    } else {
        finishStatus_ = status == MovieFileWriter::Status::completed ? FinishStatus::finished : FinishStatus::failed;
    }
    if (*finishStatus_ == FinishStatus::finished) {
        // A take is announced only once it and its folder entry are on disk.
        const auto synced = platform::syncFileAndFolder(outputURL_.toLocalFile());
        if (!synced) {
            dlog("❌ MovieRecorder: movie not synced to disk:", std::strerror(synced.error()));
            reportError(Error { std::nullopt, -synced.error(),
                QStringLiteral("The movie could not be saved to disk: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(synced.error()))) });
            finishStatus_ = FinishStatus::failed;
        }
    }
    return *finishStatus_;
}

void MovieRecorder::finish(Completion completion)
{
    auto self = shared_from_this();
    queue_->async([self, completion = std::move(completion)]() mutable {
        const FinishStatus status = self->finishOnQueue();
        const QUrl url = self->outputURL_;
        // The recorder goes with the completion, so its last reference is normally dropped on
        // the main thread rather than inside its own queue.
        platform::runOnMain([self = std::move(self), completion = std::move(completion), url, status]() mutable {
            if (completion)
                completion(url, status);
            self.reset();
        });
    });
}

} // namespace capture
