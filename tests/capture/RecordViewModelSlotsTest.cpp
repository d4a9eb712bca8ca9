// Adding and removing input slots, and slot numbers outside the four.

#include "CaptureTestSupport.h"

#include <QSignalSpy>

using namespace capture;
using namespace capturetest;

namespace {

using SlotsTest = EngineTest;

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

} // namespace
