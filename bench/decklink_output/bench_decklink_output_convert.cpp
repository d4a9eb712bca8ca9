// The HDR output's per-frame conversion: a BGRA frame into the card's 10-bit 'v210' output frame
// (the card's converter, into a frame the output made, as the program output does for every HDR
// frame) at 1080p and UHD, against FFmpeg doing the same: libswscale from BGRA to 10-bit 4:2:2
// planes and libavcodec's v210 encoder packing them. Prints both ratios; the last line is UHD.

#include "../BenchRatio.h"

#include "../decklink/BenchPicture.h"
#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComPtr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <vector>

using namespace decklink;

namespace {

// A BGRA test picture: gradients in every channel.
struct BGRAPicture : BenchPicture {
    BGRAPicture(int width, int height)
        : BenchPicture(width, height, width * 4, kDeckLinkFormat8BitBGRA)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = data()
                    + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
                p[0] = static_cast<std::uint8_t>((x * 255) / width);
                p[1] = static_cast<std::uint8_t>((y * 255) / height);
                p[2] = static_cast<std::uint8_t>(((x + y) * 7) & 0xFF);
                p[3] = 255;
            }
    }
};

ComPtr<IDeckLinkOutput> firstOutput()
{
    auto iterator = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
    ComPtr<IDeckLink> device;
    if (!iterator || iterator->Next(device.put()) != S_OK)
        return {};
    return device.as<IDeckLinkOutput>();
}

void cardConvert(benchmark::State& state, int width, int height)
{
    auto converter = ComPtr<IDeckLinkVideoConversion>::adopt(CreateVideoConversionInstance());
    auto output = firstOutput();
    if (!converter || !output) {
        state.SkipWithError("no simulated card (driver library missing)");
        return;
    }
    std::int32_t rowBytes = 0;
    output->RowBytesForPixelFormat(kDeckLinkFormat10BitYUV, width, &rowBytes);
    BGRAPicture source(width, height);
    for (auto _ : state) {
        // As the output does per HDR frame: a new 10-bit frame, then the conversion into it.
        ComPtr<IDeckLinkMutableVideoFrame> target;
        if (output->CreateVideoFrame(
                width, height, rowBytes, kDeckLinkFormat10BitYUV, kDeckLinkFrameContainsHDRMetadata, target.put())
                != S_OK
            || converter->ConvertFrame(static_cast<IDeckLinkVideoFrame*>(&source), target.get()) != S_OK) {
            state.SkipWithError("conversion failed");
            return;
        }
        benchmark::DoNotOptimize(target.get());
    }
    state.SetItemsProcessed(state.iterations());
}

void ffmpegConvert(benchmark::State& state, int width, int height)
{
    BGRAPicture source(width, height);
    SwsContext* scale = sws_getContext(
        width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV422P10LE, SWS_POINT, nullptr, nullptr, nullptr);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_V210);
    AVCodecContext* encoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVFrame* planes = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    bool ready = scale && encoder && planes && packet;
    if (ready) {
        // Full-range RGB to limited-range Rec. 709 Y'CbCr, as the card converts.
        const int* coefficients = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(scale, coefficients, 1, coefficients, 0, 0, 1 << 16, 1 << 16);
        encoder->width = width;
        encoder->height = height;
        encoder->pix_fmt = AV_PIX_FMT_YUV422P10LE;
        encoder->time_base = AVRational { 1, 25 };
        planes->format = AV_PIX_FMT_YUV422P10LE;
        planes->width = width;
        planes->height = height;
        ready = avcodec_open2(encoder, codec, nullptr) == 0 && av_frame_get_buffer(planes, 64) == 0;
    }
    if (!ready) {
        state.SkipWithError("FFmpeg's v210 path is unavailable");
    } else {
        const std::uint8_t* sourcePlanes[4] = { source.data(), nullptr, nullptr, nullptr };
        const int sourceStrides[4] = { width * 4, 0, 0, 0 };
        for (auto _ : state) {
            sws_scale(scale, sourcePlanes, sourceStrides, 0, height, planes->data, planes->linesize);
            if (avcodec_send_frame(encoder, planes) != 0 || avcodec_receive_packet(encoder, packet) != 0) {
                state.SkipWithError("v210 encode failed");
                break;
            }
            benchmark::DoNotOptimize(packet->data);
            av_packet_unref(packet);
        }
        state.SetItemsProcessed(state.iterations());
    }
    av_packet_free(&packet);
    av_frame_free(&planes);
    avcodec_free_context(&encoder);
    sws_freeContext(scale);
}

} // namespace

static void CardBGRAToV210_1080p(benchmark::State& state)
{
    cardConvert(state, 1920, 1080);
}
static void FFmpegBGRAToV210_1080p(benchmark::State& state)
{
    ffmpegConvert(state, 1920, 1080);
}
static void CardBGRAToV210_UHD(benchmark::State& state)
{
    cardConvert(state, 3840, 2160);
}
static void FFmpegBGRAToV210_UHD(benchmark::State& state)
{
    ffmpegConvert(state, 3840, 2160);
}
BENCHMARK(CardBGRAToV210_1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(FFmpegBGRAToV210_1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(CardBGRAToV210_UHD)->Unit(benchmark::kMillisecond);
BENCHMARK(FFmpegBGRAToV210_UHD)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    benchmark::Initialize(&argc, argv);
    bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    auto ratio = [&](const char* measured, const char* baseline) {
        const auto m = reporter.seconds.find(measured);
        const auto b = reporter.seconds.find(baseline);
        if (m == reporter.seconds.end() || b == reporter.seconds.end() || b->second <= 0.0)
            std::printf("ratio %s/%s = n/a (not run)\n", measured, baseline);
        else
            std::printf("ratio %s/%s = %.3f\n", measured, baseline, m->second / b->second);
    };
    ratio("CardBGRAToV210_1080p", "FFmpegBGRAToV210_1080p");
    ratio("CardBGRAToV210_UHD", "FFmpegBGRAToV210_UHD");
    return 0;
}
