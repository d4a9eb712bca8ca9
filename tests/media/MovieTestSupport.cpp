#include "MovieTestSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

// x265 3.5 never frees parts of its frame encoders when an encoder closes; that is the
// library's, and the leak checker would otherwise fail every test that records HEVC.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}

namespace movietest {

namespace {
constexpr int kGrid = 4;

double meanLuma(const AVFrame* frame, int x0, int y0, int x1, int y1)
{
    const auto* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    const bool wide = desc && desc->comp[0].depth > 8;
    double sum = 0;
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        for (int x = x0; x < x1; ++x) {
            std::uint16_t v = row[x];
            if (wide)
                std::memcpy(&v, row + 2 * x, 2);
            sum += wide ? v / 4.0 : v;
            ++count;
        }
    }
    return count ? sum / count : 0.0;
}

int readCounter(const AVFrame* frame)
{
    return readCounterPattern(
        frame->width, frame->height, [frame](int x, int y) { return meanLuma(frame, x, y, x + 1, y + 1); });
}

std::uint32_t be32(const std::string& d, std::size_t at)
{
    return std::uint32_t(std::uint8_t(d[at])) << 24 | std::uint32_t(std::uint8_t(d[at + 1])) << 16
        | std::uint32_t(std::uint8_t(d[at + 2])) << 8 | std::uint8_t(d[at + 3]);
}

// Reads the first track's media time scale ('mdhd'), time-to-sample table ('stts') and 'colr' straight
// from the movie atom, so the check does not depend on how a demuxer presents them.
void readSampleTable(const std::string& path, ProbedMovie& movie)
{
    std::ifstream in(path, std::ios::binary);
    const std::string d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = 0;
    while (at + 8 <= d.size()) {
        std::uint64_t size = be32(d, at);
        const std::string type = d.substr(at + 4, 4);
        if (size == 1 && at + 16 <= d.size())
            size = std::uint64_t(be32(d, at + 8)) << 32 | be32(d, at + 12);
        if (size < 8 || at + size > d.size())
            return;
        if (type == "moov") {
            const std::string moov = d.substr(at, size);
            movie.colourAtom = moov.find("colr") != std::string::npos;
            const auto mdhd = moov.find("mdhd");
            if (mdhd != std::string::npos && mdhd + 20 <= moov.size())
                movie.mediaTimeScale = be32(moov, mdhd + 16); // version 0: flags, two dates, scale
            const auto stts = moov.find("stts");
            if (stts != std::string::npos && stts + 12 <= moov.size()) {
                const std::uint32_t entries = be32(moov, stts + 8);
                for (std::uint32_t i = 0; i < entries && stts + 20 + 8 * i <= moov.size(); ++i) {
                    const std::uint32_t count = be32(moov, stts + 12 + 8 * i);
                    const std::uint32_t delta = be32(moov, stts + 16 + 8 * i);
                    movie.sampleDurations.insert(movie.sampleDurations.end(), count, delta);
                }
            }
            return;
        }
        at += size;
    }
}
} // namespace

bool counterPatternWhite(int counter, int x, int y, int width, int height)
{
    const int bit = (y * kGrid / height) * kGrid + x * kGrid / width;
    return bit == kGrid * kGrid - 1 || ((counter >> bit) & 1);
}

int readCounterPattern(int width, int height, const std::function<double(int x, int y)>& luma)
{
    int value = 0;
    for (int bit = 0; bit < kGrid * kGrid; ++bit) {
        const int x0 = (bit % kGrid) * width / kGrid;
        const int x1 = (bit % kGrid + 1) * width / kGrid;
        const int y0 = (bit / kGrid) * height / kGrid;
        const int y1 = (bit / kGrid + 1) * height / kGrid;
        double sum = 0.0;
        int count = 0;
        for (int y = y0 + (y1 - y0) / 4; y < std::max(y0 + 1, y1 - (y1 - y0) / 4); ++y)
            for (int x = x0 + (x1 - x0) / 4; x < std::max(x0 + 1, x1 - (x1 - x0) / 4); ++x, ++count)
                sum += luma(x, y);
        const double mean = sum / std::max(1, count);
        if (mean > 100 && mean < 155)
            return -1;
        if (bit == kGrid * kGrid - 1)
            return mean >= 155 ? value : -1; // the marker block
        if (mean >= 155)
            value |= 1 << bit;
    }
    return value;
}

media::Frame counterFrame(int width, int height, int counter)
{
    media::MutableFrame m(media::PixelFormat::BGRA, width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(m.row(y));
        for (int x = 0; x < width; ++x)
            row[x] = counterPatternWhite(counter, x, y, width, height) ? 0xffffffffu : 0xff000000u;
    }
    return std::move(m).share();
}

media::Frame solidFrame(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    media::MutableFrame m(media::PixelFormat::BGRA, width, height);
    for (int y = 0; y < height; ++y)
        std::fill_n(reinterpret_cast<std::uint32_t*>(m.row(y)), width,
            0xff000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b);
    return std::move(m).share();
}

std::vector<int> sequence(int count, int first)
{
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
        values.push_back(first + i);
    return values;
}

ProbedMovie probeMovie(const std::string& path, const std::function<void(const AVFrame&)>& eachFrame)
{
    ProbedMovie movie;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        movie.error = "cannot open " + path;
        return movie;
    }
    movie.opened = true;
    readSampleTable(path, movie);
    if (const auto* brand = av_dict_get(format->metadata, "major_brand", nullptr, 0))
        movie.majorBrand = brand->value;
    movie.streamCount = format->nb_streams;
    if (format->nb_streams < 1) {
        avformat_close_input(&format);
        return movie;
    }
    // The container's own view, before any decoding fills fields in from the bitstream.
    AVStream* stream = format->streams[0];
    const AVCodecParameters* par = stream->codecpar;
    movie.codecName = avcodec_get_name(par->codec_id);
    char tag[5] = {};
    for (int i = 0; i < 4; ++i)
        tag[i] = static_cast<char>((par->codec_tag >> (8 * i)) & 0xff);
    movie.codecTag = tag;
    movie.width = par->width;
    movie.height = par->height;
    movie.colorPrimaries = par->color_primaries;
    movie.colorTransfer = par->color_trc;
    movie.colorSpace = par->color_space;
    movie.fieldOrder = par->field_order;

    avformat_find_stream_info(format, nullptr);
    movie.frameRateNum = stream->r_frame_rate.num;
    if (const char* profile = avcodec_profile_name(par->codec_id, par->profile))
        movie.profile = profile;

    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    AVCodecContext* decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!decoder || avcodec_parameters_to_context(decoder, par) < 0 || avcodec_open2(decoder, codec, nullptr) < 0) {
        movie.error = "no decoder";
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
        return movie;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    decoder->err_recognition |= AV_EF_EXPLODE;
    auto drain = [&] {
        for (;;) {
            const int rc = avcodec_receive_frame(decoder, frame);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                break;
            if (rc < 0) {
                ++movie.decodeErrors;
                continue;
            }
            if (eachFrame)
                eachFrame(*frame);
            movie.interlaced.push_back(frame->interlaced_frame);
            movie.topFieldFirst.push_back(frame->top_field_first);
            if (movie.framePts.empty()) {
                movie.frameColorPrimaries = frame->color_primaries;
                movie.frameColorTransfer = frame->color_trc;
                movie.frameColorSpace = frame->colorspace;
                movie.frameColorRange = frame->color_range;
            }
            movie.framePts.push_back(frame->best_effort_timestamp);
            movie.counters.push_back(readCounter(frame));
            const int w = frame->width;
            const int h = frame->height;
            movie.centreLuma.push_back(meanLuma(frame, w / 4, h / 4, 3 * w / 4, 3 * h / 4));
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == 0) {
            movie.keyframes.push_back(packet->flags & AV_PKT_FLAG_KEY);
            if (avcodec_send_packet(decoder, packet) < 0)
                ++movie.decodeErrors;
            drain();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return movie;
}

} // namespace movietest
