// Selection, the transport, marks and the in-to-out loop on fake players: the engine's steps are
// read back from what it asked of each player, and time moves only through the fake player and
// the manual scheduler.

#include "PlaybackTestSupport.h"

#include "media/player/PlayerItem.h"

#include <QSignalSpy>

#include <cmath>
#include <vector>

using playback::PlaybackViewModel;

namespace playback_test {

class TransportTest : public ProjectEngineTest {
protected:
    // A selected clip whose item is ready.
    QUuid add(const QString& name, double seconds = 10.0, double fps = 25.0)
    {
        return ProjectEngineTest::add(name, seconds, fps);
    }
};

TEST_F(TransportTest, ReverseTicksStepByFrameWithAFloorAndStopAtTheStart)
{
    const struct {
        double fps, rate, interval, step;
    } cases[] = { { 25, 1, 0.04, 0.04 }, { 25, 64, 0.04, 2.56 }, { 60, 1, 0.02, 0.02 }, { 25, 0.5, 0.04, 0.02 } };
    for (const auto& c : cases) {
        add(QString("r%1-%2.mov").arg(c.fps).arg(c.rate), 100.0, c.fps);
        vm_->seek(50.0, true);
        if (c.rate == 0.5) {
            vm_->startHalfSpeedHold(PlaybackViewModel::TransportDirection::reverse);
        } else {
            for (double r = 1; r <= c.rate; r *= 2)
                vm_->shuttleReverseTap();
        }
        scheduler_.advance(c.interval * 0.99);
        EXPECT_EQ(vm_->currentTime(), 50.0) << c.fps << " " << c.rate;
        scheduler_.advance(c.interval * 0.02);
        EXPECT_NEAR(vm_->currentTime(), 50.0 - c.step, 1e-9) << c.fps << " " << c.rate;
        vm_->stopHalfSpeedHold();
    }
    // Reaching the start stops there, shuttle reset.
    vm_->seek(0.1, true);
    vm_->shuttleReverseTap();
    scheduler_.advance(0.2);
    EXPECT_EQ(vm_->currentTime(), 0.0);
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_EQ(scheduler_.pendingCount(), 0u);
    vm_->seek(1.0, true);
    vm_->shuttleReverseTap();
    scheduler_.advance(0.04);
    EXPECT_NEAR(vm_->currentTime(), 0.96, 1e-9); // 1x again, not a second step
    // A seek that ends reverse play leaves the transport stopped.
    vm_->seek(3.0, true);
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_EQ(scheduler_.pendingCount(), 0u);
}

TEST_F(TransportTest, EndFailureAndLearntDuration)
{
    const QUuid a = add("a.mov", -1.0);
    QSignalSpy clipChanges(vm_.get(), &PlaybackViewModel::clipsChanged);
    vm_->togglePlayPause();
    main()->advance(0.3);
    drainEvents();
    EXPECT_EQ(clipChanges.count(), 0); // duration not known yet
    // The item learns its length: stored and published once, not on every report.
    vm_->selectClip(a);
    main()->makeReady(4.0);
    vm_->togglePlayPause();
    vm_->flushPendingSaves();
    clipChanges.clear();
    for (int i = 0; i < 5; ++i)
        main()->advance(0.05);
    drainEvents();
    EXPECT_EQ(clipChanges.count(), 1);
    EXPECT_EQ(vm_->clips().at(0).duration, 4.0);
    EXPECT_TRUE(vm_->hasUnsavedChanges());
    // The end pauses and leaves the playhead at the end.
    main()->advance(10.0);
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_EQ(vm_->currentTime(), 4.0);

    vm_->togglePlayPause();
    main()->failPlayback("broken");
    EXPECT_FALSE(vm_->isPlaying());
    // A clip that cannot be opened takes the same road.
    ProjectEngineTest::add("b.mov"); // not opened yet
    vm_->togglePlayPause();
    EXPECT_TRUE(vm_->isPlaying());
    main()->makeFailed("unreadable");
    EXPECT_FALSE(vm_->isPlaying());
}

TEST_F(TransportTest, MarkSettersKeepInBeforeOut)
{
    const QUuid a = add("a.mov");
    const auto markAt = [&](double t, bool in) {
        vm_->seek(t, true);
        in ? vm_->setMarkIn() : vm_->setMarkOut();
    };
    markAt(3.0, false);
    markAt(5.0, true); // after Mark Out: Mark Out goes
    EXPECT_EQ(vm_->markIn(), 5.0);
    EXPECT_FALSE(vm_->markOut());
    markAt(2.0, false); // before Mark In: nothing
    markAt(5.0, false); // at Mark In: nothing
    EXPECT_FALSE(vm_->markOut());
    markAt(7.5, false);
    EXPECT_EQ(vm_->clips().at(0).markIn, 5.0);
    EXPECT_EQ(vm_->clips().at(0).markOut, 7.5);
    EXPECT_EQ(vm_->clips().at(0).duration, 10.0);
    EXPECT_TRUE(vm_->hasUnsavedChanges());
    // Quitting with a project open keeps them.
    vm_->cleanup();
    EXPECT_FALSE(vm_->hasUnsavedChanges());
    EXPECT_TRUE(playlistText(project_).contains("\"markOut\":7.5"));
    // Nothing loaded: the setters refuse; clearing still clears the published marks.
    vm_->selectClip(std::nullopt);
    markAt(1.0, true);
    EXPECT_FALSE(vm_->markIn());
    vm_->selectClip(a);
    vm_->clearMarks();
    EXPECT_FALSE(vm_->clips().at(0).markIn);
}

TEST_F(TransportTest, InToOutLoopsAcrossPauseAndStopsWhenLoopIsOff)
{
    add("a.mov");
    vm_->setSecondaryClip(vm_->clips().at(0).id); // the program player is driven too
    vm_->seek(2.0, true);
    vm_->setMarkIn();
    vm_->seek(3.0, true);
    vm_->setMarkOut();
    vm_->setLoopInOut(true);
    vm_->playInToOut();
    EXPECT_EQ(main()->seekTargets().back(), 2.0);
    EXPECT_EQ(program()->seekTargets().back(), 2.0);
    EXPECT_TRUE(vm_->isPlaying());
    main()->advance(1.01); // crosses Mark Out: back to Mark In, still playing
    EXPECT_EQ(main()->currentTime().seconds(), 2.0);
    EXPECT_EQ(program()->seekTargets().back(), 2.0);
    EXPECT_EQ(main()->rate(), 1.0f);
    // Paused mid-run and resumed, the armed observer still loops; moved marks wait for the next run.
    main()->advance(0.5);
    vm_->togglePlayPause();
    vm_->seek(2.5, false);
    vm_->setMarkOut();
    vm_->togglePlayPause();
    main()->advance(0.51);
    EXPECT_EQ(main()->currentTime().seconds(), 2.0);
    // Loop off: the next crossing pauses and disarms.
    vm_->setLoopInOut(false);
    main()->advance(1.01);
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_EQ(main()->rate(), 0.0f);
    EXPECT_EQ(program()->rate(), 0.0f);
    EXPECT_EQ(main()->boundaryObserverCount(), 0u);
    // Reversed marks: the run stops before it starts and arms nothing.
    vm_->togglePlayPause();
    vm_->playInToOut(); // Mark Out 2.5 > Mark In 2.0: runs
    vm_->seek(2.8, true);
    vm_->setMarkIn(); // drops Mark Out
    vm_->playInToOut();
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_EQ(main()->boundaryObserverCount(), 1u); // the earlier run's observer stays
    vm_->selectClip(vm_->clips().at(0).id);
    EXPECT_EQ(main()->boundaryObserverCount(), 0u);
}

TEST(FormattedTime, RoundsHalvesUpAndGivesADashForWhatCannotBeShown)
{
    const std::vector<std::pair<std::optional<double>, QString>> cases { { std::nullopt, "-" }, { -0.5, "-" },
        { std::nan(""), "-" }, { 3725.0, "01:02:05" }, { 59.5, "00:01:00" }, { 360000.0, "100:00:00" }, { 1e19, "-" } };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(PlaybackViewModel::formattedTime(seconds), text);
}

} // namespace playback_test
