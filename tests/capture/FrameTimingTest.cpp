// Frame-rate snapping, the hysteresis that keeps a published rate from flickering, the window
// estimate, and the rate the engine publishes for a camera.

#include "CaptureTestSupport.h"

#include "capture/FPSStabilizer.h"
#include "capture/FPSWindowEstimator.h"

#include <QCoreApplication>

#include <limits>

using namespace capture;
using namespace capturetest;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FPSStabilizerTest, SnapsToTheNearestNominalRateWithinItsTolerance)
{
    const struct {
        double fps;
        const char* label; // nullptr: no nominal rate
    } cases[] = { { 24.3, "24" }, { 23.5, "23.98" }, { 59.0, "59.94" },
        { 23.988, "23.98" }, // as near 23.976 as 24: the earlier row stays
        { 26.5, nullptr }, { 61.01, nullptr } };
    for (const auto& c : cases) {
        const auto reading = FPSStabilizer::quantize(c.fps);
        EXPECT_EQ(reading ? reading->label : QString(), QString::fromLatin1(c.label)) << c.fps;
    }
    EXPECT_EQ(FPSStabilizer::quantize(23.5)->fpsInt, 24);
}

TEST(FPSStabilizerTest, AdoptsAfterTheHoldAndRestartsTheWaitOnAnyOtherReading)
{
    FPSStabilizer stabilizer;
    EXPECT_FALSE(stabilizer.push(25, 10.0));
    EXPECT_FALSE(stabilizer.push(25, 10.99));
    EXPECT_EQ(stabilizer.push(25, 11.0)->label, QStringLiteral("25"));
    EXPECT_FALSE(stabilizer.push(25, 20.0)); // already published
    // A change needs 2.5 s without interruption; one frame back at 25 restarts the wait.
    for (auto [fps, now] : { std::pair { 30.0, 21.0 }, { 25.0, 22.0 }, { 30.0, 22.5 }, { 30.0, 24.9 } })
        EXPECT_FALSE(stabilizer.push(fps, now));
    EXPECT_EQ(stabilizer.push(30, 25.0)->fpsInt, 30);
    // Out of range, not finite or not nominal: ignored without touching the candidate.
    for (double ignored : { 9.9, 121.0, 26.5, kNaN })
        EXPECT_FALSE(stabilizer.push(ignored, 30.0));
    EXPECT_EQ(stabilizer.candidateSince, 22.5);
}

TEST(FPSWindowEstimatorTest, NeedsTwelveStampsWithinTheWindow)
{
    FPSWindowEstimator estimator;
    for (int i = 0; i < 11; ++i)
        EXPECT_FALSE(estimator.push(i * 0.04));
    EXPECT_NEAR(*estimator.push(11 * 0.04), 25.0, 1e-9);
    // After a pause longer than the window only the new stamp is left; bad times change nothing.
    EXPECT_FALSE(estimator.push(10.0));
    EXPECT_FALSE(estimator.push(kNaN));
    EXPECT_EQ(estimator.timestamps.size(), 1u);
    for (int i = 0; i < 12; ++i)
        EXPECT_FALSE(estimator.push(10.0)); // no time between them: no rate
}

using TimingTest = EngineTest;

TEST_F(TimingTest, CameraRateIsPublishedAfterASecondOfSteadyFramesNeverBefore)
{
    startCapturing(0);
    int frames = 0;
    while (engine->stableFPSLabel()[0] == QStringLiteral("-") && frames < 100) {
        deliverCameraFrames(1);
        ++frames;
    }
    // Twelve frames before the first estimate, then a second of hold.
    EXPECT_GE(frames, 11 + 25);
    EXPECT_LE(frames, 11 + 25 + 2);
    EXPECT_EQ(engine->stableFPSLabel()[0], QStringLiteral("25"));
}

TEST_F(TimingTest, ALabelAdoptedBeforeAResetIsNotShownAfterIt)
{
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
    engine->startCapture(0);
    corvale_sim_deliver_frames(0, 1);
    QCoreApplication::processEvents(); // the picture: the label it adopted is queued behind it
    engine->resetAutoDetectState(0);
    drainEvents();
    EXPECT_EQ(engine->stableFPSLabel()[0], QStringLiteral("-"));
    EXPECT_EQ(engine->incomingInfoText()[0], QStringLiteral("-"));
}

} // namespace
