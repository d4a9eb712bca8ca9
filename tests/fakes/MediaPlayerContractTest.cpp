// The same cases on the real player and on the fake the engine tests use, so the fake cannot
// drift from what the real player does with rates, seeks, observers and the end of an item.

#include "PlayerTestSupport.h"
#include "fakes/FakeMediaPlayer.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <cmath>
#include <limits>

using namespace media;

namespace {

// One second at 25 frames per second.
const testclips::ClipSpec kOneSecond { testclips::Codec::ProRes, 25, 1, 25 };

struct RealPlayer {
    platform::ManualMediaClock clock { 1000.0 };
    platform::ManualScheduler scheduler { &clock };
    FFmpegMediaPlayer player { clock, scheduler };

    std::shared_ptr<PlayerItem> load(MediaPlayer& into)
    {
        auto item = PlayerItem::create(QUrl::fromLocalFile(
            testclips::ClipLibrary::shared().path(QStringLiteral("contract_one_second"), kOneSecond)));
        EXPECT_TRUE(into.replaceCurrentItem(item));
        EXPECT_TRUE(testclips::waitUntilLoaded(*item));
        return item;
    }
    void advance(double seconds) { scheduler.advance(seconds); }
};

struct FakePlayer {
    platform::ManualMediaClock clock { 1000.0 };
    FakeMediaPlayer player { clock };

    std::shared_ptr<PlayerItem> load(MediaPlayer& into)
    {
        auto item = PlayerItem::create(QUrl::fromLocalFile(QStringLiteral("/clips/one-second.mov")));
        EXPECT_TRUE(into.replaceCurrentItem(item));
        static_cast<FakeMediaPlayer&>(into).makeReady(1.0);
        return item;
    }
    void advance(double seconds) { player.advance(seconds); }
};

template <class Rig> class MediaPlayerContract : public ::testing::Test {
protected:
    Rig rig;
    MediaPlayer& player = rig.player;

    std::shared_ptr<PlayerItem> load() { return rig.load(player); }
    static void settle() { QCoreApplication::processEvents(); }
};

using Players = ::testing::Types<RealPlayer, FakePlayer>;
TYPED_TEST_SUITE(MediaPlayerContract, Players);

TYPED_TEST(MediaPlayerContract, RatesAreClampedAndAnItemHasOnePlayer)
{
    EXPECT_EQ(this->player.currentTime(), MediaTime::zero());
    const struct {
        float asked;
        float kept;
    } rates[] = { { 1.0f, 1.0f }, { 0.05f, 0.1f }, { 100.0f, 64.0f }, { -2.0f, 0.0f },
        { std::numeric_limits<float>::quiet_NaN(), 0.0f }, { 2.0f, 2.0f } };
    for (const auto& r : rates) {
        this->player.setRate(r.asked);
        EXPECT_EQ(this->player.rate(), r.kept) << r.asked;
    }
    auto item = this->load();
    EXPECT_EQ(this->player.rate(), 2.0f); // kept across a replacement
    TypeParam other;
    EXPECT_FALSE(other.player.replaceCurrentItem(item));
    this->player.pause();
    EXPECT_EQ(this->player.rate(), 0.0f);
}

TYPED_TEST(MediaPlayerContract, SeeksAreImmediateClampedAndNeverCrossABoundary)
{
    this->load();
    int crossings = 0;
    std::vector<double> reported;
    this->player.addBoundaryTimeObserver({ MediaTime(1, 2) }, [&] { ++crossings; });
    this->player.addPeriodicTimeObserver(MediaTime(1, 4), [&](const MediaTime& t) { reported.push_back(t.seconds()); });
    this->player.seek(MediaTime::fromSeconds(0.6));
    EXPECT_DOUBLE_EQ(this->player.currentTime().seconds(), 0.6);
    this->player.seek(MediaTime::fromSeconds(0.2));
    this->player.seek(MediaTime::fromSeconds(5.0));
    EXPECT_DOUBLE_EQ(this->player.currentTime().seconds(), 1.0);
    this->settle();
    EXPECT_EQ(crossings, 0);
    ASSERT_FALSE(reported.empty()); // a jump is reported
    EXPECT_DOUBLE_EQ(reported.back(), 1.0);

    this->player.seek(MediaTime::fromSeconds(0.4));
    this->player.play();
    this->rig.advance(0.2);
    this->settle();
    EXPECT_EQ(crossings, 1);
}

TYPED_TEST(MediaPlayerContract, TheEndPausesOnTheDurationAndIsReportedOnce)
{
    auto item = this->load();
    QSignalSpy ended(item.get(), &PlayerItem::didPlayToEndTime);
    this->player.play();
    for (int i = 0; i < 30; ++i)
        this->rig.advance(0.05);
    this->settle();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(this->player.rate(), 0.0f);
    EXPECT_NEAR(this->player.currentTime().seconds(), 1.0, 1e-6);
}

} // namespace
