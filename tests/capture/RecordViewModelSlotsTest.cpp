// The engine's published state at creation, adding and removing input slots, the one-line
// description of a slot's signal, and the capture hub.

#include "CaptureTestSupport.h"

#include "capture/CaptureHub.h"

#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

using SlotsTest = EngineTest;

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
        EXPECT_FALSE(engine->isCapturingFlags()[slot] || engine->isRecordingFlags()[slot]);
        EXPECT_EQ(engine->currentTimecodes()[slot], QStringLiteral("00:00:00:00"));
        EXPECT_EQ(engine->stableFPSLabel()[slot], QStringLiteral("-"));
        EXPECT_EQ(engine->incomingInfoText()[slot], QStringLiteral("-"));
        EXPECT_FALSE(engine->inputRefLocked()[slot] || engine->projectFormatMismatchFlags()[slot]);
    }
    EXPECT_EQ(engine->droppedFrames(), 0);
    EXPECT_EQ(engine->reel() + engine->scene(), QStringLiteral("11"));
    EXPECT_EQ(engine->take(), 1);
    EXPECT_EQ(engine->remotePreviewMode(), RemotePreviewMode::playback);
    EXPECT_EQ(engine->outputSourceMode(), OutputSourceMode::playback);
    EXPECT_EQ(engine->outputStatusText(), QStringLiteral("Off"));
    EXPECT_EQ(engine->outputFolderURL(), engine->defaultRecordingFolder()); // no saved folder
    EXPECT_EQ(engine->outputPathDisplay(), engine->defaultRecordingFolder().toLocalFile());
}

TEST_F(SlotsTest, AddingAndRemovingStopsAtOneAndFourAndResetsTheSlot)
{
    QSignalSpy counts(engine.get(), &RecordViewModel::activeInputCountChanged);
    engine->removeInput();
    for (int i = 0; i < 5; ++i)
        engine->addSource();
    EXPECT_EQ(engine->activeInputCount(), 4);
    EXPECT_EQ(counts.count(), 3);

    // Removing the capturing slot that feeds the output stops it and points the output at input 1.
    engine->setSelectedAVDeviceID(3, QStringLiteral("corvale-synthetic-camera-2"));
    startCapturing(3);
    engine->setOutputFromInputIndex(3);
    engine->removeInput();
    EXPECT_EQ(engine->activeInputCount(), 3);
    EXPECT_EQ(engine->outputFromInputIndex(), 0);
    EXPECT_FALSE(engine->isCapturingFlags()[3]);
    EXPECT_EQ(engine->statusTexts()[3], QStringLiteral("Idle"));
    // Removal gives the slot the first camera; adding keeps a camera chosen since.
    EXPECT_EQ(engine->selectedAVDeviceIDs()[3], QStringLiteral("corvale-synthetic-camera-1"));
    engine->setSelectedAVDeviceID(3, QStringLiteral("corvale-synthetic-camera-2"));
    engine->addSource();
    EXPECT_EQ(engine->selectedAVDeviceIDs()[3], QStringLiteral("corvale-synthetic-camera-2"));
}

TEST_F(SlotsTest, SlotsOutsideTheFourAreIgnoredEverywhere)
{
    for (int slot : { -1, 4, 1000 }) {
        EXPECT_TRUE(engine->previewImage(slot).isNull());
        EXPECT_EQ(engine->captureFormatInfo(slot), QString());
        engine->setCaptureSource(slot, CaptureSourceKind::deckLink);
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
    EXPECT_TRUE(hub.tiles().isEmpty() && !hub.masterID());
    QSignalSpy tiles(&hub, &CaptureHub::tilesChanged);
    QSignalSpy master(&hub, &CaptureHub::masterIDChanged);
    const QUuid id = QUuid::createUuid();
    hub.appendTile({ id, 2, {} });
    hub.setMasterID(id);
    EXPECT_EQ(tiles.count() + master.count(), 2);
    EXPECT_EQ(hub.masterID(), id);
}

} // namespace
