// What each slot receives against the project format: the card status poll, the reasons, the
// marks and status texts, and the alert.

#include "CaptureTestSupport.h"

#include "decklink/api/DeckLinkAPITypes.h"

#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

class FormatMatchTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        settings->setProjectFormat(settings::CaptureFormat::hd1080p25);
    }
    void startCard()
    {
        engine->setCaptureSource(0, CaptureSourceKind::deckLink);
        engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
        engine->startCapture(0);
    }
    QString status() const { return engine->statusTexts()[0]; }
};

TEST_F(FormatMatchTest, CameraOfAnotherSizeIsMarkedAndAnnouncedOnce)
{
    QSignalSpy alerts(engine.get(), &RecordViewModel::showProjectFormatAlertChanged);
    startCapturing(0);
    deliverCameraFrames(60); // announced at the first check, before any rate was measured
    EXPECT_TRUE(engine->projectFormatMismatchFlags()[0]);
    EXPECT_EQ(engine->projectFormatMismatchReasons()[0], QStringLiteral("Input 1: Resolution"));
    EXPECT_EQ(status(), QStringLiteral("Format mismatch (Project)"));
    EXPECT_EQ(alerts.count(), 1);
    EXPECT_EQ(engine->projectFormatAlertMessage(),
        QStringLiteral("Project Format ไม่ตรงกับสัญญาณที่รับเข้า\n\nExpected: 1920x1080 25.00p \u2022 Rec.709\n"
                       "Detected: 320x180 - \u2022 Rec.709\nMismatch: Input 1: Resolution\n\n"
                       "Recording will continue using Project Format settings."));
    deliverCameraFrames(30);
    EXPECT_EQ(alerts.count(), 1);

    // The slot recording: the status says so, and recording is not touched.
    engine->setIsRecording(0, true);
    deliverCameraFrames(13);
    EXPECT_EQ(status(), QStringLiteral("Recording (format mismatch)"));
    EXPECT_TRUE(engine->isRecordingFlags()[0]);
}

TEST_F(FormatMatchTest, CardScanFromItsStatusAndAMatchClearsTheMark)
{
    settings->setProjectFormat(settings::CaptureFormat::hd1080i50);
    corvale_sim_set_status_int(0, kDeckLinkStatusDetectedVideoInputFieldDominance, kDeckLinkProgressiveFrame);
    corvale_sim_set_status_int(0, kDeckLinkStatusDetectedVideoInputColorspace, kDeckLinkColorspaceRec601);
    corvale_sim_set_reference_locked(0, 1);
    startCard();
    deliverCardFrames(0, 3);
    EXPECT_EQ(engine->projectFormatMismatchReasons()[0], QStringLiteral("Input 1: Scan"));
    EXPECT_TRUE(engine->projectFormatAlertMessage().contains(
        QStringLiteral("Expected: 1920x1080 25.00i \u2022 Rec.709\nDetected: 1920x1080 25p \u2022 Unknown\n")));
    EXPECT_TRUE(engine->inputRefLocked()[0]);
    EXPECT_EQ(engine->incomingColorSpaces()[0], std::nullopt); // 'r601' is not a project colour space

    settings->setProjectFormat(settings::CaptureFormat::hd1080p25);
    deliverCardFrames(0, 13);
    EXPECT_FALSE(engine->projectFormatMismatchFlags()[0]);
    EXPECT_EQ(engine->projectFormatMismatchReasons()[0], QString());
    EXPECT_EQ(status(), QStringLiteral("Receiving video\u2026"));
}

} // namespace
