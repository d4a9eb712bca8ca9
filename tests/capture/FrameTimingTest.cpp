// Frame-rate snapping, the hysteresis that keeps a published rate from flickering, the window
// estimate, and the rates the engine derives for display and timecode.

#include "CaptureTestSupport.h"

#include "capture/FPSStabilizer.h"
#include "capture/FPSWindowEstimator.h"
#include "decklink/api/DeckLinkAPITypes.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

using namespace capture;
using namespace capturetest;

namespace {

TEST(FPSStabilizerTest, SnapsToTheNearestNominalRateWithinItsTolerance)
{
    const struct {
        double fps;
        const char* label; // nullptr: no nominal rate
        int fpsInt;
    } cases[] = {
        { 24.3, "24", 24 },
        { 23.5, "23.98", 24 },
        { 59.0, "59.94", 60 },
        { 29.97, "29.97", 30 },
        { 23.988, "23.98", 24 }, // equally near 23.976 and 24: the earlier row stays
        { 50.8, "50", 50 },
        { 26.5, nullptr, 0 },
        { 0, nullptr, 0 },
        { 61.01, nullptr, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fps);
        const auto reading = FPSStabilizer::quantize(c.fps);
        ASSERT_EQ(reading.has_value(), c.label != nullptr);
        if (reading) {
            EXPECT_EQ(reading->label, QString::fromLatin1(c.label));
            EXPECT_EQ(reading->fpsInt, c.fpsInt);
        }
    }
}

TEST(FPSStabilizerTest, AdoptsAfterTheHoldAndRestartsTheWaitOnAnyOtherReading)
{
    FPSStabilizer stabilizer;
    EXPECT_FALSE(stabilizer.push(25, 10.0));
    EXPECT_FALSE(stabilizer.push(25, 10.99));
    const auto first = stabilizer.push(25, 11.0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->label, QStringLiteral("25"));
    EXPECT_FALSE(stabilizer.push(25, 20.0)); // already published

    // A change needs 2.5 s without interruption; one frame back at 25 restarts the wait.
    EXPECT_FALSE(stabilizer.push(30, 21.0));
    EXPECT_FALSE(stabilizer.push(25, 22.0));
    EXPECT_FALSE(stabilizer.push(30, 22.5));
    EXPECT_FALSE(stabilizer.push(30, 24.9));
    const auto second = stabilizer.push(30, 25.0);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->fpsInt, 30);

    // Out of range, not finite or not nominal: ignored without touching the candidate.
    for (double ignored : { 9.9, 121.0, 26.5, std::numeric_limits<double>::quiet_NaN() })
        EXPECT_FALSE(stabilizer.push(ignored, 30.0));
    EXPECT_EQ(stabilizer.candidate->label, QStringLiteral("30"));
    EXPECT_EQ(stabilizer.candidateSince, 22.5);
}

TEST(FPSWindowEstimatorTest, NeedsTwelveStampsWithinTheWindow)
{
    FPSWindowEstimator estimator;
    for (int i = 0; i < 11; ++i)
        EXPECT_FALSE(estimator.push(i * 0.04));
    const auto estimate = estimator.push(11 * 0.04);
    ASSERT_TRUE(estimate);
    EXPECT_NEAR(*estimate, 25.0, 1e-9);

    // After a pause longer than the window only the new stamp is left.
    EXPECT_FALSE(estimator.push(10.0));
    EXPECT_EQ(estimator.timestamps.size(), 1u);
    EXPECT_FALSE(estimator.push(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(estimator.timestamps.size(), 1u);
    // Twelve stamps at one time give no rate.
    for (int i = 0; i < 12; ++i)
        EXPECT_FALSE(estimator.push(10.0));
}

class TimingTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        settings->setProjectFormat(settings::CaptureFormat::auto_);
        createEngine();
    }
};

TEST_F(TimingTest, FixedCardFormatPublishesItsRateFromTheFirstFrame)
{
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p2398);
    corvale_sim_set_source_mode(0, kDeckLinkModeHD1080p2398);
    engine->startCapture(0);
    deliverCardFrames(0, 1, 23.976);
    EXPECT_EQ(engine->stableFPSLabel()[0], QStringLiteral("23.98"));
    EXPECT_EQ(engine->stableFPSInt(0), 24);
    EXPECT_EQ(engine->currentFPS(0), 24);
    EXPECT_EQ(engine->incomingInfos()[0].fpsEMA, 24);
}

TEST_F(TimingTest, CameraRateIsPublishedAfterASecondOfSteadyFramesNeverBefore)
{
    engine->startCapture(0);
    engine->waitForCameraFrames();
    drainEvents();
    int framesUntilStable = 0;
    while (engine->stableFPSLabel()[0] == QStringLiteral("-") && framesUntilStable < 100) {
        deliverCameraFrames(1);
        ++framesUntilStable;
        if (engine->stableFPSLabel()[0] == QStringLiteral("-")) {
            EXPECT_EQ(engine->stableFPSInt(0), 0);
        }
    }
    // Twelve frames before the first estimate, then a second of hold.
    EXPECT_GE(framesUntilStable, 11 + 25);
    EXPECT_LE(framesUntilStable, 11 + 25 + 2);
    EXPECT_EQ(engine->stableFPSLabel()[0], QStringLiteral("25"));
    EXPECT_NEAR(engine->measuredFPS(0), 25.0, 0.01);
}

TEST_F(TimingTest, RatesForDisplayAndTimecodeFallBackStepByStep)
{
    // Idle: a camera counts 30, a fixed card format its whole rate, card detection 30.
    EXPECT_EQ(engine->currentFPS(0), 30);
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd720p50);
    EXPECT_EQ(engine->currentFPS(0), 50);
    engine->setSelectedFormat(0, settings::CaptureFormat::auto_);
    EXPECT_EQ(engine->currentFPS(0), 30);
    auto info = engine->fpsInfo(0);
    EXPECT_FALSE(info.fps);
    EXPECT_EQ(info.label, QStringLiteral("-"));

    // A first measurement: smoothed, shown with a tilde, not steady.
    engine->applyDetectedFPS(23.7, 0);
    info = engine->fpsInfo(0);
    EXPECT_EQ(info.label, QStringLiteral("~24"));
    EXPECT_FALSE(info.stable);
    EXPECT_EQ(engine->currentFPS(0), 24);
    engine->applyDetectedFPS(33.7, 0); // 0.15 new, 0.85 old
    EXPECT_NEAR(engine->measuredFPS(0), 25.2, 1e-9);

    // Non-finite and non-positive rates are ignored.
    engine->applyDetectedFPS(-5, 0);
    engine->applyDetectedFPS(std::numeric_limits<double>::quiet_NaN(), 0);
    EXPECT_NEAR(engine->measuredFPS(0), 25.2, 1e-9);

    engine->resetAutoDetectState(0);
    drainEvents();
    EXPECT_EQ(engine->measuredFPS(0), 0);
    EXPECT_EQ(engine->incomingInfoText()[0], QStringLiteral("-"));
}

TEST_F(TimingTest, ALabelAdoptedBeforeAResetIsNotShownAfterIt)
{
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
    engine->startCapture(0);
    corvale_sim_deliver_frames(0, 1);
    // The picture and the label it adopts wait for the main thread; a reset comes first.
    QCoreApplication::processEvents(); // the picture: the label is now queued
    engine->resetAutoDetectState(0);
    drainEvents();
    EXPECT_EQ(engine->stableFPSLabel()[0], QStringLiteral("-"));
}

} // namespace
