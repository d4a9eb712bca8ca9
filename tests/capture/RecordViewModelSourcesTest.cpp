// Starting, stopping and switching what feeds a slot, on the simulated card and the synthetic
// cameras; and a change refused while recording.

#include "CaptureTestSupport.h"

#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

const QString kCamera1 = QStringLiteral("corvale-synthetic-camera-1");
const QString kCamera2 = QStringLiteral("corvale-synthetic-camera-2");

class SourcesTest : public EngineTest {
protected:
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

    engine->stopCaptureAllSources(0);
    engine->finalizeStopCaptureUI(0);
    const auto received = engine->receivedFrameCount(0);
    deliverCameraFrames(5);
    EXPECT_EQ(engine->receivedFrameCount(0), received);
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
}

} // namespace
