#include "fakes/FakeMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/ManualMediaClock.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace media;

TEST(FakeMediaPlayer, PlaysObservesEndsAndRecords)
{
    platform::ManualMediaClock clock;
    FakeMediaPlayer player(clock);
    auto item = PlayerItem::create(QUrl::fromLocalFile("/clips/a.mov"));
    auto output = PlayerVideoOutput::create();
    item->addOutput(output);
    ASSERT_TRUE(player.replaceCurrentItem(item));
    QSignalSpy ended(item.get(), &PlayerItem::didPlayToEndTime);

    std::vector<double> periodic;
    int crossings = 0;
    player.addPeriodicTimeObserver(MediaTime(30, 600), [&](const MediaTime& t) { periodic.push_back(t.seconds()); });
    player.addBoundaryTimeObserver({ MediaTime(1, 2) }, [&] { ++crossings; });

    player.play();
    player.advance(0.2); // not ready yet: time stands
    EXPECT_EQ(player.currentTime(), MediaTime::zero());
    player.makeReady(1.0);
    EXPECT_EQ(item->status(), PlayerItem::Status::ReadyToPlay);
    player.advance(0.2);
    EXPECT_EQ(periodic.size(), 1u);
    player.seek(MediaTime::fromSeconds(0.6)); // jumps over the boundary
    player.advance(0.2);
    EXPECT_EQ(crossings, 0);
    player.seek(MediaTime::fromSeconds(0.4));
    player.advance(0.2);
    EXPECT_EQ(crossings, 1);
    player.advance(2.0);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(player.rate(), 0.0f);
    EXPECT_EQ(player.currentTime(), MediaTime(1, 1));
    EXPECT_EQ(player.seekTargets(), (std::vector<double> { 0.6, 0.4 }));
    EXPECT_EQ(player.replaceCount(), 1);

    // Pictures presented by hand reach the item's outputs at the fake's time.
    MutableFrame picture(PixelFormat::BGRA, 4, 4);
    picture.setPresentationTime(0.96);
    const Frame frame = std::move(picture).share();
    player.presentFrame(frame);
    const MediaTime now = output->itemTimeForHostTime(clock.now());
    EXPECT_EQ(now, MediaTime(1, 1));
    ASSERT_TRUE(output->hasNewFrameForItemTime(now));
    EXPECT_TRUE(output->copyFrameForItemTime(now).sharesPixelsWith(frame));

    // Another player cannot take an item this one holds.
    FakeMediaPlayer other(clock);
    EXPECT_FALSE(other.replaceCurrentItem(item));
    std::vector<FakeMediaPlayer*> made;
    auto factory = FakeMediaPlayer::factory(&made);
    auto a = factory();
    auto b = factory();
    EXPECT_EQ(made.size(), 2u);
    EXPECT_EQ(made[1], b.get());
}
