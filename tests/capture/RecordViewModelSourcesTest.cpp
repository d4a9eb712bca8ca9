// Starting, stopping and switching what feeds a slot, on the simulated card and the synthetic
// cameras; and the reactions to selection changes while idle, capturing and recording.

#include "CaptureTestSupport.h"

#include "media/camera/SyntheticCamera.h"

#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

const QString kCamera1 = QStringLiteral("corvale-synthetic-camera-1");
const QString kCamera2 = QStringLiteral("corvale-synthetic-camera-2");

class SourcesTest : public EngineTest {
protected:
    void TearDown() override
    {
        media::SyntheticCamera::setPlugged(kCamera2.toStdString(), true);
        media::SyntheticCamera::setPlugged(kCamera1.toStdString(), true);
        EngineTest::TearDown();
    }
    void useCard(settings::CaptureFormat format)
    {
        engine->setCaptureSource(0, CaptureSourceKind::deckLink);
        engine->setSelectedFormat(0, format);
    }
    QString status() const { return engine->statusTexts()[0]; }
    static CorvaleSimInputState card(int device)
    {
        CorvaleSimInputState state {};
        corvale_sim_input_state(device, &state);
        return state;
    }
};

TEST_F(SourcesTest, CardInputWaitsForItsFormatReceivesAndStops)
{
    const struct {
        settings::CaptureFormat format;
        const char16_t* waiting;
    } cases[] = {
        { settings::CaptureFormat::auto_, u"Waiting for video signal (Auto)\u2026" },
        { settings::CaptureFormat::hd1080p25, u"Waiting for HD 1080p25\u2026" },
    };
    for (const auto& c : cases) {
        useCard(c.format);
        engine->startCapture(0);
        EXPECT_EQ(status(), QString::fromUtf16(c.waiting));
        if (c.format == settings::CaptureFormat::auto_)
            waitForCardMode(0, 'Hp25'); // detection re-opens in the source's mode
        EXPECT_EQ(card(0).displayMode, std::uint32_t('Hp25'));
        deliverCardFrames(0, 40);
        EXPECT_EQ(status(), QStringLiteral("Receiving video\u2026"));
        EXPECT_EQ(engine->stableFPSLabel()[0], QStringLiteral("25"));
        // Starting again changes nothing.
        QSignalSpy statuses(engine.get(), &RecordViewModel::statusTextsChanged);
        engine->startCapture(0);
        EXPECT_EQ(statuses.count(), 0);
        engine->stopCaptureAllSources(0);
        engine->finalizeStopCaptureUI(0);
        EXPECT_FALSE(card(0).streaming);
        EXPECT_EQ(status(), QStringLiteral("Stopped"));
        EXPECT_TRUE(engine->previewImages()[0].isNull());
    }
    // A card that will not start, and a device that does not exist.
    corvale_sim_set_failures(CORVALE_SIM_FAIL_START_STREAMS);
    engine->startCapture(0);
    EXPECT_EQ(status(), QStringLiteral("No DeckLink signal or unsupported format"));
    corvale_sim_set_failures(0);
    engine->setSelectedDeckLinkIndex(0, 7);
    engine->startCapture(0);
    EXPECT_FALSE(engine->isCapturingFlags()[0]);
    EXPECT_EQ(status(), QStringLiteral("No DeckLink signal or unsupported format"));
}

TEST_F(SourcesTest, CameraStartsOffTheMainThreadAndShowsWhatItReceives)
{
    engine->startCapture(0);
    EXPECT_TRUE(engine->isCapturingFlags()[0]);
    EXPECT_EQ(status(), QStringLiteral("Starting Synthetic Camera 1\u2026"));
    engine->waitForCameraFrames();
    drainEvents();
    EXPECT_EQ(status(), QStringLiteral("Receiving from Synthetic Camera 1"));
    deliverCameraFrames(60);
    EXPECT_EQ(engine->previewImages()[0].width(), 320);
    EXPECT_EQ(engine->incomingInfoText()[0], QStringLiteral("320x180 \u2022 25 fps \u2022 Rec.709"));
    EXPECT_EQ(engine->captureFormatInfo(0),
        QStringLiteral("Synthetic Camera 1 \u2022 25 fps \u2022 320x180 \u2022 320x180 \u2022 25 fps \u2022 Rec.709"));

    engine->stopCaptureAllSources(0);
    engine->finalizeStopCaptureUI(0);
    const auto received = engine->receivedFrameCount(0);
    deliverCameraFrames(5);
    EXPECT_EQ(engine->receivedFrameCount(0), received);
}

TEST_F(SourcesTest, CameraThatIsNotThereLeavesTheSlotIdleAndOneThatLeavesStopsIt)
{
    engine->setSelectedAVDeviceID(0, QStringLiteral("not-connected")); // no fallback to another camera
    engine->startCapture(0);
    EXPECT_EQ(status(), QStringLiteral("No camera available"));

    // Listed, but unplugged when the session opens it; plugged back, the failed start held nothing.
    engine->setSelectedAVDeviceID(0, kCamera2);
    media::SyntheticCamera::setPlugged(kCamera2.toStdString(), false);
    startCapturing(0);
    EXPECT_FALSE(engine->isCapturingFlags()[0]);
    EXPECT_EQ(status(), QStringLiteral("No camera available"));
    media::SyntheticCamera::setPlugged(kCamera2.toStdString(), true);
    startCapturing(0);
    EXPECT_EQ(status(), QStringLiteral("Receiving from Synthetic Camera 2"));

    media::SyntheticCamera::setPlugged(kCamera2.toStdString(), false);
    deliverCameraFrames(2);
    EXPECT_FALSE(engine->isCapturingFlags()[0]);
    EXPECT_TRUE(engine->previewImages()[0].isNull());
    EXPECT_EQ(status(), QStringLiteral("Camera disconnected"));
}

TEST_F(SourcesTest, RefusedChangeWhileRecordingIsUndoneWithoutASecondReaction)
{
    const struct {
        std::function<void()> change;
        std::function<bool()> undone;
        const char* text;
    } cases[] = {
        { [&] { engine->setCaptureSource(0, CaptureSourceKind::deckLink); },
            [&] { return engine->captureSources()[0] == CaptureSourceKind::avFoundation; },
            "Stop recording before changing Source" },
        { [&] { engine->setSelectedAVDeviceID(0, kCamera2); },
            [&] { return engine->selectedAVDeviceIDs()[0] == kCamera1; },
            "Stop recording before changing Camera device" },
    };
    startCapturing(0);
    for (const auto& c : cases) {
        engine->setIsRecording(0, true);
        const auto received = engine->receivedFrameCount(0);
        c.change();
        EXPECT_TRUE(c.undone());
        deliverCameraFrames(2); // the same session still delivers: nothing restarted or switched
        EXPECT_EQ(status(), QString::fromLatin1(c.text));
        EXPECT_GT(engine->receivedFrameCount(0), received);
        engine->setIsRecording(0, false);
    }
    // Once recording has stopped, the change refused earlier is taken.
    engine->setSelectedAVDeviceID(0, kCamera2);
    engine->waitForCameraFrames();
    drainEvents();
    EXPECT_EQ(status(), QStringLiteral("Receiving from Synthetic Camera 2"));

    // A recording card slot keeps its format and device.
    engine->stopCaptureAllSources(0);
    useCard(settings::CaptureFormat::hd1080p25);
    engine->startCapture(0);
    engine->setIsRecording(0, true);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p50);
    EXPECT_EQ(status(), QStringLiteral("Stop recording before changing DeckLink format"));
    engine->setSelectedDeckLinkIndex(0, 1);
    EXPECT_EQ(status(), QStringLiteral("Stop recording before changing DeckLink device"));
    EXPECT_EQ(engine->selectedFormats()[0], settings::CaptureFormat::hd1080p25);
    EXPECT_EQ(card(0).displayMode, std::uint32_t('Hp25'));
}

TEST_F(SourcesTest, FormatOrDeviceChangeReopensACapturingCardInput)
{
    useCard(settings::CaptureFormat::hd1080p25);
    engine->startCapture(0);
    deliverCardFrames(0, 2);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p50);
    EXPECT_EQ(card(0).displayMode, std::uint32_t('Hp50'));
    EXPECT_EQ(status(), QStringLiteral("Waiting for HD 1080p50\u2026"));
    EXPECT_EQ(engine->stableFPSLabel()[0], QStringLiteral("-")); // the signal was forgotten
    engine->setSelectedDeckLinkIndex(0, 1);
    EXPECT_FALSE(card(0).streaming);
    EXPECT_TRUE(card(1).streaming);
}

TEST_F(SourcesTest, ChangesOnIdleOrUnusedSlotsAreOnlyRemembered)
{
    QSignalSpy statuses(engine.get(), &RecordViewModel::statusTextsChanged);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p50); // a camera slot: no card to reopen
    engine->setSelectedAVDeviceID(0, kCamera2); // idle
    engine->setCaptureSource(2, CaptureSourceKind::deckLink); // not in use
    EXPECT_EQ(statuses.count(), 0);
    startCapturing(0);
    EXPECT_EQ(status(), QStringLiteral("Receiving from Synthetic Camera 2"));
}

} // namespace
