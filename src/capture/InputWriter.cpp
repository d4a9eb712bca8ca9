#include "capture/InputWriter.h"

#include "capture/ClipNaming.h"
#include "capture/RecordViewModel.h"
#include "platform/DebugLog.h"
#include "platform/MediaClock.h"
#include "platform/SerialQueue.h"
#include "settings/AppSettings.h"

#include <QFileInfo>

namespace capture {

struct InputWriter::Shared {
    explicit Shared(Reporter reporter)
        : reporter(std::move(reporter))
    {
    }

    void reportDrops(std::uint64_t recording)
    {
        Report report;
        report.kind = Report::Kind::droppedFrames;
        report.generation = recording;
        report.droppedFrames = handoffDropped.load() + recorderDropped.load();
        reporter(report);
    }

    const Reporter reporter;
    // The newest recording begun; set on the main thread before its first frame can be enqueued.
    std::atomic<std::uint64_t> generation { 0 };
    // A recording whose recorder reported a failure: its frames are no longer written.
    std::atomic<std::uint64_t> failedGeneration { 0 };
    std::atomic<int> pending { 0 };
    std::atomic<int> handoffDropped { 0 };
    std::atomic<int> recorderDropped { 0 };
};

InputWriter::InputWriter(platform::SerialQueue& queue, const platform::MediaClock& clock,
    const settings::AppSettings& settings, ColorSource colors, Reporter reporter)
    : queue_(queue)
    , clock_(clock)
    , settings_(settings)
    , colors_(std::move(colors))
    , shared_(std::make_shared<Shared>(std::move(reporter)))
{
}

InputWriter::~InputWriter() = default;

void InputWriter::begin(Recording recording)
{
    shared_->handoffDropped = 0;
    shared_->recorderDropped = 0;
    shared_->generation = recording.generation;
    queue_.async([this, recording = std::move(recording)]() mutable {
        if (auto left = std::move(current_.recorder)) {
            // Every recording is stopped before the next begins; should one not be, its movie
            // is still completed rather than dropped.
            dlog("⚠️ Writer: finishing a recording that was never stopped:", left->outputURL().fileName());
            left->finish({});
        }
        current_ = Current {};
        current_.recording = std::move(recording);
        current_.active = true;
    });
}

void InputWriter::enqueue(media::Frame frame)
{
    // A writer queue that falls behind drops new frames rather than holding them all.
    if (shared_->pending.fetch_add(1) >= maxPendingFrames) {
        shared_->pending.fetch_sub(1);
        ++shared_->handoffDropped;
        shared_->reportDrops(shared_->generation.load());
        return;
    }
    const bool queued = queue_.async([this, frame = std::move(frame)] {
        shared_->pending.fetch_sub(1);
        write(frame);
    });
    if (!queued)
        shared_->pending.fetch_sub(1);
}

void InputWriter::stop(std::uint64_t generation)
{
    queue_.async([this, generation] { finish(generation); });
}

void InputWriter::waitUntilWritten()
{
    std::shared_ptr<MovieRecorder> recorder;
    queue_.sync([&] { recorder = current_.recorder; });
    if (recorder)
        recorder->queue().sync([] {});
}

void InputWriter::write(const media::Frame& frame)
{
    Current& c = current_;
    if (!c.active || c.failed || shared_->failedGeneration.load() == c.recording.generation)
        return;
    if (!c.recorder && !makeRecorder(frame))
        return;
    c.recorder->append(frame);
    ++c.frameCount;
    const double now = clock_.now();
    if (c.lastTimecodeTime && now - *c.lastTimecodeTime < tcMinInterval)
        return;
    c.lastTimecodeTime = now;
    Report report;
    report.kind = Report::Kind::timecode;
    report.generation = c.recording.generation;
    report.text = RecordViewModel::timecodeString(c.frameCount, c.recording.session, c.recording.fps);
    shared_->reporter(report);
}

bool InputWriter::makeRecorder(const media::Frame& frame)
{
    Current& c = current_;
    const std::uint64_t generation = c.recording.generation;
    std::weak_ptr<Shared> weak = shared_;
    auto onDropped = [weak, generation](int total) {
        auto shared = weak.lock();
        if (!shared || shared->generation.load() != generation)
            return;
        shared->recorderDropped = total;
        shared->reportDrops(generation);
    };
    auto onError = [weak, generation](const MovieRecorder::Error& error) {
        auto shared = weak.lock();
        if (!shared)
            return;
        shared->failedGeneration = generation;
        Report report;
        report.kind = Report::Kind::writeFailed;
        report.generation = generation;
        report.text = error.localizedDescription();
        shared->reporter(report);
    };
    // Codec and bit rate as they stand at the first frame, not at the start.
    const auto codec = settings_.recordingCodec();
    const auto bitrate = settings_.recordingBitrate();
    const auto colors = colors_ ? colors_() : std::nullopt;
    auto create = [&](const QUrl& url) {
        return MovieRecorder::create(
            url, frame.width(), frame.height(), c.recording.fps, codec, bitrate, colors, onDropped, onError);
    };

    auto made = create(c.recording.url);
    // The recorder never replaces a file: when the name was taken since the start, the next free
    // one is used, once.
    if (!made && made.error() == MovieRecorder::RecorderError::cannotCreateWriter && !c.renamed
        && QFileInfo::exists(c.recording.url.toLocalFile())) {
        c.renamed = true;
        const auto next = ClipNaming::nextFreeURL(c.recording.folder, c.recording.tag);
        if (!next) {
            c.failed = true;
            Report report;
            report.kind = Report::Kind::cannotCreateFile;
            report.generation = generation;
            shared_->reporter(report);
            return false;
        }
        c.recording.url = *next;
        Report report;
        report.kind = Report::Kind::urlChanged;
        report.generation = generation;
        report.url = *next;
        shared_->reporter(report);
        made = create(*next);
    }
    if (!made) {
        // Not retried frame after frame: the recording has failed.
        c.failed = true;
        Report report;
        report.kind = Report::Kind::initFailed;
        report.generation = generation;
        report.initError = made.error();
        shared_->reporter(report);
        return false;
    }
    c.recorder = std::move(made).value();
    return true;
}

void InputWriter::finish(std::uint64_t generation)
{
    Current& c = current_;
    Report report;
    report.kind = Report::Kind::stopped;
    report.generation = generation;
    if (c.recording.generation != generation || !c.active) {
        shared_->reporter(report);
        return;
    }
    c.active = false;
    report.url = c.recording.url;
    report.failedBeforeMovie = c.failed;
    auto recorder = std::move(c.recorder);
    if (!recorder) {
        shared_->reporter(report);
        return;
    }
    recorder->finish([shared = shared_, report](const QUrl& url, MovieRecorder::FinishStatus status) mutable {
        report.url = url;
        report.finishStatus = status;
        shared->reporter(report);
    });
}

} // namespace capture
