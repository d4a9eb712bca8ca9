#include "media/MediaProbe.h"
#include "PlayerTestSupport.h"
#include "media/MediaTime.h"
#include "media/ThumbnailGenerator.h"

#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThreadPool>

#include <QEventLoop>
#include <QFile>
#include <QTimer>

using namespace media;
using testclips::ClipLibrary;
using testclips::ClipSpec;
using testclips::Codec;

namespace {
QUrl clipUrl(const QString& name, const ClipSpec& spec)
{
    return QUrl::fromLocalFile(ClipLibrary::shared().path(name, spec));
}

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = ClipLibrary::shared().folder() + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}
} // namespace

TEST(MediaTime, SecondsIndefiniteAndEquality)
{
    EXPECT_EQ(MediaTime::fromSeconds(0.05).value(), 30);
    EXPECT_EQ(MediaTime::fromSeconds(0.05).timescale(), 600);
    EXPECT_EQ(MediaTime(1001, 24000), MediaTime(2002, 48000));
    EXPECT_NE(MediaTime(1, 24), MediaTime(1, 25));
    EXPECT_TRUE(MediaTime::indefinite().isValid());
    EXPECT_FALSE(MediaTime::indefinite().isNumeric());
    EXPECT_TRUE(std::isnan(MediaTime::indefinite().seconds()));
    EXPECT_FALSE(MediaTime::fromSeconds(std::nan("")).isValid());
    EXPECT_FALSE(MediaTime::fromSeconds(1e300).isValid());
    EXPECT_NE(MediaTime::indefinite(), MediaTime::invalid());
    EXPECT_DOUBLE_EQ(MediaTime(-300, 600).seconds(), -0.5);
}

TEST(MediaProbe, ReadsSizeRateDurationAndTracks)
{
    struct Case {
        const char* name;
        ClipSpec spec;
        double fps;
    };
    const Case cases[] = {
        { "probe_prores_23976", { Codec::ProRes, 24000, 1001, 12 }, 24000.0 / 1001 },
        { "probe_h264_25", { Codec::H264, 25, 1, 12 }, 25.0 },
        { "probe_h264_2997", { Codec::H264, 30000, 1001, 12 }, 30000.0 / 1001 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto info = MediaProbe::probe(clipUrl(c.name, c.spec));
        ASSERT_TRUE(info.ok()) << info.error().toStdString();
        EXPECT_TRUE(info->hasVideo);
        EXPECT_FALSE(info->hasAudio);
        EXPECT_EQ(info->naturalWidth, 160);
        EXPECT_EQ(info->naturalHeight, 90);
        EXPECT_EQ(info->rotation, 0);
        EXPECT_NEAR(info->nominalFrameRate, c.fps, 1e-3);
        EXPECT_FALSE(info->fieldInfo.interlaced());
        EXPECT_NEAR(info->duration.seconds(), 12.0 * c.spec.rateDen / c.spec.rateNum, 1e-9);
        if (c.spec.codec == Codec::H264) {
            EXPECT_EQ(info->colorTags.primaries, ColorPrimaries::ITU_R_709_2);
        }
    }
}

TEST(MediaProbe, RotationFieldOrderAndAudio)
{
    ClipSpec rotated { Codec::H264, 25, 1, 5 };
    rotated.rotation = 90;
    auto info = MediaProbe::probe(clipUrl("probe_rotated", rotated));
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->rotation, 90);
    EXPECT_EQ(info->displayWidth(), 90);
    EXPECT_EQ(info->displayHeight(), 160);

    ClipSpec interlaced { Codec::ProRes, 25, 1, 5 };
    interlaced.interlaced = true;
    info = MediaProbe::probe(clipUrl("probe_interlaced", interlaced));
    ASSERT_TRUE(info.ok());
    EXPECT_TRUE(info->fieldInfo.interlaced());
    EXPECT_EQ(info->fieldInfo.detail, FieldDetail::TemporalTopFirst);

    ClipSpec withAudio { Codec::ProRes, 25, 1, 5 };
    withAudio.withAudio = true;
    info = MediaProbe::probe(clipUrl("probe_audio", withAudio));
    ASSERT_TRUE(info.ok());
    EXPECT_TRUE(info->hasAudio);
    EXPECT_TRUE(info->hasVideo);
}

TEST(MediaProbe, RefusesWhatIsNotALocalMovie)
{
    auto missing = MediaProbe::probe(QUrl::fromLocalFile(ClipLibrary::shared().folder() + "/nothing.mov"));
    ASSERT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().contains("does not exist"));

    auto text = MediaProbe::probe(QUrl::fromLocalFile(writeFile("notes.mov", "just some text, not a movie\n")));
    EXPECT_FALSE(text.ok());

    auto remote = MediaProbe::probe(QUrl("http://127.0.0.1:9/clip.mov"));
    ASSERT_FALSE(remote.ok());
    EXPECT_TRUE(remote.error().contains("Only local files"));
    EXPECT_FALSE(MediaProbe::probe(QUrl("smb://host/share/clip.mov")).ok());
    EXPECT_FALSE(MediaProbe::probe(QUrl::fromLocalFile(ClipLibrary::shared().folder())).ok()); // a folder

    // A playlist that points at the network must not make the library fetch anything.
    const QString playlist = writeFile(
        "list.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1.0,\nhttp://127.0.0.1:9/seg0.ts\n#EXT-X-ENDLIST\n");
    EXPECT_FALSE(MediaProbe::probe(QUrl::fromLocalFile(playlist)).ok());
    const QString concat = writeFile("list.ffconcat", "ffconcat version 1.0\nfile http://127.0.0.1:9/a.mov\n");
    EXPECT_FALSE(MediaProbe::probe(QUrl::fromLocalFile(concat)).ok());
}

TEST(Thumbnail, FirstPictureFittedAndUpright)
{
    auto plain = ThumbnailGenerator::generate(clipUrl("thumb_plain", { Codec::ProRes, 25, 1, 3, 480, 270 }));
    ASSERT_TRUE(plain.ok()) << plain.error().toStdString();
    EXPECT_EQ(plain->size(), QSize(240, 135));
    EXPECT_EQ(plain->format(), QImage::Format_ARGB32_Premultiplied);
    // Frame 0: the counter half is black; the lower left quarter is white.
    EXPECT_LT(qGreen(plain->pixel(120, 30)), 60);
    EXPECT_GT(qGreen(plain->pixel(40, 110)), 200);
    EXPECT_LT(qGreen(plain->pixel(200, 110)), 60);

    // Turned a quarter clockwise: the lower left quarter shows at the upper left.
    ClipSpec rotated { Codec::H264, 25, 1, 3, 320, 180 };
    rotated.rotation = 90;
    auto upright = ThumbnailGenerator::generate(clipUrl("thumb_rotated", rotated));
    ASSERT_TRUE(upright.ok()) << upright.error().toStdString();
    EXPECT_EQ(upright->size(), QSize(76, 135));
    EXPECT_GT(qGreen(upright->pixel(15, 20)), 200);
    EXPECT_LT(qGreen(upright->pixel(15, 115)), 60);
    EXPECT_LT(qGreen(upright->pixel(60, 20)), 60);

    // Small pictures keep their size.
    auto small = ThumbnailGenerator::generate(clipUrl("thumb_small", { Codec::ProRes, 25, 1, 2, 160, 90 }));
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(small->size(), QSize(160, 90));

    EXPECT_FALSE(ThumbnailGenerator::generate(QUrl("https://127.0.0.1:9/x.mov")).ok());
    EXPECT_FALSE(ThumbnailGenerator::generate(QUrl::fromLocalFile(writeFile("bad.mov", QByteArray(4096, 'x')))).ok());
}

TEST(MediaProbe, AsyncResultsArriveOnTheMainThreadWhileTheGuardLives)
{
    const QUrl url = clipUrl("probe_h264_25", { Codec::H264, 25, 1, 12 });
    QObject guard;
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // safety net only
    int answers = 0;
    bool onMain = false;
    MediaProbe::probeAsync(url, &guard, [&](platform::Result<MediaInfo, QString> info) {
        onMain = platform::isMainThread();
        EXPECT_TRUE(info.ok());
        if (++answers == 2)
            loop.quit();
    });
    ThumbnailGenerator::generateAsync(url, &guard, [&](platform::Result<QImage, QString> image) {
        ASSERT_TRUE(image.ok());
        EXPECT_EQ(image->size(), QSize(160, 90));
        if (++answers == 2)
            loop.quit();
    });
    // A caller that went away gets no answer.
    auto gone = std::make_unique<QObject>();
    bool late = false;
    MediaProbe::probeAsync(url, gone.get(), [&](auto) { late = true; });
    gone.reset();
    loop.exec();
    EXPECT_EQ(answers, 2);
    EXPECT_TRUE(onMain);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);
}
