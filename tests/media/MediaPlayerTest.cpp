#include "PlayerTestSupport.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>

#include <cmath>
#include <thread>

using namespace media;
using testclips::ClipLibrary;
using testclips::ClipSpec;
using testclips::Codec;
using testclips::FrameWaiter;

namespace {

const ClipSpec kProRes25 { Codec::ProRes, 25, 1, 25 };
const ClipSpec kProRes23976 { Codec::ProRes, 24000, 1001, 30 };
const ClipSpec kH264Gop { Codec::H264, 30000, 1001, 60, 160, 90, 30 };
const ClipSpec kH264Long { Codec::H264, 25, 1, 200, 160, 90, 25 };

QString clip(const char* name, const ClipSpec& spec)
{
    return ClipLibrary::shared().path(QString::fromUtf8(name), spec);
}

class PlayerTest : public ::testing::Test {
protected:
    platform::ManualMediaClock clock { 1000.0 };
    platform::ManualScheduler scheduler { &clock };
    std::unique_ptr<FFmpegMediaPlayer> player = std::make_unique<FFmpegMediaPlayer>(clock, scheduler);
    std::shared_ptr<PlayerVideoOutput> output = PlayerVideoOutput::create();

    std::shared_ptr<PlayerItem> open(const QString& path, bool waitReady = true)
    {
        auto item = PlayerItem::create(QUrl::fromLocalFile(path));
        item->addOutput(output);
        EXPECT_TRUE(player->replaceCurrentItem(item));
        if (waitReady) {
            EXPECT_TRUE(testclips::waitUntilLoaded(*item));
            EXPECT_EQ(item->status(), PlayerItem::Status::ReadyToPlay) << item->errorText().toStdString();
        }
        return item;
    }

    // Seeks exactly and reads the picture back: its drawn number must be the frame the target
    // falls in, and the player's time must be the target.
    void expectExactSeek(double target, const ClipSpec& spec)
    {
        player->seek(MediaTime::fromSeconds(target));
        EXPECT_DOUBLE_EQ(player->currentTime().seconds(), MediaTime::fromSeconds(target).seconds());
        const int expected = testclips::frameIndexAt(MediaTime::fromSeconds(target).seconds(), spec);
        FrameWaiter waiter(output);
        const Frame frame = waiter.waitForFrameStarting(target, testclips::frameStart(expected, spec));
        ASSERT_FALSE(frame.isNull()) << "no frame at " << target;
        EXPECT_NEAR(frame.presentationTime(), testclips::frameStart(expected, spec), 1e-6) << "target " << target;
        EXPECT_EQ(testclips::readFrameNumber(frame), expected) << "target " << target;
    }
};

} // namespace

TEST_F(PlayerTest, OpensAsynchronouslyWithDurationAndTracks)
{
    auto item = PlayerItem::create(QUrl::fromLocalFile(clip("p_prores25", kProRes25)));
    EXPECT_EQ(item->status(), PlayerItem::Status::Unknown);
    EXPECT_TRUE(item->duration().isIndefinite());
    player->replaceCurrentItem(item);
    ASSERT_TRUE(testclips::waitUntilLoaded(*item));
    ASSERT_EQ(item->status(), PlayerItem::Status::ReadyToPlay);
    EXPECT_EQ(item->duration(), MediaTime(1, 1));
    EXPECT_EQ(item->presentationSize(), QSize(160, 90));
    EXPECT_DOUBLE_EQ(item->nominalFrameRate(), 25.0);

    // The first picture is on show without any seek.
    item->addOutput(output);
    const Frame first = FrameWaiter(output).waitForFrameStarting(0.0, 0.0);
    EXPECT_EQ(testclips::readFrameNumber(first), 0);
    player->replaceCurrentItem(nullptr);
    EXPECT_EQ(player->currentItem(), nullptr);
}

TEST_F(PlayerTest, ExactSeeksReadBackTheRightFrame)
{
    const struct {
        const char* name;
        ClipSpec spec;
    } clips[] = { { "p_prores25", kProRes25 }, { "p_prores23976", kProRes23976 }, { "p_h264gop", kH264Gop } };
    for (const auto& c : clips) {
        SCOPED_TRACE(c.name);
        open(clip(c.name, c.spec));
        const double frame = static_cast<double>(c.spec.rateDen) / c.spec.rateNum;
        const double last = frame * (c.spec.frames - 1);
        // Forward, backward across keyframes, within one frame, the first and the last frames.
        for (double target : { 0.5, 0.1, last, frame * 31.5, frame * 29.2, 0.0, frame * 2.01, frame * 1.99, 0.75,
                 frame * 30, frame * 29 }) {
            if (target > last + frame)
                continue;
            expectExactSeek(std::min(target, last), c.spec);
        }
    }
}

TEST_F(PlayerTest, SteppingBackOverLongGopsReadsBackEveryStep)
{
    // Between steps the decoder prepares the pictures the next steps land on; each must still be
    // the right one, across group boundaries.
    open(clip("p_h264long", kH264Long));
    for (int index = 150; index >= 60; index -= 8)
        expectExactSeek((index + 0.5) / 25, kH264Long);
    for (int index = 59; index >= 45; --index)
        expectExactSeek((index + 0.5) / 25, kH264Long);
}

TEST_F(PlayerTest, PlaysAtRateOnTheInjectedClock)
{
    open(clip("p_prores25", kProRes25));
    player->play();
    scheduler.advance(0.3);
    EXPECT_NEAR(player->currentTime().seconds(), 0.3, 1.0 / 600);
    player->setRate(0.5f);
    scheduler.advance(0.2);
    EXPECT_NEAR(player->currentTime().seconds(), 0.4, 1.0 / 600);
    player->pause();
    const MediaTime held = player->currentTime();
    scheduler.advance(0.5);
    EXPECT_EQ(player->currentTime(), held);
}

TEST_F(PlayerTest, PeriodicObserverFiresDuringPlaybackAndOnJumps)
{
    open(clip("p_prores25", kProRes25));
    QCoreApplication::processEvents(); // the jump report of the new item
    std::vector<double> times;
    const auto token = player->addPeriodicTimeObserver(
        MediaTime(30, 600), [&](const MediaTime& t) { times.push_back(t.seconds()); });
    player->play();
    QCoreApplication::processEvents(); // playback started: one report at 0
    scheduler.advance(0.5);
    ASSERT_GE(times.size(), 11u);
    EXPECT_LE(times.size(), 12u);
    EXPECT_NEAR(times.back(), 0.5, 0.011);
    times.clear();
    player->seek(MediaTime::fromSeconds(0.1));
    QCoreApplication::processEvents();
    EXPECT_EQ(times, std::vector<double> { MediaTime::fromSeconds(0.1).seconds() });
    player->removeTimeObserver(token);
    player->seek(MediaTime::zero());
    QCoreApplication::processEvents();
    EXPECT_EQ(times.size(), 1u);
}

TEST_F(PlayerTest, BoundaryObserverFiresOnCrossingAndMayPauseThePlayer)
{
    open(clip("p_prores25", kProRes25));
    int crossings = 0;
    // An observer that pauses the player (the in-to-out stop) sees the player paused at once.
    player->addBoundaryTimeObserver({ MediaTime(180, 600) }, [&] {
        ++crossings;
        player->pause();
    });
    player->play();
    scheduler.advance(0.2);
    EXPECT_EQ(crossings, 0);
    scheduler.advance(0.2);
    EXPECT_EQ(crossings, 1);
    EXPECT_EQ(player->rate(), 0.0f);
    EXPECT_NEAR(player->currentTime().seconds(), 0.3, 0.011);
}

TEST_F(PlayerTest, TapsOfOneItemShareFramesAndMoveWithTheirItem)
{
    auto item = open(clip("p_h264gop", kH264Gop));
    auto second = PlayerVideoOutput::create();
    item->addOutput(second);
    const MediaTime at = MediaTime::zero();
    FrameWaiter(output).waitForFrameStarting(0.0, 0.0);
    ASSERT_TRUE(second->hasNewFrameForItemTime(at));
    EXPECT_TRUE(output->copyFrameForItemTime(at).sharesPixelsWith(second->copyFrameForItemTime(at)));
    EXPECT_FALSE(second->hasNewFrameForItemTime(at)); // nothing new until the picture changes
    auto other = PlayerItem::create(QUrl::fromLocalFile(clip("p_prores25", kProRes25)));
    other->addOutput(second);
    EXPECT_EQ(item->outputs().size(), 1u);
}

TEST_F(PlayerTest, OpenFailuresAreReportedWithAText)
{
    auto& clips = ClipLibrary::shared();
    const std::pair<QUrl, const char*> cases[] = {
        { QUrl::fromLocalFile(clips.folder() + "/missing.mov"), "does not exist" },
        { QUrl::fromLocalFile(clips.writeFile("text.mov", "this is not a movie at all\n")), "Cannot open" },
        { QUrl("http://127.0.0.1:9/clip.mov"), "Only local files" },
        { QUrl::fromLocalFile("/dev/null"), "Not a regular file" },
        // Lists that point at the network must not make the library fetch anything.
        { QUrl::fromLocalFile(
              clips.writeFile("list.ffconcat", "ffconcat version 1.0\nfile http://127.0.0.1:9/a.mov\n")),
            "Cannot open" },
    };
    for (const auto& [url, text] : cases) {
        SCOPED_TRACE(url.toString().toStdString());
        auto item = PlayerItem::create(url);
        QSignalSpy failed(item.get(), &PlayerItem::failedToPlayToEndTime);
        player->replaceCurrentItem(item);
        player->play();
        ASSERT_TRUE(testclips::waitUntilLoaded(*item));
        EXPECT_EQ(item->status(), PlayerItem::Status::Failed);
        EXPECT_TRUE(item->errorText().contains(text)) << item->errorText().toStdString();
        // A player asked to play a failed item reports the failure instead of pretending to play.
        EXPECT_TRUE(!failed.isEmpty() || failed.wait(5000));
        scheduler.advance(0.2);
        EXPECT_EQ(player->currentTime(), MediaTime::zero());
        player->pause();
    }
}

TEST_F(PlayerTest, DamagedPicturesDoNotStopSeeking)
{
    // Garbage over a stretch of picture data in the middle of the file.
    QFile original(clip("p_h264gop", kH264Gop));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    for (qsizetype i = bytes.size() / 3; i < bytes.size() / 2; ++i)
        bytes[i] = static_cast<char>((i * 131) ^ (i >> 3));
    open(ClipLibrary::shared().writeFile("damaged.mov", bytes));
    FrameWaiter waiter(output);
    // Every seek still ends with a picture on show at the target's frame time, or the nearest
    // picture the damaged stretch left.
    for (double target : { 1.9, 0.2, 1.0, 0.6, 1.5 }) {
        player->seek(MediaTime::fromSeconds(target));
        const Frame frame = waiter.waitFor(
            target, [target](const Frame& f) { return std::fabs(f.presentationTime() - target) < 2.0; });
        EXPECT_FALSE(frame.isNull()) << target;
    }
    player->play();
    scheduler.advance(3.0);
    EXPECT_EQ(player->rate(), 0.0f); // reached the end
}

// An output is read where its item lives: a read from another thread stops a debug build at once
// instead of racing the item's attach and detach.
TEST(PlayerVideoOutputThreadTest, ReadsFromAnotherThreadAreRefused)
{
#ifdef QT_NO_DEBUG
    GTEST_SKIP() << "assertions are compiled out";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto output = PlayerVideoOutput::create();
    EXPECT_DEATH(std::thread([&] { output->copyFrameForItemTime(MediaTime::zero()); }).join(), "isMainThread");
    EXPECT_FALSE(output->copyFrameForItemTime(MediaTime::zero())); // on the main thread: no item, no frame
}
