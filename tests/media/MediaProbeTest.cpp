#include "media/player/MediaProbe.h"
#include "PlayerTestSupport.h"
#include "media/player/MediaTime.h"
#include "media/player/ThumbnailGenerator.h"

#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThreadPool>

#include <QEventLoop>
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
} // namespace

TEST(MediaTime, SecondsIndefiniteAndEquality)
{
    EXPECT_EQ(MediaTime::fromSeconds(0.05), MediaTime(30, 600));
    EXPECT_EQ(MediaTime(1001, 24000), MediaTime(2002, 48000));
    EXPECT_FALSE(MediaTime::indefinite().isNumeric());
    EXPECT_FALSE(MediaTime::fromSeconds(std::nan("")).isValid());
    EXPECT_NE(MediaTime::indefinite(), MediaTime::invalid());
}

TEST(MediaProbe, ReadsSizeRateDurationRotationFieldsAndTracks)
{
    const std::pair<const char*, ClipSpec> cases[] = {
        { "probe_rotated", { Codec::H264, 30000, 1001, 12, 160, 90, 0, 90 } },
        { "probe_interlaced", { Codec::ProRes, 24000, 1001, 12, 160, 90, 0, 0, true } },
    };
    for (const auto& [name, c] : cases) {
        SCOPED_TRACE(name);
        auto info = MediaProbe::probe(clipUrl(name, c));
        ASSERT_TRUE(info.ok()) << info.error().toStdString();
        EXPECT_FALSE(info->hasAudio);
        EXPECT_EQ(info->rotation, c.rotation);
        EXPECT_EQ(info->displayWidth(), c.rotation ? 90 : 160);
        EXPECT_NEAR(info->nominalFrameRate, double(c.rateNum) / c.rateDen, 1e-3);
        EXPECT_EQ(info->fieldInfo.detail, c.interlaced ? FieldDetail::TemporalTopFirst : FieldDetail::None);
        EXPECT_NEAR(info->duration.seconds(), 12.0 * c.rateDen / c.rateNum, 1e-9);
    }
}

// The player's tests go through every kind of file that is refused; here only that the probe
// passes the refusal on.
TEST(MediaProbe, PassesOnWhyAFileCannotBeRead)
{
    auto missing = MediaProbe::probe(QUrl::fromLocalFile(ClipLibrary::shared().folder() + "/nothing.mov"));
    ASSERT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().contains("does not exist"));
    EXPECT_FALSE(
        MediaProbe::probe(QUrl::fromLocalFile(ClipLibrary::shared().writeFile("notes.mov", "just some text\n"))).ok());
}

TEST(Thumbnail, FirstPictureFittedAndUpright)
{
    auto plain = ThumbnailGenerator::generate(clipUrl("thumb_plain", { Codec::ProRes, 25, 1, 3, 480, 270 }));
    ASSERT_TRUE(plain.ok()) << plain.error().toStdString();
    EXPECT_EQ(plain->size(), QSize(240, 135));

    // Turned a quarter clockwise: the marker shows at the lower left (a turn the other way would
    // put it at the upper right).
    auto upright = ThumbnailGenerator::generate(clipUrl("thumb_rotated", { Codec::H264, 25, 1, 3, 320, 180, 0, 90 }));
    ASSERT_TRUE(upright.ok()) << upright.error().toStdString();
    EXPECT_EQ(upright->size(), QSize(76, 135));
    EXPECT_GT(qGreen(upright->pixel(9, 118)), 200);
    EXPECT_LT(qGreen(upright->pixel(9, 17)), 60);
    EXPECT_LT(qGreen(upright->pixel(66, 17)), 60);

    EXPECT_FALSE(ThumbnailGenerator::generate(QUrl("https://127.0.0.1:9/x.mov")).ok());
    EXPECT_FALSE(ThumbnailGenerator::generate(
        QUrl::fromLocalFile(ClipLibrary::shared().writeFile("bad.mov", QByteArray(4096, 'x'))))
                     .ok());
}

TEST(MediaProbe, AsyncResultsArriveOnTheMainThreadWhileTheGuardLives)
{
    const QUrl url = clipUrl("probe_h264_25", { Codec::H264, 25, 1, 12 });
    QObject guard;
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // safety net only
    int answers = 0;
    MediaProbe::probeAsync(url, &guard, [&](platform::Result<MediaInfo, QString> info) {
        answers += platform::isMainThread() && info.ok();
        loop.quit();
    });
    // A caller that went away gets no answer.
    auto gone = std::make_unique<QObject>();
    bool late = false;
    MediaProbe::probeAsync(url, gone.get(), [&](auto) { late = true; });
    gone.reset();
    loop.exec();
    EXPECT_EQ(answers, 1);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);
}
