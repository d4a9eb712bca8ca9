#include "media/writer/MovieFileWriter.h"
#include "MovieTestSupport.h"
#include "kit/Files.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSize>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/pixfmt.h>
}

#include <cerrno>

using namespace media;
using movietest::probeMovie;
using movietest::sequence;

namespace {

struct CodecCase {
    const char* name;
    MovieFileWriter::Codec codec;
    int profile;
    const char* codecName;
    const char* tag;
    const char* profileName;
};

// One ProRes profile stands for all: each profile's tag and picture are the ProRes tests', and the
// recorder's tests name every profile.
const CodecCase kCodecs[] = {
    { "h264", MovieFileWriter::Codec::h264, 0, "h264", "avc1", "High" },
    { "hevc", MovieFileWriter::Codec::hevc, 0, "hevc", "hvc1", "Main" },
    { "proResHQ", MovieFileWriter::Codec::proRes, 3, "prores", "apch", "HQ" },
};

MovieFileWriter::Configuration config(
    const QString& path, MovieFileWriter::Codec codec, int width = 64, int height = 36, int fps = 25, int profile = 3)
{
    MovieFileWriter::Configuration c;
    c.path = path.toStdString();
    c.codec = codec;
    c.proResProfile = profile;
    c.width = width;
    c.height = height;
    c.fps = fps;
    c.threadCount = 2;
    return c;
}

std::unique_ptr<MovieFileWriter> makeWriter(const MovieFileWriter::Configuration& c)
{
    auto made = MovieFileWriter::create(c);
    EXPECT_TRUE(made.ok()) << (made.ok() ? "" : made.error().message);
    return made.ok() ? std::move(made).value() : nullptr;
}

// Writes frames 0..count-1 (`sourceWidth` x `sourceHeight`), finishes and reads the movie back.
movietest::ProbedMovie writeCounted(MovieFileWriter& writer, int count, int sourceWidth, int sourceHeight)
{
    EXPECT_TRUE(writer.startWriting().ok());
    for (int i = 0; i < count; ++i) {
        auto appended = writer.append(movietest::counterFrame(sourceWidth, sourceHeight, i));
        EXPECT_TRUE(appended.ok()) << appended.error().message;
    }
    auto finished = writer.finishWriting();
    EXPECT_TRUE(finished.ok()) << finished.error().message;
    EXPECT_EQ(writer.status(), MovieFileWriter::Status::completed);
    auto movie = probeMovie(writer.configuration().path);
    EXPECT_TRUE(movie.opened) << movie.error;
    return movie;
}

class MovieFileWriterCodecs : public ::testing::TestWithParam<CodecCase> { };

} // namespace

TEST_P(MovieFileWriterCodecs, WritesOneQuickTimeVideoTrackWithEveryFrameInOrder)
{
    const CodecCase& param = GetParam();
    QTemporaryDir dir;
    auto c = config(dir.filePath(QStringLiteral("take.mov")), param.codec, 64, 36, 25, param.profile);
    c.averageBitRate = 10'000'000; // ProRes ignores it
    auto writer = makeWriter(c);
    ASSERT_TRUE(writer);
    const auto movie = writeCounted(*writer, 12, 64, 36);
    EXPECT_EQ(movie.majorBrand + "/" + movie.codecName + "/" + movie.codecTag + "/" + movie.profile,
        std::string("qt  /") + param.codecName + "/" + param.tag + "/" + param.profileName);
    EXPECT_EQ(movie.streamCount, 1u);
    EXPECT_EQ(QSize(movie.width, movie.height), QSize(64, 36));
    EXPECT_EQ(movie.mediaTimeScale, 600);
    EXPECT_EQ(movie.sampleDurations, std::vector<std::int64_t>(12, 24));
    EXPECT_EQ(movie.counters, sequence(12));
    // Below 720 lines the conversion used BT.601 and the file says so; limited range. FFmpeg's
    // ProRes encoder puts no colour in its pictures: for ProRes the 'colr' atom is all there is.
    EXPECT_TRUE(movie.colourAtom);
    EXPECT_EQ(movie.colorSpace, AVCOL_SPC_SMPTE170M);
    EXPECT_EQ(movie.frameColorRange, AVCOL_RANGE_MPEG);
}

INSTANTIATE_TEST_SUITE_P(EveryCodec, MovieFileWriterCodecs, ::testing::ValuesIn(kCodecs),
    [](const ::testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.name); });

TEST(MovieFileWriter, GivenColourTagsReachTheFileAndTheCodecHeaders)
{
    QTemporaryDir dir;
    for (auto codec : { MovieFileWriter::Codec::proRes, MovieFileWriter::Codec::h264 }) {
        auto c = config(dir.filePath(codec == MovieFileWriter::Codec::h264 ? "h.mov" : "p.mov"), codec);
        c.colorTags = { ColorPrimaries::ITU_R_2020, TransferFunction::SMPTE_ST_2084_PQ, YCbCrMatrix::ITU_R_2020 };
        auto writer = makeWriter(c);
        ASSERT_TRUE(writer);
        const auto m = writeCounted(*writer, 2, 64, 36);
        const std::vector<int> file { m.colorPrimaries, m.colorTransfer, m.colorSpace };
        const std::vector<int> headers { m.frameColorPrimaries, m.frameColorTransfer, m.frameColorSpace };
        const std::vector<int> expected { AVCOL_PRI_BT2020, AVCOL_TRC_SMPTE2084, AVCOL_SPC_BT2020_NCL };
        EXPECT_EQ(file, expected);
        EXPECT_EQ(headers, expected);
    }
}

TEST(MovieFileWriter, ConversionUsesTheTaggedMatrix)
{
    // Pure red has luma 16 + 219 * 0.2126 = 62.6 under BT.709 and 16 + 219 * 0.299 = 81.5 under
    // BT.601: the decoded luma shows which matrix the pixels went through.
    QTemporaryDir dir;
    struct Case {
        int height;
        YCbCrMatrix given;
        int tagged;
        double luma;
    } cases[] = {
        { 720, YCbCrMatrix::Unknown, AVCOL_SPC_BT709, 62.6 },
        { 720, YCbCrMatrix::ITU_R_601_4, AVCOL_SPC_SMPTE170M, 81.5 },
        { 36, YCbCrMatrix::ITU_R_2020, AVCOL_SPC_BT2020_NCL, 16 + 219 * 0.2627 },
    };
    int n = 0;
    for (const auto& k : cases) {
        const QString path = dir.filePath(QString::number(n++) + ".mov");
        auto c = config(path, MovieFileWriter::Codec::proRes, 32, k.height);
        c.colorTags.matrix = k.given;
        auto writer = makeWriter(c);
        ASSERT_TRUE(writer && writer->startWriting().ok());
        ASSERT_TRUE(writer->append(movietest::solidFrame(32, k.height, 255, 0, 0)).ok());
        ASSERT_TRUE(writer->finishWriting().ok());
        const auto movie = probeMovie(path.toStdString());
        EXPECT_EQ(movie.colorSpace, k.tagged) << "case " << n;
        EXPECT_NEAR(movie.centreLuma.empty() ? -1.0 : movie.centreLuma[0], k.luma, 2.0) << "case " << n;
    }
}

TEST(MovieFileWriter, OtherImageSizesAreScaledToFillAndOddSizesRoundedForTheEncoder)
{
    QTemporaryDir dir;
    const QString h264 = dir.filePath("odd.mov");
    auto writer = makeWriter(config(h264, MovieFileWriter::Codec::h264, 65, 37));
    ASSERT_TRUE(writer);
    EXPECT_FALSE(writer->sizeAdjustment().empty());
    auto movie = writeCounted(*writer, 4, 32, 18); // half size: scaled up
    EXPECT_EQ(QSize(movie.width, movie.height), QSize(64, 36));
    EXPECT_EQ(movie.counters, sequence(4));

    // 4:2:2 only needs an even width.
    const QString prores = dir.filePath("odd422.mov");
    writer = makeWriter(config(prores, MovieFileWriter::Codec::proRes, 65, 37));
    ASSERT_TRUE(writer);
    movie = writeCounted(*writer, 3, 200, 90); // larger and of another shape: scaled down
    EXPECT_EQ(QSize(movie.width, movie.height), QSize(64, 37));
    EXPECT_EQ(movie.counters, sequence(3));
}

TEST(MovieFileWriter, TrackTimeScaleIsAMultipleOfTheRateAndKeyframesComeEverySecond)
{
    QTemporaryDir dir;
    const std::pair<MovieFileWriter::Codec, int> cases[] = { { MovieFileWriter::Codec::h264, 24 },
        { MovieFileWriter::Codec::h264, 7 }, { MovieFileWriter::Codec::hevc, 48 } };
    int n = 0;
    for (const auto& [codec, fps] : cases) {
        const QString path = dir.filePath(QString::number(n++) + ".mov");
        auto writer = makeWriter(config(path, codec, 64, 36, fps));
        ASSERT_TRUE(writer);
        const int scale = writer->trackTimeScale();
        EXPECT_EQ(scale % 600 + scale % fps, 0); // a multiple of both
        const int frames = 2 * fps + 1;
        const auto movie = writeCounted(*writer, frames, 64, 36);
        EXPECT_EQ(movie.sampleDurations, std::vector<std::int64_t>(frames, scale / fps));
        EXPECT_EQ(movie.counters, sequence(frames));
        int sinceKey = fps;
        for (bool key : movie.keyframes) {
            sinceKey = key ? 0 : sinceKey + 1;
            EXPECT_LT(sinceKey, fps) << "at " << fps << " fps";
        }
    }
}

TEST(MovieFileWriter, NeverTouchesAFileItDidNotCreate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("existing.mov");
    ASSERT_TRUE(testkit::writeFile(path, "precious"));
    auto made = MovieFileWriter::create(config(path, MovieFileWriter::Codec::h264));
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().kind, MovieFileWriter::Error::Kind::fileExists);
    EXPECT_EQ(testkit::readFile(path), QByteArray("precious"));

    made = MovieFileWriter::create(config(dir.filePath("no/such/folder.mov"), MovieFileWriter::Codec::h264));
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().kind, MovieFileWriter::Error::Kind::cannotCreateFile);
}

TEST(MovieFileWriter, CancelRemovesOnlyItsOwnFileAndAnUnstartedWriterLeavesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cancelled.mov");
    auto writer = makeWriter(config(path, MovieFileWriter::Codec::proRes));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(QFile::exists(path)); // reserved at creation
    writer->cancelWriting();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(writer->startWriting().ok());

    makeWriter(config(path, MovieFileWriter::Codec::proRes)).reset(); // never started
    EXPECT_FALSE(QFile::exists(path));

    // A writer dropped while writing finishes its movie instead of leaving it without an index.
    writer = makeWriter(config(path, MovieFileWriter::Codec::proRes));
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->startWriting().ok());
    ASSERT_TRUE(writer->append(movietest::counterFrame(64, 36, 7)).ok());
    writer.reset();
    EXPECT_EQ(probeMovie(path.toStdString()).counters, std::vector<int> { 7 });
}

TEST(MovieFileWriter, ImagesItCannotConvertAreRefusedWithoutEndingTheMovie)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("skip.mov");
    auto writer = makeWriter(config(path, MovieFileWriter::Codec::proRes));
    ASSERT_TRUE(writer);
    EXPECT_EQ(
        writer->append(movietest::counterFrame(64, 36, 0)).error().kind, MovieFileWriter::Error::Kind::wrongState);
    ASSERT_TRUE(writer->startWriting().ok());
    EXPECT_EQ(writer->append(MutableFrame(PixelFormat::V210, 64, 36).share()).error().kind,
        MovieFileWriter::Error::Kind::unsupportedImage);
    ASSERT_TRUE(writer->append(movietest::counterFrame(64, 36, 5)).ok());
    ASSERT_TRUE(writer->finishWriting().ok());
    EXPECT_FALSE(writer->finishWriting().ok());
    EXPECT_EQ(probeMovie(path.toStdString()).counters, std::vector<int> { 5 });
}

TEST(MovieFileWriter, AFullDiskFailsTheMovieWithTheSystemError)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full here";
    auto c = config(QStringLiteral("/dev/full"), MovieFileWriter::Codec::proRes, 128, 72);
    c.replaceExisting = true;
    auto writer = makeWriter(c);
    ASSERT_TRUE(writer);
    // The header may already reach the device; otherwise a frame or the index does.
    auto result = writer->startWriting();
    for (int i = 0; i < 12 && result.ok(); ++i)
        result = writer->append(movietest::counterFrame(128, 72, i));
    if (result.ok())
        result = writer->finishWriting();
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, MovieFileWriter::Error::Kind::writeFailed);
    EXPECT_EQ(result.error().code, AVERROR(ENOSPC));
    EXPECT_EQ(writer->status(), MovieFileWriter::Status::failed);
    writer.reset(); // the device is not a file of ours: nothing is removed
    EXPECT_TRUE(QFile::exists(QStringLiteral("/dev/full")));
}
