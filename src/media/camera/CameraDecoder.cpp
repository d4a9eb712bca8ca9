#include "media/camera/CameraDecoder.h"

#include "media/FFmpegSupport.h"
#include "media/FFmpegTags.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <thread>

namespace media {

struct CameraDecoder::Codec {
    AVCodecContext* context = nullptr;
    AVFrame* picture = nullptr;
    AVPacket* packet = nullptr;
    ~Codec()
    {
        avcodec_free_context(&context);
        av_frame_free(&picture);
        av_packet_free(&packet);
    }
};

struct CameraDecoder::Scaler {
    SwsContext* context = nullptr;
    AVPixelFormat source = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0;
    YCbCrMatrix matrix = YCbCrMatrix::Unknown;
    bool fullRange = false;
    AVFrame* input = nullptr; // a reference to the picture being converted, with its format fixed up
    AVFrame* output = nullptr; // wraps the pooled frame being written
    ~Scaler()
    {
        sws_freeContext(context);
        av_frame_free(&input);
        av_frame_free(&output);
    }
};

namespace {

int defaultThreads()
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return int(std::clamp(cores / 2, 1u, 4u));
}

// The JPEG pixel formats are the plain ones at full range; libswscale wants the plain ones.
AVPixelFormat withoutJpegRange(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

CameraPixelFormat cameraFormatOf(AVPixelFormat format, CameraPixelFormat fallback)
{
    switch (format) {
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_RGBA:
    case AV_PIX_FMT_ARGB:
    case AV_PIX_FMT_ABGR:
    case AV_PIX_FMT_RGB24:
    case AV_PIX_FMT_BGR24:
    case AV_PIX_FMT_BGR0:
    case AV_PIX_FMT_RGB0:
        return CameraPixelFormat::bgra; // RGB: no matrix, no range to assume
    default:
        return fallback;
    }
}

void releaseNothing(void*, std::uint8_t*) { }

} // namespace

platform::Result<std::unique_ptr<CameraDecoder>, CameraError> CameraDecoder::create(
    CameraPixelFormat format, int width, int height, const CameraColor& driverColor, int threads, FramePool& pool)
{
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return platform::fail(CameraError::noUsableMode);
    std::unique_ptr<CameraDecoder> decoder(
        new CameraDecoder(format, width, height, driverColor, threads > 0 ? threads : defaultThreads(), pool));

    initializeFFmpeg();
    const bool jpeg = format == CameraPixelFormat::mjpeg;
    const AVCodec* codec = avcodec_find_decoder(jpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_RAWVIDEO);
    if (!codec)
        return platform::fail(CameraError::failed);
    auto& c = *decoder->codec_;
    c.context = avcodec_alloc_context3(codec);
    c.picture = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.context || !c.picture || !c.packet)
        return platform::fail(CameraError::failed);
    c.context->width = width;
    c.context->height = height;
    c.context->thread_count = 1; // one picture per packet and no reordering: threads only add latency
    if (!jpeg) {
        c.context->pix_fmt = av_get_pix_fmt(std::string(ffmpegName(format)).c_str());
        if (c.context->pix_fmt == AV_PIX_FMT_NONE)
            return platform::fail(CameraError::noUsableMode);
    }
    if (avcodec_open2(c.context, codec, nullptr) < 0)
        return platform::fail(CameraError::failed);
    return decoder;
}

CameraDecoder::CameraDecoder(
    CameraPixelFormat format, int width, int height, const CameraColor& driverColor, int threads, FramePool& pool)
    : format_(format)
    , width_(width)
    , height_(height)
    , driverColor_(driverColor)
    , threads_(threads)
    , pool_(pool)
    , codec_(std::make_unique<Codec>())
    , scaler_(std::make_unique<Scaler>())
{
    scaler_->input = av_frame_alloc();
    scaler_->output = av_frame_alloc();
}

CameraDecoder::~CameraDecoder() = default;

Frame CameraDecoder::decode(const std::uint8_t* data, std::size_t size, double presentationTime)
{
    if (!data || size == 0 || size > std::size_t(INT32_MAX))
        return {};
    AVPacket* packet = codec_->packet;
    av_packet_unref(packet);
    // Not reference-counted: the decoder copies what it keeps.
    packet->data = const_cast<std::uint8_t*>(data);
    packet->size = int(size);
    Frame frame = decode(packet, presentationTime);
    packet->data = nullptr;
    packet->size = 0;
    return frame;
}

Frame CameraDecoder::decode(const AVPacket* packet, double presentationTime)
{
    if (!packet || packet->size <= 0 || !codec_->context)
        return {};
    auto& c = *codec_;
    if (avcodec_send_packet(c.context, packet) < 0) {
        avcodec_flush_buffers(c.context);
        return {};
    }
    Frame frame;
    // Camera packets hold one picture each; drain whatever the decoder has, keeping the last.
    while (avcodec_receive_frame(c.context, c.picture) == 0) {
        if (!(c.picture->flags & AV_FRAME_FLAG_CORRUPT) && !c.picture->decode_error_flags)
            frame = convert(c.picture, presentationTime);
        av_frame_unref(c.picture);
    }
    return frame;
}

Frame CameraDecoder::convert(const AVFrame* picture, double presentationTime)
{
    if (!picture || picture->width <= 0 || picture->height <= 0 || !picture->buf[0])
        return {};
    auto& s = *scaler_;
    const auto original = static_cast<AVPixelFormat>(picture->format);
    const AVPixelFormat source = withoutJpegRange(original);
    if (source == AV_PIX_FMT_NONE || !sws_isSupportedInput(source))
        return {};

    const CameraPixelFormat kind = cameraFormatOf(source, format_);
    const CameraColor color
        = completeCameraColor(mergeCameraColor(cameraColorFromFrame(picture), driverColor_), kind, picture->height);

    if (!s.context || s.source != source || s.width != picture->width || s.height != picture->height
        || s.matrix != color.tags.matrix || s.fullRange != color.fullRange) {
        sws_freeContext(s.context);
        s.context = sws_alloc_context();
        if (!s.context)
            return {};
        av_opt_set_int(s.context, "srcw", picture->width, 0);
        av_opt_set_int(s.context, "srch", picture->height, 0);
        av_opt_set_int(s.context, "src_format", source, 0);
        av_opt_set_int(s.context, "dstw", picture->width, 0);
        av_opt_set_int(s.context, "dsth", picture->height, 0);
        av_opt_set_int(s.context, "dst_format", AV_PIX_FMT_BGRA, 0);
        av_opt_set_int(s.context, "sws_flags", SWS_BILINEAR, 0);
        av_opt_set_int(s.context, "threads", threads_, 0);
        if (sws_init_context(s.context, nullptr, nullptr) < 0) {
            sws_freeContext(s.context);
            s.context = nullptr;
            return {};
        }
        const int* coefficients = sws_getCoefficients(ffmpegtags::swsColorspace(color.tags.matrix));
        sws_setColorspaceDetails(s.context, coefficients, color.fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT),
            1, 0, 1 << 16, 1 << 16);
        s.source = source;
        s.width = picture->width;
        s.height = picture->height;
        s.matrix = color.tags.matrix;
        s.fullRange = color.fullRange;
    }

    MutableFrame target = pool_.acquire(PixelFormat::BGRA, picture->width, picture->height);
    if (target.isNull())
        return {};

    if (av_frame_ref(s.input, picture) < 0)
        return {};
    s.input->format = source;
    AVFrame* out = s.output;
    out->format = AV_PIX_FMT_BGRA;
    out->width = picture->width;
    out->height = picture->height;
    out->data[0] = target.data();
    out->linesize[0] = int(target.rowBytes());
    // libswscale keeps references to both frames while its threads work; the pooled pixels
    // outlive the call, so the reference releases nothing.
    out->buf[0]
        = av_buffer_create(target.data(), target.rowBytes() * std::size_t(picture->height), releaseNothing, nullptr, 0);
    const int result = out->buf[0] ? sws_scale_frame(s.context, out, s.input) : -1;
    av_frame_unref(out);
    av_frame_unref(s.input);
    if (result < 0)
        return {};

    target.setHostTime(presentationTime);
    target.setColorTags(color.tags);
    return std::move(target).share();
}

} // namespace media
