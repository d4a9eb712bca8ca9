#include "media/player/ItemDecoder.h"

#include "media/FFmpegSupport.h"
#include "media/FFmpegTags.h"
#include "media/frame/FrameConverter.h"
#include "media/player/DecodeThreadBudget.h"
#include "media/player/DecodedFrameCache.h"
#include "media/player/LocalMediaFile.h"
#include "media/player/PlayerFrameQueue.h"
#include "media/player/PlayerTimebase.h"
#include "platform/MediaClock.h"
#include "platform/SerialQueue.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>

namespace media {

namespace {
constexpr double kSlack = 1e-6;
// Stepping backwards keeps the pictures up to this far before a seek target.
constexpr double kBackwardCacheSpan = 1.5;
// Consecutive decoding failures after which the stream counts as broken.
constexpr int kMaximumFailures = 256;
// A seek this far back or less counts as a step of reverse play.
constexpr double kReverseStepLimit = 0.75;
// At this rate and above, long-GOP material is decoded keyframes only.
constexpr double kKeyframeOnlyRate = 4.0;
// Stepping backwards decodes ahead, while idle, the pictures of this many further steps.
constexpr int kPrefetchSteps = 12;

// Whether a picture [t, t + d) holds one of the points target - k * step (k = 1, 2, ...) that
// stepping back from `target` by `step` will land on.
bool landsOnStep(double t, double d, double target, double step)
{
    if (step <= d)
        return true;
    const double k = std::ceil((target - (t + d)) / step + kSlack);
    return target - k * step >= t - kSlack;
}

using FramePtr = AVFramePtr;
using PacketPtr = AVPacketPtr;
using CodecPtr = AVCodecContextPtr;
} // namespace

// The libav* state of one open item, touched only by the decoder thread.
class ItemDecoder::Worker {
public:
    Worker(ItemDecoder& owner)
        : owner_(owner)
        , cache_(kCacheBytes, &DecodedFrameBudget::shared())
    {
    }

    bool open(OpenInfo& info, QString& error);
    void serveSeek(double target, std::uint64_t epoch);
    // One step of decoding ahead; false when there is nothing more to decode.
    bool decodeAhead(double rate, std::uint64_t epoch);
    // One picture of the steps that reverse play will ask for next, decoded while the thread
    // would idle; false when there is nothing to decode ahead.
    bool prefetchBackward();
    bool atEnd() const { return eof_; }
    bool hasVideo() const { return codec_ != nullptr; }

private:
    int decodeNext(AVFrame* out);
    double frameTime(const AVFrame* f) const;
    double frameDuration(const AVFrame* f) const;
    double keyframeAtOrBefore(double seconds) const;
    // Repositions the demuxer and makes `codec` (default: the seeking decoder) the active one.
    bool seekDemuxer(double seconds, AVCodecContext* codec = nullptr);
    Frame convert(const AVFrame* f);
    Frame withStreamTags(Frame frame) const;
    void reportError(int rc);
    // Converts on the conversion thread and queues the picture, so decoding the next picture
    // overlaps converting this one. At most kConversionsInFlight wait.
    void convertAhead(AVFrame* picture, double duration, std::uint64_t epoch);
    static constexpr int kConversionsInFlight = 2;

    ItemDecoder& owner_;
    std::unique_ptr<LocalMediaFile> file_;
    AVStream* stream_ = nullptr;
    CodecPtr codec_; // serves seeks; for intra material slice-threaded, so no frame waits
    CodecPtr playCodec_; // intra material only: frame-threaded, for playing forward
    AVCodecContext* active_ = nullptr;
    PacketPtr packet_;
    FramePtr picture_;
    FramePtr previous_; // the last picture before the seek target, while serving a seek
    DecodeThreadBudget::Lease lease_;
    // One converter (one scaler and its threads) per decoder, used on convertQueue_ only.
    std::unique_ptr<FrameConverter> converter_;
    DecodedFrameCache cache_;
    std::mutex inFlightMutex_;
    std::condition_variable inFlightChanged_;
    int inFlight_ = 0;
    std::unique_ptr<platform::SerialQueue> convertQueue_; // last: goes first

    bool intraOnly_ = false;
    double startOffset_ = 0.0; // stream start, in seconds
    double nominalDuration_ = 1.0 / 25.0;
    bool draining_ = false; // the demuxer is exhausted and the decoder is being flushed
    bool eof_ = false; // every picture has come out
    bool positionValid_ = false;
    double lastDecoded_ = -std::numeric_limits<double>::infinity();
    double lastDecodedEnd_ = -std::numeric_limits<double>::infinity(); // its time plus its duration
    double resumeFrom_ = 0.0; // decoding ahead shows pictures from this time on
    double lastTarget_ = 0.0;
    double catchUpFloor_ = -std::numeric_limits<double>::infinity();
    bool errorReported_ = false;
    double reverseStep_ = 0.0; // the last step back, while stepping backwards; 0 otherwise
    std::optional<double> prefetchGoal_; // the step being decoded ahead, while the demuxer is ours
};

bool ItemDecoder::Worker::open(OpenInfo& info, QString& error)
{
    auto opened = LocalMediaFile::open(owner_.url_, &owner_.stop_);
    if (!opened) {
        error = opened.error();
        return false;
    }
    file_ = std::move(opened).value();
    AVFormatContext* format = file_->format();
    info.hasAudio = file_->hasAudio();
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        info.duration = MediaTime(format->duration, AV_TIME_BASE);

    stream_ = file_->videoStream();
    if (!stream_) {
        if (!info.hasAudio) {
            error = QStringLiteral("The file has no playable track");
            return false;
        }
        return true; // sound only: nothing to decode here
    }
    // Only the video stream is read.
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = static_cast<int>(i) == stream_->index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    const AVCodecParameters* par = stream_->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) {
        error = QStringLiteral("No decoder for %1").arg(QString::fromUtf8(avcodec_get_name(par->codec_id)));
        return false;
    }
    codec_.reset(avcodec_alloc_context3(decoder));
    packet_.reset(av_packet_alloc());
    picture_.reset(av_frame_alloc());
    previous_.reset(av_frame_alloc());
    if (!codec_ || !packet_ || !picture_ || !previous_ || avcodec_parameters_to_context(codec_.get(), par) < 0) {
        error = QStringLiteral("Out of memory");
        return false;
    }
    codec_->pkt_timebase = stream_->time_base;
    codec_->max_pixels = LocalMediaFile::kMaximumPicturePixels;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(par->codec_id);
    intraOnly_ = descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY);
    lease_ = DecodeThreadBudget::shared().take();
    codec_->thread_count = lease_.threads();
    // Intra pictures decode in slices with no extra delay, which keeps exact seeks quick;
    // long-GOP material takes frame threads too for throughput.
    codec_->thread_type = intraOnly_ ? FF_THREAD_SLICE : (FF_THREAD_FRAME | FF_THREAD_SLICE);
    const int rc = avcodec_open2(codec_.get(), decoder, nullptr);
    if (rc < 0) {
        error = QStringLiteral("Cannot decode %1: %2").arg(QString::fromUtf8(decoder->name), avErrorText(rc));
        codec_.reset();
        return false;
    }
    active_ = codec_.get();
    if (intraOnly_ && lease_.threads() > 1) {
        // Pictures stand alone, so a second decoder with frame threads can take over for
        // playing, where throughput counts and a few pictures of delay do not.
        playCodec_.reset(avcodec_alloc_context3(decoder));
        if (playCodec_ && avcodec_parameters_to_context(playCodec_.get(), par) >= 0) {
            playCodec_->pkt_timebase = stream_->time_base;
            playCodec_->max_pixels = LocalMediaFile::kMaximumPicturePixels;
            playCodec_->thread_count = lease_.threads();
            playCodec_->thread_type = FF_THREAD_FRAME;
            if (avcodec_open2(playCodec_.get(), decoder, nullptr) < 0)
                playCodec_.reset();
        } else {
            playCodec_.reset();
        }
    }
    converter_ = std::make_unique<FrameConverter>(lease_.threads());
    convertQueue_ = std::make_unique<platform::SerialQueue>("Corvale.PlayerConvert");

    if (stream_->start_time != AV_NOPTS_VALUE)
        startOffset_ = static_cast<double>(stream_->start_time) * av_q2d(stream_->time_base);
    info.hasVideo = true;
    info.width = par->width;
    info.height = par->height;
    for (AVRational r : { stream_->avg_frame_rate, stream_->r_frame_rate }) {
        if (r.num > 0 && r.den > 0 && av_q2d(r) < 1000.0) {
            info.nominalFrameRate = av_q2d(r);
            break;
        }
    }
    if (info.nominalFrameRate > 0.0)
        nominalDuration_ = 1.0 / info.nominalFrameRate;
    if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0 && stream_->time_base.num > 0)
        info.duration = MediaTime(stream_->duration * stream_->time_base.num, stream_->time_base.den);
    positionValid_ = true;
    return true;
}

double ItemDecoder::Worker::frameTime(const AVFrame* f) const
{
    int64_t pts = f->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        pts = f->pts;
    if (pts == AV_NOPTS_VALUE)
        return lastDecoded_ + nominalDuration_;
    return static_cast<double>(pts) * av_q2d(stream_->time_base) - startOffset_;
}

double ItemDecoder::Worker::frameDuration(const AVFrame* f) const
{
    if (f->pkt_duration > 0)
        return static_cast<double>(f->pkt_duration) * av_q2d(stream_->time_base);
    return nominalDuration_;
}

double ItemDecoder::Worker::keyframeAtOrBefore(double seconds) const
{
    if (intraOnly_)
        return seconds;
    const auto ts = static_cast<int64_t>(std::floor((seconds + startOffset_) / av_q2d(stream_->time_base) + 1e-6));
    const int index = av_index_search_timestamp(stream_, ts, AVSEEK_FLAG_BACKWARD);
    if (index < 0)
        return -std::numeric_limits<double>::infinity();
    const AVIndexEntry* entry = avformat_index_get_entry(stream_, index);
    if (!entry)
        return -std::numeric_limits<double>::infinity();
    return static_cast<double>(entry->timestamp) * av_q2d(stream_->time_base) - startOffset_;
}

bool ItemDecoder::Worker::seekDemuxer(double seconds, AVCodecContext* codec)
{
    const auto ts = static_cast<int64_t>(std::floor((seconds + startOffset_) / av_q2d(stream_->time_base) + 1e-6));
    int rc = av_seek_frame(file_->format(), stream_->index, ts, AVSEEK_FLAG_BACKWARD);
    if (rc < 0)
        rc = av_seek_frame(file_->format(), stream_->index, ts, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    active_ = codec ? codec : codec_.get();
    avcodec_flush_buffers(active_);
    prefetchGoal_.reset();
    draining_ = false;
    eof_ = false;
    lastDecoded_ = -std::numeric_limits<double>::infinity();
    lastDecodedEnd_ = lastDecoded_;
    av_frame_unref(previous_.get());
    positionValid_ = rc >= 0;
    if (rc < 0)
        reportError(rc);
    return rc >= 0;
}

int ItemDecoder::Worker::decodeNext(AVFrame* out)
{
    // Damaged pictures are skipped, as players do; only a long run of failures, which means the
    // stream itself is broken, stops decoding.
    int failures = 0;
    while (!owner_.stop_.load()) {
        int rc = avcodec_receive_frame(active_, out);
        if (rc == 0) {
            lastDecoded_ = frameTime(out);
            lastDecodedEnd_ = lastDecoded_ + frameDuration(out);
            return 0;
        }
        if (rc == AVERROR_EOF) {
            eof_ = true;
            return AVERROR_EOF;
        }
        if (rc != AVERROR(EAGAIN)) {
            if (++failures > kMaximumFailures)
                return rc;
            continue;
        }
        if (draining_) {
            eof_ = true;
            return AVERROR_EOF;
        }
        rc = av_read_frame(file_->format(), packet_.get());
        if (rc == AVERROR_EOF || (rc < 0 && file_->format()->pb && avio_feof(file_->format()->pb))) {
            draining_ = true;
            avcodec_send_packet(active_, nullptr);
            continue;
        }
        if (rc < 0) {
            if (++failures > kMaximumFailures)
                return rc;
            continue;
        }
        if (packet_->stream_index == stream_->index)
            rc = avcodec_send_packet(active_, packet_.get());
        av_packet_unref(packet_.get());
        if (rc < 0 && rc != AVERROR(EAGAIN) && ++failures > kMaximumFailures)
            return rc;
    }
    return AVERROR_EXIT;
}

Frame ItemDecoder::Worker::convert(const AVFrame* f)
{
    // On the conversion thread, after the pictures already queued there.
    Frame converted;
    const double time = frameTime(f);
    convertQueue_->sync([&] { converted = converter_->convert(f, time); });
    return withStreamTags(std::move(converted));
}

Frame ItemDecoder::Worker::withStreamTags(Frame frame) const
{
    if (frame.isNull())
        return frame;
    // Pictures that carry no colour tags of their own take the container's.
    const AVCodecParameters* par = stream_->codecpar;
    const ColorTags fromFrame = frame.colorTags();
    const ColorTags fromStream = ffmpegtags::colorTags(par->color_primaries, par->color_trc, par->color_space);
    ColorTags tags = fromFrame;
    if (tags.primaries == ColorPrimaries::Unknown)
        tags.primaries = fromStream.primaries;
    if (tags.transfer == TransferFunction::Unknown)
        tags.transfer = fromStream.transfer;
    if (tags.matrix == YCbCrMatrix::Unknown)
        tags.matrix = fromStream.matrix;
    if (!(tags == fromFrame))
        frame = frame.withColorTags(tags);
    // Interlacing the picture does not state is taken from the stream's field order.
    if (!frame.fieldInfo().interlaced() && par->field_order != AV_FIELD_PROGRESSIVE
        && par->field_order != AV_FIELD_UNKNOWN)
        frame = frame.withFieldInfo(ffmpegtags::fieldInfo(par->field_order));
    return frame;
}

void ItemDecoder::Worker::reportError(int rc)
{
    if (errorReported_ || rc == AVERROR_EXIT || owner_.stop_.load())
        return;
    errorReported_ = true;
    if (owner_.callbacks_.playbackFailed)
        owner_.callbacks_.playbackFailed(avErrorText(rc));
}

void ItemDecoder::Worker::serveSeek(double target, std::uint64_t epoch)
{
    if (!codec_)
        return;
    // Small steps back are reverse play or jogging: the pictures before the target will be asked
    // for next. A long jump back is not worth converting pictures for.
    const bool backward = target < lastTarget_ && lastTarget_ - target <= kReverseStepLimit;
    // Reverse play steps back by the same distance each time: only the pictures that the next
    // steps will land on are worth converting.
    const double step = lastTarget_ - target;
    reverseStep_ = backward ? step : 0.0;
    lastTarget_ = target;
    codec_->skip_frame = AVDISCARD_DEFAULT;

    if (auto hit = cache_.find(target)) {
        owner_.queue_->push(hit->frame, hit->duration, epoch);
        resumeFrom_ = hit->frame.presentationTime() + hit->duration;
        // Decoding ahead goes on from here only when the decoder stands right at this picture.
        positionValid_ = positionValid_ && !eof_ && std::fabs(lastDecoded_ - hit->frame.presentationTime()) < kSlack;
        return;
    }

    prefetchGoal_.reset(); // the decoder is about to move
    // Decoding on from where the decoder stands is cheaper than seeking when no keyframe lies
    // between there and the target.
    // The picture the decoder last gave must lie wholly before the target: when it holds the
    // target, decoding on would only give the pictures after it.
    const bool canContinue = positionValid_ && !eof_ && active_ == codec_.get() && lastDecodedEnd_ <= target + kSlack
        && keyframeAtOrBefore(target) <= lastDecoded_ + kSlack;
    catchUpFloor_ = -std::numeric_limits<double>::infinity();
    double seekPoint = target;
    if (!canContinue && !seekDemuxer(seekPoint))
        return;
    const bool fresh = !canContinue;
    int retries = 0;

    bool havePrevious = false;
    double previousDuration = nominalDuration_;
    AVFrame* result = nullptr;
    double resultDuration = nominalDuration_;
    for (;;) {
        const int rc = decodeNext(picture_.get());
        if (rc == AVERROR_EOF && !havePrevious && fresh && retries < 5 && seekPoint > 0.0) {
            // Nothing decodable from the keyframe on (a damaged stretch): start further back.
            seekPoint = std::max(0.0, seekPoint - 0.5 * (1 << retries));
            ++retries;
            if (!seekDemuxer(seekPoint))
                return;
            continue;
        }
        if (rc == AVERROR_EOF) {
            // Past the last picture: the last one stays on show.
            if (havePrevious) {
                result = previous_.get();
                resultDuration = previousDuration;
            }
            break;
        }
        if (rc < 0) {
            reportError(rc);
            if (!havePrevious)
                return;
            result = previous_.get();
            resultDuration = previousDuration;
            break;
        }
        const double t = frameTime(picture_.get());
        const double d = frameDuration(picture_.get());
        if (t > target + kSlack && !havePrevious && fresh && retries < 5 && seekPoint > 0.0) {
            // The demuxer landed on a keyframe shown after the target (its index counts decode
            // times, which run ahead of presentation with reordered pictures): start further back.
            seekPoint = std::max(0.0, seekPoint - 0.5 * (1 << retries));
            ++retries;
            if (!seekDemuxer(seekPoint))
                return;
            continue;
        }
        if (t > target + kSlack) {
            // The target lies in a gap before this picture (or before the first one): the
            // picture before it is the one on show then.
            if (havePrevious) {
                result = previous_.get();
                resultDuration = previousDuration;
                // This picture was decoded already; keep it so playing on does not lose it.
                cache_.insert(convert(picture_.get()), d);
            } else {
                result = picture_.get();
                resultDuration = d;
            }
            break;
        }
        if (target < t + d - kSlack) {
            result = picture_.get();
            resultDuration = d;
            break;
        }
        if (backward && t >= target - kBackwardCacheSpan && landsOnStep(t, d, target, step))
            cache_.insert(convert(picture_.get()), d);
        av_frame_unref(previous_.get());
        av_frame_move_ref(previous_.get(), picture_.get());
        havePrevious = true;
        previousDuration = d;
    }
    if (!result)
        return;
    Frame shown = convert(result);
    if (shown.isNull())
        return;
    cache_.insert(shown, resultDuration);
    owner_.queue_->push(shown, resultDuration, epoch);
    resumeFrom_ = shown.presentationTime() + resultDuration;
    av_frame_unref(picture_.get());
    av_frame_unref(previous_.get());
}

bool ItemDecoder::Worker::prefetchBackward()
{
    if (reverseStep_ <= 0.0 || !codec_)
        return false;
    if (!prefetchGoal_) {
        std::optional<double> goal;
        for (int k = 1; k <= kPrefetchSteps && !goal; ++k) {
            const double point = lastTarget_ - k * reverseStep_;
            if (point < 0.0 || point < lastTarget_ - kBackwardCacheSpan)
                break;
            if (!cache_.contains(point))
                goal = point;
        }
        if (!goal || !seekDemuxer(*goal)) {
            reverseStep_ = 0.0; // all there, or not reachable: until the next step back
            return false;
        }
        // Playing on must not start from here.
        positionValid_ = false;
        prefetchGoal_ = goal;
    }
    const double goal = *prefetchGoal_;
    const int rc = decodeNext(picture_.get());
    const double t = rc == 0 ? frameTime(picture_.get()) : 0.0;
    const double d = rc == 0 ? frameDuration(picture_.get()) : 0.0;
    if (rc == 0 && t < lastTarget_ - kSlack && t >= lastTarget_ - kBackwardCacheSpan
        && landsOnStep(t, d, lastTarget_, reverseStep_))
        cache_.insert(convert(picture_.get()), d);
    av_frame_unref(picture_.get());
    if (rc == 0 && t + d <= goal + kSlack)
        return true; // the goal is further on
    // The goal's picture is in (or the stream would not give it: stop trying until the next step).
    prefetchGoal_.reset();
    if (rc != 0 || !cache_.contains(goal))
        reverseStep_ = 0.0;
    return true;
}

bool ItemDecoder::Worker::decodeAhead(double rate, std::uint64_t epoch)
{
    if (!codec_)
        return false;
    reverseStep_ = 0.0;
    AVCodecContext* playing = playCodec_ ? playCodec_.get() : codec_.get();
    if (!positionValid_ || active_ != playing) {
        if (!seekDemuxer(resumeFrom_, playing))
            return false;
    }
    if (eof_)
        return false;
    playing->skip_frame = rate >= kKeyframeOnlyRate && !intraOnly_ ? AVDISCARD_NONKEY : AVDISCARD_DEFAULT;

    // Fallen behind the clock: skip ahead rather than decode a backlog nobody will see.
    const double now = owner_.timebase_->itemTime(owner_.clock_.now());
    // The jump lands on the picture due now (or the keyframe before it), never on one ahead of
    // the clock, so what is shown is never later than the position reported.
    const double lagLimit = std::max(0.25, 0.05 * rate);
    if (rate > 0.0 && std::max(lastDecoded_, resumeFrom_) < now - lagLimit) {
        const double target = std::min(now, owner_.timebase_->end());
        const double keyframe = keyframeAtOrBefore(target);
        // Each keyframe is jumped to once: a jump that lands short is not repeated forever.
        if (std::isfinite(keyframe) && keyframe > lastDecoded_ + nominalDuration_ && keyframe > catchUpFloor_) {
            catchUpFloor_ = keyframe;
            if (!seekDemuxer(target, playing))
                return false;
        }
        resumeFrom_ = std::max(resumeFrom_, target);
    }

    const int rc = decodeNext(picture_.get());
    if (rc == AVERROR_EOF)
        return false;
    if (rc < 0) {
        reportError(rc);
        return false;
    }
    const double t = frameTime(picture_.get());
    const double d = frameDuration(picture_.get());
    if (t + d <= resumeFrom_ + kSlack && !(picture_->key_frame && rate >= kKeyframeOnlyRate)) {
        av_frame_unref(picture_.get());
        return true; // before the point playback resumes from: not shown
    }
    AVFrame* handed = av_frame_alloc();
    if (!handed)
        return false;
    av_frame_move_ref(handed, picture_.get());
    convertAhead(handed, d, epoch);
    return true;
}

void ItemDecoder::Worker::convertAhead(AVFrame* picture, double duration, std::uint64_t epoch)
{
    {
        std::unique_lock lock(inFlightMutex_);
        inFlightChanged_.wait(lock, [this] { return inFlight_ < kConversionsInFlight; });
        ++inFlight_;
    }
    const double time = frameTime(picture);
    const bool queued = convertQueue_->async([this, picture, duration, epoch, time] {
        AVFrame* owned = picture;
        // A picture of an epoch a seek has ended is not worth converting.
        if (owner_.queue_->epoch() == epoch) {
            Frame shown = converter_->convert(owned, time);
            if (!shown.isNull())
                owner_.queue_->push(withStreamTags(std::move(shown)), duration, epoch);
        }
        av_frame_free(&owned);
        {
            std::lock_guard lock(inFlightMutex_);
            --inFlight_;
        }
        inFlightChanged_.notify_all();
    });
    if (!queued) {
        AVFrame* owned = picture;
        av_frame_free(&owned);
        std::lock_guard lock(inFlightMutex_);
        --inFlight_;
    }
}

ItemDecoder::ItemDecoder(QUrl url, std::shared_ptr<PlayerFrameQueue> queue,
    std::shared_ptr<const PlayerTimebase> timebase, const platform::MediaClock& clock, Callbacks callbacks)
    : url_(std::move(url))
    , queue_(std::move(queue))
    , timebase_(std::move(timebase))
    , clock_(clock)
    , callbacks_(std::move(callbacks))
{
    thread_ = std::thread([this] { run(); });
}

ItemDecoder::~ItemDecoder()
{
    stop_.store(true);
    queue_->wake();
    if (thread_.joinable())
        thread_.join();
}

void ItemDecoder::seek(double seconds, std::uint64_t epoch)
{
    {
        std::lock_guard lock(mutex_);
        pendingSeek_ = SeekRequest { seconds, epoch };
        activeEpoch_ = epoch;
    }
    queue_->wake();
}

void ItemDecoder::setRate(double rate)
{
    {
        std::lock_guard lock(mutex_);
        rate_ = rate;
    }
    queue_->wake();
}

void ItemDecoder::run()
{
    Worker worker(*this);
    OpenInfo info;
    QString error;
    if (!worker.open(info, error)) {
        if (!stop_.load() && callbacks_.openFailed)
            callbacks_.openFailed(error);
        return;
    }
    {
        // Shows the first picture (or the one a seek made before opening asked for).
        std::lock_guard lock(mutex_);
        if (!pendingSeek_)
            pendingSeek_ = SeekRequest { std::max(0.0, timebase_->itemTime(clock_.now())), activeEpoch_ };
    }
    if (callbacks_.opened)
        callbacks_.opened(info);

    int preroll = 0; // pictures still to decode ahead while paused
    bool settled = false; // no seek came for the settle time since the last one
    while (!stop_.load()) {
        std::optional<SeekRequest> seek;
        double rate = 0.0;
        std::uint64_t epoch = 0;
        {
            std::lock_guard lock(mutex_);
            seek = std::exchange(pendingSeek_, std::nullopt);
            rate = rate_;
            epoch = activeEpoch_;
        }
        if (seek) {
            worker.serveSeek(seek->seconds, seek->epoch);
            preroll = kPrerollPictures;
            settled = false;
            continue;
        }
        if (!worker.hasVideo() || worker.atEnd()) {
            queue_->waitForWake(false);
            continue;
        }
        if (rate <= 0.0) {
            if (worker.prefetchBackward())
                continue;
            if (preroll > 0 && !settled) {
                settled = !queue_->waitForWakeFor(kPrerollSettle);
                continue;
            }
            if (preroll > 0 && queue_->hasRoom()) {
                --preroll;
                if (!worker.decodeAhead(1.0, epoch))
                    preroll = 0;
                continue;
            }
            queue_->waitForWake(false);
            continue;
        }
        preroll = 0;
        if (!queue_->hasRoom()) {
            queue_->waitForWake(true);
            continue;
        }
        if (!worker.decodeAhead(rate, epoch))
            queue_->waitForWake(false);
    }
}

} // namespace media
