// Starting, stopping and switching sources while frames arrive on other threads, and tearing the
// engine down mid-stream. These run under ThreadSanitizer in CI; here they check that the engine
// ends in a consistent state.

#include "CaptureTestSupport.h"

#include <atomic>
#include <thread>

using namespace capture;
using namespace capturetest;

namespace {

class CaptureThreadingTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        settings->setProjectFormat(settings::CaptureFormat::hd1080p25);
        engine->setWebRTC(live);
        engine->setRemotePreviewMode(RemotePreviewMode::capture);
        engine->setOutputSourceMode(OutputSourceMode::capture);
        engine->setOutputActiveSize({ 320, 180 });
        engine->setIsOutputOn(true);
    }
    // Runs `work` on another thread until `main` returns, as a source of frames racing the main thread.
    void race(const std::function<void()>& work, const std::function<void()>& main)
    {
        std::atomic<bool> stop { false };
        std::thread worker([&] {
            while (!stop.load())
                work();
        });
        main();
        stop = true;
        worker.join();
        drainEvents();
    }
};

TEST_F(CaptureThreadingTest, CameraStartStopAndSwitchRaceTheFrames)
{
    engine->addSource();
    std::atomic<int> rateReads { 0 };
    race(
        [&] {
            clock.advance(0.01);
            // A writer queue's read of the timecode rate.
            rateReads += engine->currentFPS(0) > 0 ? 1 : 0;
        },
        [&] {
            for (int round = 0; round < 30; ++round) {
                engine->startCapture(round % 2);
                drainEvents();
                engine->setSelectedAVDeviceID(round % 2,
                    round % 3 ? QStringLiteral("corvale-synthetic-camera-2")
                              : QStringLiteral("corvale-synthetic-camera-1"));
                engine->waitForCameraFrames();
                drainEvents();
                if (round % 4 == 3)
                    engine->resetAutoDetectState(round % 2);
                engine->stopCaptureAllSources(round % 2);
                engine->finalizeStopCaptureUI(round % 2);
            }
        });
    EXPECT_GT(rateReads.load(), 0);
    EXPECT_FALSE(engine->isCapturingFlags()[0]);
    EXPECT_FALSE(engine->isCapturingFlags()[1]);
    EXPECT_EQ(engine->statusTexts()[0], QStringLiteral("Stopped"));
}

TEST_F(CaptureThreadingTest, CardStartAndStopRaceItsFrames)
{
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
    race([&] { corvale_sim_deliver_frames(0, 1); },
        [&] {
            for (int round = 0; round < 30; ++round) {
                engine->startCapture(0);
                drainEvents();
                engine->setSelectedFormat(
                    0, round % 2 ? settings::CaptureFormat::hd1080p25 : settings::CaptureFormat::auto_);
                drainEvents();
                engine->stopCaptureAllSources(0);
                engine->finalizeStopCaptureUI(0);
            }
        });
    EXPECT_FALSE(engine->isCapturingFlags()[0]);
}

TEST_F(CaptureThreadingTest, EngineGoesAwayWhileCamerasStream)
{
    engine->addSource();
    startCapturing(0);
    startCapturing(1);
    race([&] { clock.advance(0.01); },
        [&] {
            deliverCameraFrames(5);
            engine.reset();
        });
    // Nothing the engine queued runs once it is gone.
    drainEvents();
    SUCCEED();
}

} // namespace
