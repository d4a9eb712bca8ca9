// The engine on the real player and generated clips whose pictures carry their frame number:
// J/K/L sequences must end on the frame the playhead names (exact seeks are the player's own
// tests). Time moves through a manual clock and scheduler shared by the engine and its players;
// waits for the decoder threads are upper bounds only.

#include "PlaybackTestSupport.h"

#include "PlayerTestSupport.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/ManualMediaClock.h"

#include <QCoreApplication>

using playback::PlaybackViewModel;

namespace playback_test {

namespace {

class RealPlayerTest : public EngineTest, public ::testing::WithParamInterface<testclips::Codec> {
protected:
    RealPlayerTest()
    {
        spec_.codec = GetParam();
        spec_.frames = 50;
        const QString path = testclips::ClipLibrary::shared().path(
            spec_.codec == testclips::Codec::ProRes ? "engine-prores" : "engine-h264", spec_);
        engine_ = std::make_unique<PlaybackViewModel>(
            *settings_, [this] { return std::make_unique<media::FFmpegMediaPlayer>(clock_, playerScheduler_); },
            playerScheduler_, notifications_);
        engine_->setMediaLoader(std::make_unique<ManualMediaLoader>());
        engine_->addClipFromRecording(QUrl::fromLocalFile(path));
        item_ = engine_->player()->currentItem();
        item_->addOutput(output_);
        waiter_ = std::make_unique<testclips::FrameWaiter>(output_);
    }

    // Lets the players' and the engine's posted work run (each hop posts at most one more).
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // The frame number on show at the main player's time, once the decoder has put `expected`
    // there (or the wait's upper bound has passed).
    int shownFrame(int expected)
    {
        settle();
        const media::Frame frame = waiter_->waitFor(engine_->player()->currentTime().seconds(),
            [expected](const media::Frame& f) { return testclips::readFrameNumber(f) == expected; });
        return testclips::readFrameNumber(frame);
    }

    testclips::ClipSpec spec_;
    platform::ManualMediaClock clock_ { 0.0 };
    platform::ManualScheduler playerScheduler_ { &clock_ };
    std::unique_ptr<PlaybackViewModel> engine_;
    std::shared_ptr<media::PlayerItem> item_;
    std::shared_ptr<media::PlayerVideoOutput> output_ = media::PlayerVideoOutput::create();
    std::unique_ptr<testclips::FrameWaiter> waiter_;
};

TEST_P(RealPlayerTest, ShuttleAndJogEndOnTheExpectedFrame)
{
    ASSERT_TRUE(testclips::waitUntilLoaded(*item_));
    settle();
    // L: forward at 1x for 0.42 s, then K.
    engine_->shuttleForwardTap();
    playerScheduler_.advance(0.42);
    EXPECT_EQ(shownFrame(10), 10);
    engine_->stopPlayback();
    settle();
    EXPECT_NEAR(engine_->currentTime(), 0.42, 1e-9);
    // J: five reverse ticks of one frame each.
    engine_->shuttleReverseTap();
    playerScheduler_.advance(0.2);
    engine_->stopPlayback();
    EXPECT_NEAR(engine_->currentTime(), 0.22, 1e-9);
    EXPECT_EQ(shownFrame(5), 5);
    // L L: 2x for 0.2 s.
    engine_->shuttleForwardTap();
    engine_->shuttleForwardTap();
    playerScheduler_.advance(0.2);
    EXPECT_EQ(shownFrame(15), 15);
    engine_->stopPlayback();
    // Jogging steps single frames both ways.
    engine_->jogFrame(1);
    EXPECT_EQ(shownFrame(16), 16);
    engine_->jogFrame(-1);
    engine_->jogFrame(-1);
    EXPECT_EQ(shownFrame(14), 14);
    // J from near the start ends at frame 0, stopped.
    engine_->shuttleReverseTap();
    engine_->shuttleReverseTap();
    playerScheduler_.advance(1.0);
    EXPECT_FALSE(engine_->isPlaying());
    EXPECT_EQ(engine_->currentTime(), 0.0);
    EXPECT_EQ(shownFrame(0), 0);
}

INSTANTIATE_TEST_SUITE_P(Codecs, RealPlayerTest, ::testing::Values(testclips::Codec::ProRes, testclips::Codec::H264),
    [](const auto& info) { return info.param == testclips::Codec::ProRes ? "ProRes" : "H264"; });

} // namespace

} // namespace playback_test
