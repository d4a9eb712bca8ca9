// The incoming-video probe's rate and the diagnostic device enumeration.

#include "DeckLinkTestSupport.h"

#include "decklink/DeckLinkCapture.h"
#include "decklink/VideoInfoProbe.h"

namespace decklink {

using namespace decklinktest;

namespace {

media::Frame sample(double pts, media::ColorTags tags = {})
{
    media::MutableFrame m(media::PixelFormat::BGRA, 64, 36);
    m.setHostTime(pts);
    m.setColorTags(tags);
    return std::move(m).share();
}

TEST(VideoInfoProbeTest, SmoothsTheRateFromTheSecondFrameOnAndSkipsTimeGoingBack)
{
    VideoInfoProbe probe;
    EXPECT_EQ(probe.update(sample(10.0)).fpsEMA, 0.0);
    EXPECT_NEAR(probe.update(sample(10.0 + 1.0 / 25)).fpsEMA, 25.0, 1e-9);
    const double t3 = 10.0 + 1.0 / 25 + 1.0 / 50;
    const IncomingVideoInfo third = probe.update(sample(t3));
    EXPECT_NEAR(third.fpsEMA, 27.5, 1e-9);

    // The same or an earlier time keeps the rate but moves the time.
    EXPECT_EQ(probe.update(sample(t3)).fpsEMA, third.fpsEMA);
    EXPECT_EQ(probe.update(sample(0.5)).fpsEMA, third.fpsEMA);
    EXPECT_EQ(probe.lastPTS(), 0.5);
}

class DeckLinkCaptureTest : public SimulatedCardTest { };

TEST_F(DeckLinkCaptureTest, CountsAndNamesDevicesSkippingUnreadableNamesOrNoneWithoutIterator)
{
    DeckLinkCapture capture;
    EXPECT_EQ(capture.deckLinkDeviceCount(), 2);
    EXPECT_EQ(capture.deviceNames(), (QStringList { "Simulated Card 1", "Simulated Card 2" }));
    corvale_sim_set_failures(CORVALE_SIM_FAIL_DISPLAY_NAME);
    EXPECT_TRUE(capture.deviceNames().isEmpty());
    EXPECT_EQ(capture.deckLinkDeviceCount(), 2);

    corvale_sim_set_failures(CORVALE_SIM_FAIL_ITERATOR_FACTORY);
    EXPECT_EQ(capture.deckLinkDeviceCount(), 0);
    EXPECT_TRUE(capture.deviceNames().isEmpty());
}

} // namespace

} // namespace decklink
