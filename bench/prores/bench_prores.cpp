// Our ProRes encoder against FFmpeg's two (prores and prores_ks) on the same grainy 1080p25
// pictures, profile by profile: data rate against the profile's published rate, CPU time per
// frame (all threads together), and PSNR against the source.
//
// The pictures are FFmpeg's testsrc2 with heavy temporal grain (noise=alls=20:allf=t), made as
// BGRA. Our encoder takes them as the recorder hands them over; FFmpeg's encoders take the
// same pictures converted to 10-bit Y'CbCr (BT.709, limited range) from a file, and that
// conversion is the reference every PSNR is measured against. FFmpeg's encoders run as the
// ffmpeg command line with 8 threads; their CPU time includes reading the raw file and
// muxing, which is small beside encoding.
//
//   bench_prores [--frames N] [--profiles 0,1,2,3,4,5] [--no-ks] [--isa scalar|sse4.1|avx2]
//
// The last line prints the CPU-per-frame ratio ours / FFmpeg prores for 422 HQ (lower is
// better; the goal is at most 0.5).

#include "media/writer/MovieFrameConverter.h"
#include "media/writer/ProResEncoder.h"
#include "media/writer/SliceThreadPool.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using media::ProResEncoder;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFps = 25;
constexpr std::size_t kBgraBytes = std::size_t(kWidth) * kHeight * 4;

const char* const kProfileNames[] = { "Proxy", "LT", "422", "422 HQ", "4444", "4444 XQ" };

double cpuSeconds(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// A 10-bit planar picture (Y, Cb, Cr), each plane tightly packed.
struct Planes {
    int chromaWidth = 0;
    std::vector<std::uint16_t> data;
    std::size_t lumaSamples() const { return std::size_t(kWidth) * kHeight; }
    std::size_t chromaSamples() const { return std::size_t(chromaWidth) * kHeight; }
    std::uint16_t* plane(int p)
    {
        return data.data() + (p == 0 ? 0 : lumaSamples() + std::size_t(p - 1) * chromaSamples());
    }
};

Planes makePlanes(bool chroma444)
{
    Planes p;
    p.chromaWidth = chroma444 ? kWidth : kWidth / 2;
    p.data.resize(p.lumaSamples() + 2 * p.chromaSamples());
    return p;
}

// Squared error of a decoded picture (10- or 12-bit) against the reference, summed.
struct ErrorSum {
    double squared = 0;
    double samples = 0;
    double psnr() const { return squared > 0 ? 10 * std::log10(1023.0 * 1023.0 * samples / squared) : 99; }

    void add(const AVFrame& frame, Planes& reference)
    {
        const int shift = frame.format == AV_PIX_FMT_YUV444P12LE || frame.format == AV_PIX_FMT_YUV422P12LE ? 2 : 0;
        for (int p = 0; p < 3; ++p) {
            const int width = p == 0 ? kWidth : reference.chromaWidth;
            const std::uint16_t* ref = reference.plane(p);
            for (int y = 0; y < kHeight; ++y) {
                const auto* row
                    = reinterpret_cast<const std::uint16_t*>(frame.data[p] + std::ptrdiff_t(y) * frame.linesize[p]);
                for (int x = 0; x < width; ++x) {
                    const double d = double(row[x]) / double(1 << shift)
                        - ref[std::size_t(y) * std::size_t(width) + std::size_t(x)];
                    squared += d * d;
                }
            }
            samples += double(width) * kHeight;
        }
    }
};

struct Result {
    bool ok = false;
    double bytes = 0;
    double cpuMsPerFrame = 0;
    double wallFps = 0;
    double psnr = 0;
    double meanQuant = 0;
};

// Decodes every frame of a movie and measures it against the reference file.
bool measureMovie(const std::string& movie, const std::string& referenceFile, bool chroma444, int frames, Result& out)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, movie.c_str(), nullptr, nullptr) < 0)
        return false;
    avformat_find_stream_info(format, nullptr);
    const AVCodecParameters* par = format->streams[0]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, par);
    decoder->thread_count = 8;
    avcodec_open2(decoder, codec, nullptr);
    FILE* ref = std::fopen(referenceFile.c_str(), "rb");
    Planes planes = makePlanes(chroma444);
    ErrorSum error;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int decoded = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            if (std::fread(planes.data.data(), 2, planes.data.size(), ref) == planes.data.size())
                error.add(*frame, planes);
            ++decoded;
            av_frame_unref(frame);
        }
    };
    std::int64_t bytes = 0;
    while (av_read_frame(format, packet) >= 0) {
        bytes += packet->size;
        avcodec_send_packet(decoder, packet);
        drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    std::fclose(ref);
    out.bytes = double(bytes);
    out.psnr = error.psnr();
    return decoded == frames;
}

Result runFfmpeg(
    const std::string& encoder, int profile, const std::string& referenceFile, const std::string& movie, int frames)
{
    const bool chroma444 = profile >= 4;
    const std::string command = "ffmpeg -v error -nostdin -y -f rawvideo -pix_fmt "
        + std::string(chroma444 ? "yuv444p10le" : "yuv422p10le") + " -s " + std::to_string(kWidth) + "x"
        + std::to_string(kHeight) + " -r " + std::to_string(kFps) + " -i '" + referenceFile + "' -threads 8 -c:v "
        + encoder + " -profile:v " + std::to_string(profile) + " '" + movie + "'";
    Result r;
    const double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
    const auto start = std::chrono::steady_clock::now();
    if (!run(command))
        return r;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuMsPerFrame = (cpuSeconds(RUSAGE_CHILDREN) - cpuStart) * 1000 / frames;
    r.wallFps = frames / wall;
    r.ok = measureMovie(movie, referenceFile, chroma444, frames, r);
    return r;
}

// Ours: BGRA in, coded frames out, the shared slice pool doing the work; each coded frame is
// decoded straight away (outside the timing) and measured against the reference.
Result runOurs(int profile, const std::uint8_t* source, const std::string& referenceFile, int frames,
    const media::ProResKernels* kernels)
{
    const bool chroma444 = profile >= 4;
    ProResEncoder::Settings s;
    s.profile = static_cast<ProResEncoder::Profile>(profile);
    s.width = kWidth;
    s.height = kHeight;
    s.fps = kFps;
    s.colorPrimaries = AVCOL_PRI_BT709;
    s.transfer = AVCOL_TRC_BT709;
    s.matrix = AVCOL_SPC_BT709;
    s.kernels = kernels;
    s.pool = media::SliceThreadPool::shared();
    ProResEncoder encoder(s);

    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PRORES);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    decoder->width = kWidth;
    decoder->height = kHeight;
    const char* tag = ProResEncoder::fourcc(s.profile);
    decoder->codec_tag = unsigned(tag[0]) | unsigned(tag[1]) << 8 | unsigned(tag[2]) << 16 | unsigned(tag[3]) << 24;
    decoder->thread_count = 8;
    decoder->thread_type = FF_THREAD_SLICE; // a frame out for every frame in
    avcodec_open2(decoder, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    FILE* ref = std::fopen(referenceFile.c_str(), "rb");
    Planes planes = makePlanes(chroma444);
    ErrorSum error;

    Result r;
    r.ok = true;
    double cpu = 0, wall = 0, quant = 0;
    for (int i = 0; i < frames; ++i) {
        const double cpuStart = cpuSeconds(RUSAGE_SELF);
        const auto start = std::chrono::steady_clock::now();
        const auto coded
            = encoder.encode(source + std::size_t(i) * kBgraBytes, std::size_t(kWidth) * 4, media::FieldDetail::None);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds(RUSAGE_SELF) - cpuStart;
        quant += encoder.lastMeanQuantIndex();
        r.bytes += double(coded.size());

        av_new_packet(packet, int(coded.size()));
        std::memcpy(packet->data, coded.data(), coded.size());
        const bool decoded = avcodec_send_packet(decoder, packet) == 0 && avcodec_receive_frame(decoder, frame) == 0;
        av_packet_unref(packet);
        if (!decoded || std::fread(planes.data.data(), 2, planes.data.size(), ref) != planes.data.size()) {
            r.ok = false;
            break;
        }
        error.add(*frame, planes);
        av_frame_unref(frame);
    }
    std::fclose(ref);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    r.cpuMsPerFrame = cpu * 1000 / frames;
    r.wallFps = frames / wall;
    r.psnr = error.psnr();
    r.meanQuant = quant / frames;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    int frames = 100;
    std::vector<int> profiles { 0, 1, 2, 3, 4, 5 };
    bool withKs = true;
    const media::ProResKernels* kernels = &media::ProResKernels::best();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--frames" && i + 1 < argc) {
            frames = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--profiles" && i + 1 < argc) {
            profiles.clear();
            for (const char* p = argv[++i]; *p; ++p)
                if (*p >= '0' && *p <= '5')
                    profiles.push_back(*p - '0');
        } else if (arg == "--no-ks") {
            withKs = false;
        } else if (arg == "--isa" && i + 1 < argc) {
            const std::string isa = argv[++i];
            kernels = media::ProResKernels::forIsa(isa == "scalar" ? media::ProResKernels::Isa::scalar
                    : isa == "sse4.1"                              ? media::ProResKernels::Isa::sse41
                                                                   : media::ProResKernels::Isa::avx2);
            if (!kernels) {
                std::fprintf(stderr, "this processor lacks %s\n", isa.c_str());
                return 2;
            }
        } else {
            std::fprintf(
                stderr, "usage: %s [--frames N] [--profiles 012345] [--no-ks] [--isa scalar|sse4.1|avx2]\n", argv[0]);
            return 2;
        }
    }
    av_log_set_level(AV_LOG_ERROR);

    char folderTemplate[] = "/tmp/bench_prores_XXXXXX";
    const char* folderName = mkdtemp(folderTemplate);
    if (!folderName)
        return 1;
    const std::string folder = folderName;
    const std::string sourceFile = folder + "/source.bgra";
    std::printf("making %d grainy %dx%d pictures...\n", frames, kWidth, kHeight);
    std::fflush(stdout);
    if (!run("ffmpeg -v error -nostdin -y -f lavfi -i 'testsrc2=s=" + std::to_string(kWidth) + "x"
            + std::to_string(kHeight) + ":r=" + std::to_string(kFps) + ",noise=alls=20:allf=t' -frames:v "
            + std::to_string(frames) + " -pix_fmt bgra -f rawvideo '" + sourceFile + "'")) {
        std::printf("cannot make the pictures with ffmpeg\n");
        return 1;
    }
    const int fd = ::open(sourceFile.c_str(), O_RDONLY);
    const std::size_t sourceBytes = kBgraBytes * std::size_t(frames);
    void* mapped = fd >= 0 ? mmap(nullptr, sourceBytes, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    if (mapped == MAP_FAILED)
        return 1;
    const auto* source = static_cast<const std::uint8_t*>(mapped);

    std::printf("ours: %s kernels, %d slice threads + the caller\n", std::string(kernels->name).c_str(),
        media::SliceThreadPool::shared()->threadCount());
    std::printf("%-8s %-10s %9s %8s %9s %8s %8s %6s\n", "profile", "encoder", "Mbit/s", "x target", "CPU ms/f", "fps",
        "PSNR dB", "q");
    double oursHq = 0, ffmpegHq = 0;
    for (int profile : profiles) {
        const bool chroma444 = profile >= 4;
        // The reference pictures, as FFmpeg's encoders get them.
        const std::string referenceFile = folder + "/reference.yuv";
        {
            media::MovieFrameConverter converter(chroma444 ? media::MovieFrameConverter::Layout::yuv444p10
                                                           : media::MovieFrameConverter::Layout::yuv422p10,
                0.2126, 0.0722);
            Planes planes = makePlanes(chroma444);
            FILE* out = std::fopen(referenceFile.c_str(), "wb");
            for (int i = 0; i < frames; ++i) {
                std::uint8_t* dst[3] = { reinterpret_cast<std::uint8_t*>(planes.plane(0)),
                    reinterpret_cast<std::uint8_t*>(planes.plane(1)),
                    reinterpret_cast<std::uint8_t*>(planes.plane(2)) };
                const int strides[3] = { 2 * kWidth, 2 * planes.chromaWidth, 2 * planes.chromaWidth };
                converter.convert(
                    source + std::size_t(i) * kBgraBytes, std::size_t(kWidth) * 4, kWidth, kHeight, dst, strides);
                std::fwrite(planes.data.data(), 2, planes.data.size(), out);
            }
            std::fclose(out);
        }
        const double targetMbits
            = double(ProResEncoder::targetFrameBits(static_cast<ProResEncoder::Profile>(profile), kWidth, kHeight))
            * kFps / 1e6;
        auto print = [&](const char* name, const Result& r) {
            if (!r.ok) {
                std::printf("%-8s %-10s failed\n", kProfileNames[profile], name);
                return;
            }
            const double mbits = r.bytes * 8 * kFps / frames / 1e6;
            std::printf("%-8s %-10s %9.1f %8.2f %9.1f %8.1f %8.2f %6s\n", kProfileNames[profile], name, mbits,
                mbits / targetMbits, r.cpuMsPerFrame, r.wallFps, r.psnr,
                r.meanQuant > 0 ? std::to_string(int(std::lround(r.meanQuant))).c_str() : "");
            std::fflush(stdout);
        };
        const Result ours = runOurs(profile, source, referenceFile, frames, kernels);
        print("ours", ours);
        const Result prores = runFfmpeg("prores", profile, referenceFile, folder + "/prores.mov", frames);
        print("prores", prores);
        if (withKs)
            print("prores_ks", runFfmpeg("prores_ks", profile, referenceFile, folder + "/prores_ks.mov", frames));
        if (profile == 3 && ours.ok && prores.ok) {
            oursHq = ours.cpuMsPerFrame;
            ffmpegHq = prores.cpuMsPerFrame;
        }
    }
    munmap(mapped, sourceBytes);
    ::close(fd);
    run("rm -rf '" + folder + "'");
    if (ffmpegHq > 0)
        std::printf("ratio CPU per frame ours/prores (422 HQ) = %.3f\n", oursHq / ffmpegHq);
    else
        std::printf("ratio CPU per frame ours/prores (422 HQ) = n/a (not run)\n");
    return 0;
}
