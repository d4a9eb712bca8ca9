// Camera pictures to BGRA at 1080p, for the formats cameras deliver (YUYV, NV12, MJPEG): our
// CameraDecoder (pooled frames, colour tags, libswscale slice threads) against libavcodec and
// libswscale used on their own the plain way (one thread, a fresh buffer). Prints one ratio per
// format and, last, the ratio of the three together. Times are wall-clock times: the slice threads
// are the point of our path, so the gain shrinks on a machine with few or busy cores.

#include "../BenchRatio.h"
#include "media/camera/CameraDecoder.h"
#include "media/camera/SyntheticCamera.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <cstring>
#include <vector>

using namespace media;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// The synthetic camera's picture, converted to `format` by libswscale.
AVFrame* testPicture(AVPixelFormat format)
{
    MutableFrame bgra(PixelFormat::BGRA, kWidth, kHeight);
    SyntheticCamera::drawTestPicture(bgra, 1234);
    AVFrame* picture = av_frame_alloc();
    picture->format = format;
    picture->width = kWidth;
    picture->height = kHeight;
    av_frame_get_buffer(picture, 0);
    SwsContext* sws = sws_getContext(
        kWidth, kHeight, AV_PIX_FMT_BGRA, kWidth, kHeight, format, SWS_BILINEAR, nullptr, nullptr, nullptr);
    const std::uint8_t* source[1] = { bgra.data() };
    const int stride[1] = { int(bgra.rowBytes()) };
    sws_scale(sws, source, stride, 0, kHeight, picture->data, picture->linesize);
    sws_freeContext(sws);
    return picture;
}

// A reference-counted packet holding one camera picture: raw bytes, or one MJPEG image.
AVPacket* cameraPacket(CameraPixelFormat kind)
{
    AVPacket* packet = av_packet_alloc();
    if (kind == CameraPixelFormat::mjpeg) {
        AVFrame* picture = testPicture(AV_PIX_FMT_YUVJ422P);
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        AVCodecContext* encoder = avcodec_alloc_context3(codec);
        encoder->width = kWidth;
        encoder->height = kHeight;
        encoder->pix_fmt = AV_PIX_FMT_YUVJ422P;
        encoder->time_base = { 1, 30 };
        encoder->flags |= AV_CODEC_FLAG_QSCALE;
        encoder->global_quality = FF_QP2LAMBDA * 3; // about what webcams send
        picture->quality = encoder->global_quality;
        avcodec_open2(encoder, codec, nullptr);
        avcodec_send_frame(encoder, picture);
        avcodec_receive_packet(encoder, packet);
        avcodec_free_context(&encoder);
        av_frame_free(&picture);
        return packet;
    }
    const AVPixelFormat format = kind == CameraPixelFormat::nv12 ? AV_PIX_FMT_NV12 : AV_PIX_FMT_YUYV422;
    AVFrame* picture = testPicture(format);
    const int size = av_image_get_buffer_size(format, kWidth, kHeight, 1);
    av_new_packet(packet, size);
    av_image_copy_to_buffer(packet->data, size, picture->data, picture->linesize, format, kWidth, kHeight, 1);
    av_frame_free(&picture);
    return packet;
}

void ours(benchmark::State& state, CameraPixelFormat kind)
{
    AVPacket* packet = cameraPacket(kind);
    auto decoder = CameraDecoder::create(kind, kWidth, kHeight);
    if (!decoder) {
        state.SkipWithError("no decoder");
        return;
    }
    for (auto _ : state) {
        Frame frame = decoder.value()->decode(packet, 0.0);
        if (frame.isNull()) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
    av_packet_free(&packet);
}

void plain(benchmark::State& state, CameraPixelFormat kind)
{
    AVPacket* packet = cameraPacket(kind);
    const bool jpeg = kind == CameraPixelFormat::mjpeg;
    const AVCodec* codec = avcodec_find_decoder(jpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_RAWVIDEO);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    decoder->width = kWidth;
    decoder->height = kHeight;
    if (!jpeg)
        decoder->pix_fmt = kind == CameraPixelFormat::nv12 ? AV_PIX_FMT_NV12 : AV_PIX_FMT_YUYV422;
    avcodec_open2(decoder, codec, nullptr);
    AVFrame* picture = av_frame_alloc();
    SwsContext* sws = nullptr;
    const int stride = kWidth * 4;
    for (auto _ : state) {
        avcodec_send_packet(decoder, packet);
        if (avcodec_receive_frame(decoder, picture) != 0) {
            state.SkipWithError("decode failed");
            break;
        }
        sws = sws_getCachedContext(sws, kWidth, kHeight, AVPixelFormat(picture->format), kWidth, kHeight,
            AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        std::vector<std::uint8_t> bgra(std::size_t(stride) * kHeight);
        std::uint8_t* target[1] = { bgra.data() };
        sws_scale(sws, picture->data, picture->linesize, 0, kHeight, target, &stride);
        benchmark::DoNotOptimize(bgra.data());
        av_frame_unref(picture);
    }
    sws_freeContext(sws);
    av_frame_free(&picture);
    avcodec_free_context(&decoder);
    av_packet_free(&packet);
}

} // namespace

BENCHMARK_CAPTURE(ours, YUYV, CameraPixelFormat::yuyv)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plain, YUYV, CameraPixelFormat::yuyv)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, NV12, CameraPixelFormat::nv12)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plain, NV12, CameraPixelFormat::nv12)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, MJPEG, CameraPixelFormat::mjpeg)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plain, MJPEG, CameraPixelFormat::mjpeg)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_ERROR); // the plain path's JPEG pixel formats make libswscale chatty
    benchmark::Initialize(&argc, argv);
    bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    double oursTotal = 0.0;
    double plainTotal = 0.0;
    bool complete = true;
    for (const char* format : { "YUYV", "NV12", "MJPEG" }) {
        const auto o = reporter.seconds.find(std::string("ours/") + format + "/real_time");
        const auto p = reporter.seconds.find(std::string("plain/") + format + "/real_time");
        if (o == reporter.seconds.end() || p == reporter.seconds.end() || p->second <= 0.0) {
            complete = false;
            continue;
        }
        std::printf("ratio ours/plain %s = %.3f\n", format, o->second / p->second);
        oursTotal += o->second;
        plainTotal += p->second;
    }
    if (complete && plainTotal > 0.0)
        std::printf("ratio ours/plain (YUYV+NV12+MJPEG) = %.3f\n", oursTotal / plainTotal);
    else
        std::printf("ratio ours/plain (YUYV+NV12+MJPEG) = n/a (not run)\n");
    return 0;
}
