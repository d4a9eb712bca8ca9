#include "record_screen/RecordInputCard.h"
#include "CaptureTestSupport.h"
#include "kit/ScreenKit.h"
#include "record_screen/InputPreview.h"
#include "record_screen/RecordBlink.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"

#include <QLabel>

using namespace record_screen;
using ui::StyledButton;

namespace {

class RecordInputCardTest : public capturetest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ui::screenkit::prepare();
        // 100.5 s after 1970: twice that is odd, so a recording label shows its dim phase.
        blink = std::make_unique<RecordBlink>(scheduler, [] { return 100.5; });
        card = std::make_unique<RecordInputCard>(0, *engine, *blink, [] {});
        card->resize(320, 420);
        card->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        card.reset();
        EngineTest::TearDown();
    }
    StyledButton* button(const char* name) { return ui::screenkit::find<StyledButton>(card.get(), name); }
    bool prominent(const char* name)
    {
        return static_cast<const ui::PillButtonStyle&>(button(name)->buttonStyle()).isProminent;
    }

    std::unique_ptr<RecordBlink> blink;
    std::unique_ptr<RecordInputCard> card;
};

} // namespace

TEST_F(RecordInputCardTest, FollowsTheInputFromIdleThroughRecordingAndBack)
{
    auto* status = ui::screenkit::find<QLabel>(card.get(), "status");
    // Idle.
    EXPECT_TRUE(button("captureButton")->isEnabled());
    EXPECT_FALSE(button("stopButton")->isEnabled());
    EXPECT_FALSE(button("recordButton")->isEnabled());
    EXPECT_TRUE(status->isHidden());
    // A stop on an input that does not capture changes nothing.
    RecordInputCard::stopCapture(*engine, 0);
    EXPECT_EQ(engine->statusTexts()[0], "Idle");

    // Capturing.
    engine->setCaptureSource(0, capture::CaptureSourceKind::avFoundation);
    ui::screenkit::click(button("captureButton"));
    engine->waitForCameraFrames();
    deliverCameraFrames(3);
    EXPECT_TRUE(engine->isCapturingFlags()[0]);
    EXPECT_FALSE(button("captureButton")->isEnabled());
    EXPECT_EQ(button("captureButton")->label().text, "Live");
    EXPECT_TRUE(button("recordButton")->isEnabled());
    EXPECT_FALSE(prominent("recordButton"));
    // The picture is scaled off the main thread to the box's size, then painted as it is.
    auto* preview = ui::screenkit::find<InputPreview>(card.get(), "preview");
    ASSERT_TRUE(capturetest::processEventsUntil([&] { return !preview->shownPicture().isNull(); }));
    EXPECT_EQ(preview->shownPicture().width(), qRound(preview->pictureRect().width() * preview->devicePixelRatioF()));

    // Recording: the stop button is locked, the record button reads REC and blinks.
    engine->setIsRecording(0, true);
    EXPECT_FALSE(button("stopButton")->isEnabled());
    EXPECT_TRUE(prominent("recordButton"));
    EXPECT_EQ(button("recordButton")->label().text, "REC");
    EXPECT_EQ(card->recordLabelOpacity(), 0.45);
    engine->setIsRecording(0, false);

    // Stopping shows the engine's "Stopped".
    ui::screenkit::click(button("stopButton"));
    capturetest::drainEvents();
    EXPECT_FALSE(engine->isCapturingFlags()[0]);
    EXPECT_EQ(status->text(), "Stopped");
}
