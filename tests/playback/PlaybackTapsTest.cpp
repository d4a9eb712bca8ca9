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

class RecordingSink final : public playback::PlaybackTapSink {
public:
    struct Output {
        media::Frame frame;
        PlaybackOutputSource source;
        std::optional<double> time;
    };
    struct MultiView {
        QHash<QUuid, media::Frame> frames;
        QList<QUuid> order;
    };

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
    std::vector<Output> outputs;
    std::vector<MultiView> multiViews;
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
    std::vector<int> outputNumbers() const
    {
        std::vector<int> numbers;
        for (const auto& output : sink_.outputs)
            numbers.push_back(numberOf(output.frame));
        return numbers;
    }

    platform::ManualMediaClock clock_;
    platform::ManualScheduler timers_ { &clock_ };
    media::FakeMediaPlayer player_ { clock_ };
    RecordingSink sink_;
};

TEST_F(PlaybackTapsTest, RatesFollowTheHintWithinEachTapsBounds)
{
    struct Case {
        std::optional<double> hint; // none: the capture engine is gone
        double deckLinkFPS;
        double multiViewFPS;
    };
    const Case cases[] = { { 25.0, 30.0, 25.0 }, { 120.0, 60.0, 60.0 }, { std::nullopt, 60.0, 30.0 },
        { 50.0, 50.0, 50.0 }, { 0.0, 30.0, 24.0 }, { std::nan(""), 30.0, 24.0 } };
    for (const Case& c : cases) {
        sink_.hint = c.hint.value_or(0.0);
        auto* sink = c.hint ? &sink_ : nullptr;
        PlaybackDeckLinkTap deckLink(player_, sink, PlaybackOutputSource::main, timers_, clock_);
        PlaybackMultiViewTap multiView(*vm_, sink, timers_, clock_);
        deckLink.start();
        multiView.start();
        EXPECT_EQ(deckLink.currentTimerFPS(), c.deckLinkFPS) << c.hint.value_or(-1);
        EXPECT_EQ(multiView.currentTimerFPS(), c.multiViewFPS) << c.hint.value_or(-1);
        deckLink.start(); // a restart replaces the timer
        EXPECT_EQ(timers_.pendingCount(), 2u);
        deckLink.stop();
        multiView.stop();
        EXPECT_EQ(deckLink.currentTimerFPS(), 0.0);
        EXPECT_EQ(timers_.pendingCount(), 0u);
    }
}

TEST_F(PlaybackTapsTest, DeckLinkTapRetimesOnlyWhenTheHintMovesOverHalfAFrame)
{
    sink_.hint = 30.0;
    PlaybackDeckLinkTap tap(player_, &sink_, PlaybackOutputSource::program, timers_, clock_);
    tap.start();
    sink_.hint = 30.4;
    timers_.advance(0.1);
    EXPECT_EQ(tap.currentTimerFPS(), 30.0);
    sink_.hint = 30.6;
    timers_.advance(0.1);
    EXPECT_EQ(tap.currentTimerFPS(), 30.6);
    EXPECT_EQ(timers_.pendingCount(), 1u);
}

TEST_F(PlaybackTapsTest, DeckLinkTapResendsTheHeldFrameAndNeverOneOfAnOldItem)
{
    sink_.hint = 30.0;
    PlaybackDeckLinkTap tap(player_, &sink_, PlaybackOutputSource::program, timers_, clock_);
    tap.start();
    timers_.advance(0.1); // no item: nothing
    EXPECT_TRUE(sink_.outputs.empty());

    player_.replaceCurrentItem(media::PlayerItem::create(QUrl::fromLocalFile("/a.mov")));
    player_.makeReady(10.0);
    player_.presentFrame(numbered(1, 2.0));
    timers_.advance(1.0 + 1e-6); // paused: the same frame on every tick
    ASSERT_EQ(sink_.outputs.size(), 30u);
    for (const auto& output : sink_.outputs) {
        EXPECT_TRUE(output.frame.sharesPixelsWith(sink_.outputs.front().frame));
        EXPECT_EQ(output.source, PlaybackOutputSource::program);
        EXPECT_EQ(output.time, 2.0);
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
    player_.makeReady(10.0);
    player_.presentFrame(numbered(2, 0.5));
    player_.presentFrame(numbered(3, 0.54));
    timers_.advance(0.05);
    EXPECT_EQ(outputNumbers(), (std::vector<int> { 3 }));
    EXPECT_EQ(sink_.outputs.back().time, 0.54);

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
    sink_.hint = 25.0;
    PlaybackMultiViewTap tap(*vm_, &sink_, timers_, clock_);
    tap.start();
    timers_.advance(0.2); // five ticks, one delivery
    ASSERT_EQ(sink_.multiViews.size(), 1u);
    EXPECT_EQ(sink_.multiViews[0].order, (QList<QUuid> { cam1, cam2 }));
    EXPECT_EQ(numberOf(sink_.multiViews[0].frames.value(cam2)), 2);

    // A new master reorders the tiles: delivered at once, without new frames.
    vm_->setTakePreviewMaster(cam2);
    timers_.advance(0.05);
    ASSERT_EQ(sink_.multiViews.size(), 2u);
    EXPECT_EQ(sink_.multiViews[1].order, (QList<QUuid> { cam2, cam1 }));

    // A restart makes fresh outputs, which take the frames on show again.
    tile(cam1)->presentFrame(numbered(5));
    tile(cam2)->presentFrame(numbered(6));
    timers_.advance(0.05);
    tap.stop();
    tap.start();
    timers_.advance(0.05);
    ASSERT_EQ(sink_.multiViews.size(), 4u);
    EXPECT_EQ(numberOf(sink_.multiViews[3].frames.value(cam1)), 5);
    EXPECT_EQ(tap.heldClipCount(), 2);

    // Another take: the clips that left give up their outputs and frames.
    sink_.multiViews.clear();
    vm_->previewTake(5);
    timers_.advance(0.05);
    EXPECT_EQ(tap.heldClipCount(), 2);
    ASSERT_EQ(sink_.multiViews.size(), 1u);
    EXPECT_EQ(sink_.multiViews[0].order, (QList<QUuid> { next1, next2 }));
}

} // namespace playback_test
