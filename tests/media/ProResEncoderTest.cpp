#include "media/writer/ProResEncoder.h"
#include "MovieTestSupport.h"
#include "media/FFmpegSupport.h"
#include "media/writer/MovieFileWriter.h"
#include "media/writer/SliceThreadPool.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <atomic>
#include <cmath>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

using namespace media;

namespace {

using Profile = ProResEncoder::Profile;

// Soft gradients, hard edges and grain of +-`grain` (8-bit steps); `seed` moves everything.
Frame picture(int width, int height, int seed, int grain = 12)
{
    MutableFrame m(PixelFormat::BGRA, width, height);
    std::uint32_t random = 2463534242u + std::uint32_t(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = m.row(y);
        for (int x = 0; x < width; ++x) {
            random ^= random << 13;
            random ^= random >> 17;
            random ^= random << 5;
            const int g = grain ? int(random % std::uint32_t(2 * grain + 1)) - grain : 0;
            const bool edge = ((x + seed) / 24 + y / 16) % 2;
            row[4 * x + 0] = std::uint8_t(std::clamp((edge ? 190 : 40) + g, 0, 255));
            row[4 * x + 1] = std::uint8_t(std::clamp(y * 255 / height + g, 0, 255));
            row[4 * x + 2] = std::uint8_t(std::clamp((x + 8 * seed) * 255 / width + g, 0, 255));
            row[4 * x + 3] = 255;
        }
    }
    return std::move(m).share();
}

Frame noise(int width, int height, int seed)
{
    return picture(width, height, seed, 255);
}

// Each field one flat colour of its own: a field coded in the other's place shows at once.
Frame twoFields(int width, int height, FieldDetail order)
{
    MutableFrame m(PixelFormat::BGRA, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(m.row(y) + 4 * x, y % 2 ? "\xdc\x3c\x14\xff" : "\x1e\x78\xc8\xff", 4);
    m.setFieldInfo({ 2, order });
    return std::move(m).share();
}

// PSNR (10-bit scale) of a decoded picture against the exact BT.709 limited-range conversion
// of its source, all three planes together.
double psnr(const AVFrame& decoded, const Frame& source)
{
    const auto* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(decoded.format));
    const double scale = 1.0 / double(1 << (desc->comp[0].depth - 10));
    const int cw = desc->log2_chroma_w ? 2 : 1;
    const double kr = 0.2126, kb = 0.0722;
    double squared = 0;
    long samples = 0;
    auto sample = [&](int plane, int x, int y) {
        std::uint16_t v;
        std::memcpy(&v, decoded.data[plane] + std::ptrdiff_t(y) * decoded.linesize[plane] + 2 * x, 2);
        return v * scale;
    };
    for (int y = 0; y < source.height(); ++y) {
        const std::uint8_t* row = source.row(y);
        for (int x = 0; x < source.width(); x += cw) {
            double cb = 0, cr = 0;
            for (int i = 0; i < cw; ++i) {
                const double b = row[4 * (x + i)], g = row[4 * (x + i) + 1], r = row[4 * (x + i) + 2];
                const double luma = kr * r + (1 - kr - kb) * g + kb * b;
                const double dy = 64 + 876 * luma / 255 - sample(0, x + i, y);
                squared += dy * dy;
                cb += (512 + 896 * (b - luma) / (2 * (1 - kb)) / 255) / cw;
                cr += (512 + 896 * (r - luma) / (2 * (1 - kr)) / 255) / cw;
            }
            const double du = cb - sample(1, x / cw, y), dv = cr - sample(2, x / cw, y);
            squared += du * du + dv * dv;
            samples += cw + 2;
        }
    }
    return squared == 0 ? 99 : 10 * std::log10(1023.0 * 1023.0 * double(samples) / squared);
}

// Decodes one coded frame with FFmpeg's decoder: its PSNR against `source`, nothing on any error.
std::optional<double> decode(std::span<const std::uint8_t> bytes, Profile profile, const Frame& source)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PRORES);
    media::AVCodecContextPtr context(avcodec_alloc_context3(codec));
    AVCodecContext* decoder = context.get();
    decoder->width = source.width();
    decoder->height = source.height();
    const char* tag = ProResEncoder::fourcc(profile);
    decoder->codec_tag = unsigned(tag[0]) | unsigned(tag[1]) << 8 | unsigned(tag[2]) << 16 | unsigned(tag[3]) << 24;
    decoder->err_recognition |= AV_EF_EXPLODE;
    media::AVPacketPtr packet(av_packet_alloc());
    media::AVFramePtr frame(av_frame_alloc());
    if (avcodec_open2(decoder, codec, nullptr) != 0 || av_new_packet(packet.get(), int(bytes.size())) != 0)
        return std::nullopt;
    std::memcpy(packet->data, bytes.data(), bytes.size());
    if (avcodec_send_packet(decoder, packet.get()) != 0 || avcodec_receive_frame(decoder, frame.get()) != 0)
        return std::nullopt;
    return psnr(*frame, source);
}

ProResEncoder::Settings settings(Profile profile, int width, int height, const ProResKernels* kernels = nullptr)
{
    ProResEncoder::Settings s;
    s.profile = profile;
    s.width = width;
    s.height = height;
    s.fps = 25;
    s.kernels = kernels ? kernels : ProResKernels::forIsa(ProResKernels::Isa::scalar);
    return s;
}

// A ProRes movie tagged BT.709, the matrix psnr() converts with.
MovieFileWriter::Configuration movieConfig(const QString& path, Profile profile, int width, int height)
{
    MovieFileWriter::Configuration c;
    c.path = path.toStdString();
    c.codec = MovieFileWriter::Codec::proRes;
    c.proResProfile = int(profile);
    c.width = width;
    c.height = height;
    c.colorTags = { ColorPrimaries::ITU_R_709_2, TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_709_2 };
    return c;
}

struct ProfileCase {
    Profile profile;
    const char* tag;
    double psnrFloor; // on the grainy test picture at 1278 x 718
};

const ProfileCase kProfiles[]
    = { { Profile::proxy, "apco", 33.0 }, { Profile::lt, "apcs", 37.0 }, { Profile::standard, "apcn", 40.0 },
          { Profile::hq, "apch", 42.0 }, { Profile::p4444, "ap4h", 44.0 }, { Profile::p4444xq, "ap4x", 47.0 } };

class ProResProfiles : public ::testing::TestWithParam<ProfileCase> { };

} // namespace

// Whole movies through the writer, read back by FFmpeg: the odd size is not a multiple of the
// macroblock, so the right and bottom slices are padded.
TEST_P(ProResProfiles, MoviesDecodeWithTheirTagSizeColourAndQuality)
{
    const ProfileCase& p = GetParam();
    QTemporaryDir dir;
    constexpr int kWidth = 1278, kHeight = 718;
    const auto c = movieConfig(dir.filePath("take.mov"), p.profile, kWidth, kHeight);
    auto writer = MovieFileWriter::create(c).value();
    ASSERT_TRUE(writer->startWriting().ok());
    std::vector<Frame> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(picture(kWidth, kHeight, i));
        ASSERT_TRUE(writer->append(sources.back()).ok());
    }
    ASSERT_TRUE(writer->finishWriting().ok());

    std::vector<double> quality;
    const auto movie = movietest::probeMovie(
        c.path, [&](const AVFrame& f) { quality.push_back(psnr(f, sources[quality.size() % sources.size()])); });
    EXPECT_EQ(movie.decodeErrors, 0);
    EXPECT_EQ(movie.codecTag, p.tag);
    EXPECT_EQ(movie.width, kWidth);
    EXPECT_EQ(movie.height, kHeight);
    EXPECT_EQ(movie.frameColorSpace, AVCOL_SPC_BT709);
    ASSERT_EQ(quality.size(), 3u);
    for (double q : quality)
        EXPECT_GE(q, p.psnrFloor);
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, ProResProfiles, ::testing::ValuesIn(kProfiles),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(ProResMovies, FieldsAreCodedAndTaggedInTheirOrder)
{
    QTemporaryDir dir;
    for (FieldDetail order : { FieldDetail::TemporalTopFirst, FieldDetail::TemporalBottomFirst }) {
        // An odd height: the fields differ by a row.
        auto c = movieConfig(
            dir.filePath(order == FieldDetail::TemporalTopFirst ? "tff.mov" : "bff.mov"), Profile::standard, 320, 181);
        auto writer = MovieFileWriter::create(c).value();
        ASSERT_TRUE(writer->startWriting().ok());
        const Frame source = twoFields(c.width, c.height, order);
        ASSERT_TRUE(writer->append(source).ok() && writer->append(source).ok() && writer->finishWriting().ok());
        double worst = 99;
        const auto movie
            = movietest::probeMovie(c.path, [&](const AVFrame& f) { worst = std::min(worst, psnr(f, source)); });
        const bool top = order == FieldDetail::TemporalTopFirst;
        EXPECT_EQ(movie.fieldOrder, top ? AV_FIELD_TT : AV_FIELD_BB);
        EXPECT_EQ(movie.interlaced, std::vector<bool>(2, true));
        EXPECT_EQ(movie.topFieldFirst, std::vector<bool>(2, top));
        EXPECT_GE(worst, 50.0);
    }
}

// The vector tables must give the very bits of the scalar one, whatever the profile, size and
// scan; threads must not change them either.
TEST(ProResEncoder, EveryInstructionSetAndThreadCountWritesTheSameBits)
{
    auto pool = std::make_shared<SliceThreadPool>(3);
    struct Case {
        Profile profile;
        int width, height;
        FieldDetail fields;
    };
    const Case cases[] = {
        { Profile::proxy, 1278, 718, FieldDetail::None }, { Profile::p4444, 200, 90, FieldDetail::TemporalBottomFirst },
        { Profile::lt, 344, 97, FieldDetail::TemporalTopFirst },
        { Profile::standard, 32, 1, FieldDetail::TemporalTopFirst }, // no room for a second field
    };
    for (const Case& k : cases) {
        const Frame source = picture(k.width, k.height, 3);
        ProResEncoder reference(settings(k.profile, k.width, k.height));
        const auto expected = reference.encode(source.data(), source.rowBytes(), k.fields);
        const std::vector<std::uint8_t> bits(expected.begin(), expected.end());
        ASSERT_TRUE(decode(bits, k.profile, source));
        for (auto isa : { ProResKernels::Isa::scalar, ProResKernels::Isa::sse41, ProResKernels::Isa::avx2 }) {
            const ProResKernels* kernels = ProResKernels::forIsa(isa);
            if (!kernels)
                continue;
            auto s = settings(k.profile, k.width, k.height, kernels);
            s.pool = pool;
            ProResEncoder encoder(s);
            const auto coded = encoder.encode(source.data(), source.rowBytes(), k.fields);
            EXPECT_TRUE(std::equal(coded.begin(), coded.end(), bits.begin(), bits.end()))
                << kernels->name << " " << k.width << "x" << k.height;
        }
    }
}

// Each frame stays within the profile's budget whatever it shows; plain pictures stay far below
// it and keep their quality, noise pays in quality, never in bytes.
TEST(ProResEncoder, RateControlKeepsEveryFrameWithinTheBudget)
{
    struct Case {
        const char* name;
        Profile profile;
        std::vector<Frame> frames;
        double maxShareOfBudget;
        double psnrFloor;
    };
    const Frame black = movietest::solidFrame(640, 360, 0, 0, 0);
    const Frame noisy = noise(640, 360, 7);
    const Case cases[] = {
        { "flat colour", Profile::hq, { movietest::solidFrame(640, 360, 200, 120, 30) }, 0.05, 60 },
        { "black and noise", Profile::p4444xq, { black, noisy, black, noisy }, 1.0, 0 },
        // A 16 x 16 frame's headers take most of its budget; its one slice needs a little more.
        { "tiny", Profile::lt, { picture(16, 16, 1), noise(16, 16, 2) }, 1.2, 0 },
        { "grain", Profile::standard, { picture(1278, 718, 5, 40) }, 1.0, 30 },
    };
    for (const Case& k : cases) {
        const int w = k.frames[0].width(), h = k.frames[0].height();
        ProResEncoder encoder(settings(k.profile, w, h));
        const double budget = double(ProResEncoder::targetFrameBits(k.profile, w, h)) / 8;
        for (const Frame& f : k.frames) {
            const auto coded = encoder.encode(f.data(), f.rowBytes(), FieldDetail::None);
            EXPECT_LE(double(coded.size()), budget * k.maxShareOfBudget) << k.name;
            EXPECT_GE(decode(coded, k.profile, f).value_or(-1), k.psnrFloor) << k.name;
        }
    }
}

TEST(ProResMovies, SizesBeyondTheBitstreamAreRefused)
{
    // 1024 rows of 128 slices: more than the picture header can count.
    const auto made = MovieFileWriter::create(movieConfig("/nonexistent/never.mov", Profile::hq, 16384, 16384));
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().kind, MovieFileWriter::Error::Kind::invalidSettings);
    EXPECT_TRUE(ProResEncoder::supports(8192, 4320));
}

TEST(SliceThreadPool, BatchesOfSeveralCallersRunEveryTaskExactlyOnce)
{
    SliceThreadPool pool(3);
    constexpr int kCallers = 4, kBatches = 200, kTasks = 37;
    std::vector<std::atomic<int>> runs(kCallers * kTasks);
    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c)
        callers.emplace_back([&, c] {
            for (int b = 0; b < kBatches; ++b) {
                auto task = [&](int i) { runs[std::size_t(c * kTasks + i)].fetch_add(1); };
                pool.run(kTasks, task);
            }
        });
    for (auto& t : callers)
        t.join();
    for (auto& r : runs)
        EXPECT_EQ(r.load(), kBatches);
}
