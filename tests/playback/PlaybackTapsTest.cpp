// The playback taps on fake players with numbered frames, a manual timer and clock, and a sink
// that records what the capture engine would be handed.

#include "PlaybackTestSupport.h"

#include "media/player/PlayerItem.h"
#include "platform/ManualMediaClock.h"
#include "playback/taps/PlaybackDeckLinkTap.h"
#include "playback/taps/PlaybackMultiViewTap.h"
#include "playback/taps/PlaybackTapSink.h"

#include <cmath>

using capture::PlaybackOutputSource;
using playback::PlaybackDeckLinkTap;
using playback::PlaybackMultiViewTap;

namespace playback_test {

namespace {

struct RecordingSink final : playback::PlaybackTapSink {
    double playbackDeckLinkTapFPSHint() const override { return hint; }
    void handlePlaybackOutput(
        const media::Frame& frame, PlaybackOutputSource source, std::optional<double> time) override
    {
        outputs.push_back({ frame, source, time });
    }
    void handlePlaybackMultiView(const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order) override
    {
        multiViews.push_back({ frames, order });
    }

    double hint = 25.0;
    std::vector<std::tuple<media::Frame, PlaybackOutputSource, std::optional<double>>> outputs;
    std::vector<std::pair<QHash<QUuid, media::Frame>, QList<QUuid>>> multiViews;
};

media::Frame numbered(int n, double itemTime = 0.0)
{
    media::MutableFrame frame(media::PixelFormat::BGRA, 8, 8);
    frame.data()[0] = static_cast<std::uint8_t>(n);
    frame.setItemTime(itemTime);
    return std::move(frame).share();
}

int numberOf(const media::Frame& frame)
{
    return frame.isNull() ? -1 : frame.row(0)[0];
}

} // namespace

class PlaybackTapsTest : public ProjectEngineTest {
protected:
    media::FakeMediaPlayer* tile(const QUuid& id) const
    {
        return static_cast<media::FakeMediaPlayer*>(vm_->playerForTakeTile(id));
    }

    platform::ManualMediaClock clock_;
    platform::ManualScheduler timers_ { &clock_ };
    media::FakeMediaPlayer player_ { clock_ };
    RecordingSink sink_;
};

TEST_F(PlaybackTapsTest, RatesFollowTheHintWithinEachTapsBounds)
{
    // hint (none: the capture engine is gone), DeckLink tap rate, multi-view tap rate
    const std::tuple<std::optional<double>, double, double> cases[] = { { 25.0, 30.0, 25.0 }, { 120.0, 60.0, 60.0 },
        { std::nullopt, 60.0, 30.0 }, { 20.0, 30.0, 24.0 }, { std::nan(""), 30.0, 24.0 } };
    for (const auto& [hint, deckLinkFPS, multiViewFPS] : cases) {
        sink_.hint = hint.value_or(0.0);
        auto* sink = hint ? &sink_ : nullptr;
        PlaybackDeckLinkTap deckLink(player_, sink, PlaybackOutputSource::main, timers_, clock_);
        PlaybackMultiViewTap multiView(*vm_, sink, timers_, clock_);
        deckLink.start();
        multiView.start();
        deckLink.start(); // a restart replaces the timer
        EXPECT_EQ(deckLink.currentTimerFPS(), deckLinkFPS) << hint.value_or(-1);
        EXPECT_EQ(multiView.currentTimerFPS(), multiViewFPS) << hint.value_or(-1);
        EXPECT_EQ(timers_.pendingCount(), 2u);
        deckLink.stop();
        multiView.stop();
        EXPECT_EQ(timers_.pendingCount(), 0u);
    }
    // The DeckLink tap re-times itself only when the hint moves by more than half a frame.
    sink_.hint = 30.0;
    PlaybackDeckLinkTap tap(player_, &sink_, PlaybackOutputSource::program, timers_, clock_);
    tap.start();
    sink_.hint = 30.4;
    timers_.advance(0.1);
    EXPECT_EQ(tap.currentTimerFPS(), 30.0);
    sink_.hint = 30.6;
    timers_.advance(0.1);
    EXPECT_EQ(tap.currentTimerFPS(), 30.6);
}

TEST_F(PlaybackTapsTest, DeckLinkTapResendsTheHeldFrameAndNeverOneOfAnOldItem)
{
    sink_.hint = 30.0;
    PlaybackDeckLinkTap tap(player_, &sink_, PlaybackOutputSource::program, timers_, clock_);
    tap.start();
    player_.replaceCurrentItem(media::PlayerItem::create(QUrl::fromLocalFile("/a.mov")));
    player_.makeReady(10.0);
    player_.presentFrame(numbered(1, 2.0));
    timers_.advance(1.0 + 1e-6); // paused: the same frame on every tick
    ASSERT_EQ(sink_.outputs.size(), 30u);
    for (const auto& [frame, source, time] : sink_.outputs) {
        EXPECT_TRUE(frame.sharesPixelsWith(std::get<0>(sink_.outputs.front())));
        EXPECT_EQ(source, PlaybackOutputSource::program);
        EXPECT_EQ(time, 2.0);
    }

    // Without an item nothing is sent; a new item sends nothing until it has a frame of its own.
    sink_.outputs.clear();
    const auto first = player_.currentItem();
    player_.replaceCurrentItem(nullptr);
    timers_.advance(0.1);
    player_.replaceCurrentItem(media::PlayerItem::create(QUrl::fromLocalFile("/b.mov")));
    timers_.advance(0.1);
    EXPECT_TRUE(sink_.outputs.empty());
    EXPECT_TRUE(first->outputs().empty());
    player_.presentFrame(numbered(2, 0.5));
    player_.presentFrame(numbered(3, 0.54));
    timers_.advance(0.05);
    ASSERT_EQ(sink_.outputs.size(), 1u);
    EXPECT_EQ(numberOf(std::get<0>(sink_.outputs[0])), 3);
    EXPECT_EQ(std::get<2>(sink_.outputs[0]), 0.54);
    tap.stop();
    EXPECT_TRUE(player_.currentItem()->outputs().empty());
}

TEST_F(PlaybackTapsTest, MultiViewDeliversOnNewFramesOrOrderAndHoldsOnlyPreviewedClips)
{
    const QUuid cam1 = add("R1-SC1-T4-Cam1.mov");
    const QUuid cam2 = add("R1-SC1-T4-Cam2.mov");
    const QUuid next1 = add("R1-SC1-T5-Cam1.mov");
    const QUuid next2 = add("R1-SC1-T5-Cam2.mov");
    vm_->previewTake(4);
    tile(cam1)->presentFrame(numbered(1));
    tile(cam2)->presentFrame(numbered(2));
    PlaybackMultiViewTap tap(*vm_, &sink_, timers_, clock_);
    tap.start();
    timers_.advance(0.2); // five ticks, one delivery
    ASSERT_EQ(sink_.multiViews.size(), 1u);
    EXPECT_EQ(sink_.multiViews[0].second, (QList<QUuid> { cam1, cam2 }));
    EXPECT_EQ(numberOf(sink_.multiViews[0].first.value(cam2)), 2);

    // A new master reorders the tiles: delivered at once, without new frames.
    vm_->setTakePreviewMaster(cam2);
    timers_.advance(0.05);
    ASSERT_EQ(sink_.multiViews.size(), 2u);
    EXPECT_EQ(sink_.multiViews[1].second, (QList<QUuid> { cam2, cam1 }));

    // A restart makes fresh outputs, which take the frames on show again.
    tile(cam1)->presentFrame(numbered(5));
    tile(cam2)->presentFrame(numbered(6));
    timers_.advance(0.05);
    tap.stop();
    tap.start();
    timers_.advance(0.05);
    ASSERT_EQ(sink_.multiViews.size(), 4u);
    EXPECT_EQ(numberOf(sink_.multiViews[3].first.value(cam1)), 5);

    // Another take: the clips that left give up their outputs and frames.
    vm_->previewTake(5);
    timers_.advance(0.05);
    EXPECT_EQ(tap.heldClipCount(), 2);
    ASSERT_EQ(sink_.multiViews.size(), 5u);
    EXPECT_EQ(sink_.multiViews[4].second, (QList<QUuid> { next1, next2 }));
}

} // namespace playback_test
