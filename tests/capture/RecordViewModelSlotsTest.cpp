// The engine's published state at creation, adding and removing input slots, and the one-line
// description of a slot's signal.

#include "CaptureTestSupport.h"

#include "capture/CaptureHub.h"

#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

class SlotsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        createEngine();
    }
};

TEST_F(SlotsTest, StartsWithOneIdleCameraSlotAndEveryPublishedDefault)
{
    EXPECT_EQ(engine->activeInputCount(), 1);
    for (int slot = 0; slot < 4; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(engine->captureSources()[slot], CaptureSourceKind::avFoundation);
        EXPECT_EQ(engine->selectedFormats()[slot], settings::CaptureFormat::auto_);
        EXPECT_EQ(engine->selectedDeckLinkIndexes()[slot], 0);
        // Discovery gave every slot without a camera the first one.
        EXPECT_EQ(engine->selectedAVDeviceIDs()[slot], QStringLiteral("corvale-synthetic-camera-1"));
        EXPECT_TRUE(engine->previewImages()[slot].isNull());
        EXPECT_EQ(engine->statusTexts()[slot], QStringLiteral("Idle"));
        EXPECT_FALSE(engine->isCapturingFlags()[slot]);
        EXPECT_FALSE(engine->isRecordingFlags()[slot]);
        EXPECT_EQ(engine->currentTimecodes()[slot], QStringLiteral("00:00:00:00"));
        EXPECT_EQ(engine->stableFPSLabel()[slot], QStringLiteral("-"));
        EXPECT_EQ(engine->incomingInfoText()[slot], QStringLiteral("-"));
        EXPECT_FALSE(engine->inputRefLocked()[slot]);
        EXPECT_EQ(engine->currentFPS(slot), 30);
        EXPECT_FALSE(engine->projectFormatMismatchFlags()[slot]);
    }
    EXPECT_EQ(engine->droppedFrames(), 0);
    EXPECT_EQ(engine->reel(), QStringLiteral("1"));
    EXPECT_EQ(engine->scene(), QStringLiteral("1"));
    EXPECT_EQ(engine->take(), 1);
    EXPECT_FALSE(engine->showProjectFormatAlert());
    EXPECT_EQ(engine->remotePreviewMode(), RemotePreviewMode::playback);
    EXPECT_FALSE(engine->isOutputOn());
    EXPECT_EQ(engine->outputSourceMode(), OutputSourceMode::playback);
    EXPECT_EQ(engine->outputStatusText(), QStringLiteral("Off"));
    EXPECT_EQ(engine->outputFormat(), settings::CaptureFormat::hd1080p25);
    // No saved folder: the default one, shown as the path.
    EXPECT_EQ(engine->outputFolderURL(), engine->defaultRecordingFolder());
    EXPECT_EQ(engine->outputPathDisplay(), engine->defaultRecordingFolder().toLocalFile());
}

TEST_F(SlotsTest, AddingAndRemovingStopsAtOneAndFourAndResetsTheSlot)
{
    QSignalSpy counts(engine.get(), &RecordViewModel::activeInputCountChanged);
    engine->removeInput();
    EXPECT_EQ(engine->activeInputCount(), 1);
    for (int i = 0; i < 5; ++i)
        engine->addSource();
    EXPECT_EQ(engine->activeInputCount(), 4);
    EXPECT_EQ(counts.count(), 3);

    // A slot removed and added again comes back idle, as a camera, with its own camera kept.
    engine->setCaptureSource(3, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(3, settings::CaptureFormat::hd1080p50);
    engine->setSelectedAVDeviceID(3, QStringLiteral("corvale-synthetic-camera-2"));
    engine->setOutputFromInputIndex(3);
    engine->removeInput();
    EXPECT_EQ(engine->activeInputCount(), 3);
    EXPECT_EQ(engine->outputFromInputIndex(), 0);
    EXPECT_EQ(engine->captureSources()[3], CaptureSourceKind::avFoundation);
    EXPECT_EQ(engine->selectedFormats()[3], settings::CaptureFormat::auto_);
    // Removal gives the slot the first camera, whatever it had.
    EXPECT_EQ(engine->selectedAVDeviceIDs()[3], QStringLiteral("corvale-synthetic-camera-1"));
    engine->setSelectedAVDeviceID(3, QStringLiteral("corvale-synthetic-camera-2"));
    engine->addSource();
    EXPECT_EQ(engine->selectedAVDeviceIDs()[3], QStringLiteral("corvale-synthetic-camera-2"));
}

TEST_F(SlotsTest, RemovingACapturingSlotStopsIt)
{
    engine->addSource();
    startCapturing(1);
    ASSERT_TRUE(engine->isCapturingFlags()[1]);
    deliverCameraFrames(3);
    engine->removeInput();
    EXPECT_FALSE(engine->isCapturingFlags()[1]);
    EXPECT_TRUE(engine->previewImages()[1].isNull());
    EXPECT_EQ(engine->statusTexts()[1], QStringLiteral("Idle"));
}

TEST_F(SlotsTest, SlotsOutsideTheFourAreIgnoredEverywhere)
{
    for (int slot : { -1, 4, 1000 }) {
        SCOPED_TRACE(slot);
        EXPECT_TRUE(engine->previewImage(slot).isNull());
        EXPECT_EQ(engine->captureFormatInfo(slot), QString());
        engine->setCaptureSource(slot, CaptureSourceKind::deckLink);
        engine->setSelectedFormat(slot, settings::CaptureFormat::hd1080p25);
        engine->startCapture(slot);
        engine->stopCaptureAllSources(slot);
        engine->finalizeStopCaptureUI(slot);
        engine->resetAutoDetectState(slot);
        engine->applyDetectedFPS(25, slot);
        engine->evaluateProjectFormatMatch(slot);
        engine->switchAVDeviceWhileRunning(slot, QStringLiteral("corvale-synthetic-camera-1"));
        EXPECT_EQ(engine->currentFPS(slot), 30);
    }
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(engine->captureSources()[slot], CaptureSourceKind::avFoundation);
}

TEST_F(SlotsTest, SignalDescriptionNamesTheSourceRateAndSize)
{
    EXPECT_EQ(engine->captureFormatInfo(0), QStringLiteral("Synthetic Camera 1 \u2022 No signal"));
    engine->setSelectedAVDeviceID(0, QStringLiteral("gone"));
    EXPECT_EQ(engine->captureFormatInfo(0), QStringLiteral("No camera \u2022 No signal"));
    engine->setCaptureSource(0, CaptureSourceKind::deckLink);
    engine->setSelectedFormat(0, settings::CaptureFormat::hd1080p25);
    EXPECT_EQ(engine->captureFormatInfo(0), QStringLiteral("DeckLink: HD 1080p25 \u2022 No signal"));

    startCapturing(0);
    deliverCardFrames(0, 2);
    EXPECT_EQ(engine->captureFormatInfo(0), QStringLiteral("DeckLink: HD 1080p25 \u2022 25 fps \u2022 1920x1080"));
}

TEST(CaptureHubTest, StartsEmptyAndNotifiesOncePerChange)
{
    CaptureHub hub;
    EXPECT_TRUE(hub.tiles().isEmpty());
    EXPECT_FALSE(hub.masterID());
    QSignalSpy tiles(&hub, &CaptureHub::tilesChanged);
    QSignalSpy master(&hub, &CaptureHub::masterIDChanged);
    const QUuid id = QUuid::createUuid();
    hub.appendTile({ id, 2, {} });
    hub.setMasterID(id);
    EXPECT_EQ(tiles.count(), 1);
    EXPECT_EQ(master.count(), 1);
    EXPECT_EQ(hub.tiles().front().inputNumber, 2);
    EXPECT_EQ(hub.masterID(), id);
}

} // namespace
