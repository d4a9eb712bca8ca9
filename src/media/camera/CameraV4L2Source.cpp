#include "media/camera/CameraV4L2Source.h"

#include "media/FFmpegSupport.h"
#include "media/camera/CameraNode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/time.h>
}

#include <pthread.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>

namespace media {

namespace {

// How long an empty non-blocking read waits before asking again: well under a frame interval.
constexpr auto kEmptyReadWait = std::chrono::milliseconds(3);

void registerDevicesOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

CameraError errorFromAv(int result)
{
    if (result == AVERROR_EOF)
        return CameraError::deviceGone;
    const int error = AVUNERROR(result);
    return error > 0 && error < 4096 ? cameraErrorFromErrno(error) : CameraError::failed;
}

std::optional<CameraPixelFormat> deliveredFormat(const AVCodecParameters* parameters)
{
    if (parameters->codec_id == AV_CODEC_ID_MJPEG)
        return CameraPixelFormat::mjpeg;
    if (parameters->codec_id != AV_CODEC_ID_RAWVIDEO)
        return std::nullopt;
    switch (parameters->format) {
    case AV_PIX_FMT_YUYV422:
        return CameraPixelFormat::yuyv;
    case AV_PIX_FMT_UYVY422:
        return CameraPixelFormat::uyvy;
    case AV_PIX_FMT_NV12:
        return CameraPixelFormat::nv12;
    case AV_PIX_FMT_YUV420P:
        return CameraPixelFormat::yuv420;
    default:
        return std::nullopt;
    }
}

} // namespace

platform::Result<std::unique_ptr<CameraV4L2Source>, CameraError> CameraV4L2Source::open(
    const CameraDevice& device, const CameraRequest& request, CameraSink sink, platform::MediaClock& clock)
{
    if (device.path.empty())
        return platform::fail(CameraError::deviceGone);

    // Ask the node itself what it is and what it can do; it is closed again before streaming.
    CameraMode mode;
    CameraColor driverColor;
    {
        auto node = CameraNode::open(device.path);
        if (!node)
            return platform::fail(node.error());
        const auto chosen = chooseCameraMode(node->modes(request), request);
        if (!chosen)
            return platform::fail(CameraError::noUsableMode);
        mode = *chosen;
        driverColor = cameraColorFromV4L2(node->colorimetry(mode), mode.format);
    }

    registerDevicesOnce();
    const AVInputFormat* v4l2 = av_find_input_format("video4linux2");
    if (!v4l2)
        return platform::fail(CameraError::failed);

    initializeFFmpeg();
    std::unique_ptr<CameraV4L2Source> source(new CameraV4L2Source(mode, std::move(sink), clock));
    AVFormatContext* input = avformat_alloc_context();
    if (!input)
        return platform::fail(CameraError::failed);
    input->flags |= AVFMT_FLAG_NONBLOCK;

    AVDictionary* options = nullptr;
    const std::string size = std::to_string(mode.width) + "x" + std::to_string(mode.height);
    const std::string rate = std::to_string(mode.rateNumerator) + "/" + std::to_string(mode.rateDenominator);
    av_dict_set(&options, "video_size", size.c_str(), 0);
    av_dict_set(&options, "framerate", rate.c_str(), 0);
    av_dict_set(&options, "input_format", std::string(ffmpegName(mode.format)).c_str(), 0);
    const int opened = avformat_open_input(&input, device.path.c_str(), v4l2, &options);
    av_dict_free(&options);
    if (opened < 0) // avformat_open_input frees the context on failure
        return platform::fail(errorFromAv(opened));
    source->input_ = input;

    if (input->nb_streams < 1 || !input->streams[0]->codecpar)
        return platform::fail(CameraError::failed);
    // The driver may have settled on another size, or libavdevice on another format when ours
    // was refused: decode what actually arrives.
    const AVCodecParameters* parameters = input->streams[0]->codecpar;
    const auto delivered = deliveredFormat(parameters);
    if (!delivered)
        return platform::fail(CameraError::noUsableMode);
    if (*delivered != mode.format)
        driverColor = {};
    source->mode_.format = *delivered;
    if (parameters->width > 0 && parameters->height > 0) {
        source->mode_.width = parameters->width;
        source->mode_.height = parameters->height;
    }
    auto decoder = CameraDecoder::create(source->mode_.format, source->mode_.width, source->mode_.height, driverColor);
    if (!decoder)
        return platform::fail(decoder.error());
    source->decoder_ = std::move(decoder).value();

    source->thread_ = std::thread([raw = source.get(), control = source->control_] { raw->run(control); });
    return source;
}

CameraV4L2Source::CameraV4L2Source(CameraMode mode, CameraSink sink, platform::MediaClock& clock)
    : mode_(mode)
    , sink_(std::move(sink))
    , clock_(clock)
{
}

CameraV4L2Source::~CameraV4L2Source()
{
    stop();
    if (thread_.joinable() && onOwnThread()) {
        // Destroyed inside a sink callback: the loop sees this once the callback returns and
        // leaves without touching the source again; the thread ends by itself.
        std::lock_guard lock(control_->mutex);
        control_->destroyed = true;
        thread_.detach();
    }
    if (input_)
        avformat_close_input(&input_);
}

void CameraV4L2Source::stop()
{
    {
        std::lock_guard lock(control_->mutex);
        control_->stopping = true;
    }
    control_->wake.notify_all();
    // On its own thread the loop ends once the running callback returns; it is joined (or let
    // go) by the destructor.
    if (thread_.joinable() && !onOwnThread())
        thread_.join();
}

void CameraV4L2Source::run(const std::shared_ptr<Control>& control)
{
    pthread_setname_np(pthread_self(), "Corvale.Camera");
    // The sink is called from a copy: a callback may destroy the source and with it sink_.
    const CameraSink sink = sink_;
    AVPacket* packet = av_packet_alloc();
    if (!packet) {
        if (sink.ended)
            sink.ended(CameraError::failed);
        return;
    }
    for (;;) {
        {
            std::lock_guard lock(control->mutex);
            if (control->stopping || control->destroyed)
                break;
        }
        const int result = av_read_frame(input_, packet);
        if (result == AVERROR(EAGAIN)) {
            std::unique_lock lock(control->mutex);
            control->wake.wait_for(lock, kEmptyReadWait, [&] { return control->stopping; });
            continue;
        }
        if (result < 0) {
            // Unplugged (ENODEV) or broken: the session ends; stop() still joins this thread.
            bool stopping;
            {
                std::lock_guard lock(control->mutex);
                stopping = control->stopping;
            }
            if (!stopping && sink.ended)
                sink.ended(errorFromAv(result));
            break;
        }
        // libavdevice stamps packets on the wall clock (it converts the driver's monotonic
        // stamps); the frame's age moves it onto the media clock, queueing delays included.
        double time = clock_.now();
        if (packet->pts != AV_NOPTS_VALUE) {
            const double age = double(av_gettime() - packet->pts) / 1e6;
            if (age > 0.0 && age < 1.0)
                time -= age;
        }
        Frame frame = decoder_->decode(packet, time);
        av_packet_unref(packet);
        if (!frame.isNull() && sink.frame)
            sink.frame(std::move(frame));
    }
    av_packet_free(&packet);
}

} // namespace media
