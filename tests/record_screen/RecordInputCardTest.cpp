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
        card = std::make_unique<RecordInputCard>(0, *engine, *blink, [this] { ++opened; });
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
    int opened = 0;
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
    EXPECT_EQ(card->highlightColor(), ui::AppTheme::accent);
    // The picture is scaled off the main thread to the box's size, then painted as it is.
    auto* preview = ui::screenkit::find<InputPreview>(card.get(), "preview");
    ASSERT_TRUE(capturetest::processEventsUntil([&] { return !preview->shownPicture().isNull(); }));
    EXPECT_EQ(preview->shownPicture().width(), qRound(preview->pictureRect().width() * preview->devicePixelRatioF()));

    // Recording: the stop button is locked, the record button reads REC and blinks.
    engine->setIsRecording(0, true);
    EXPECT_FALSE(button("stopButton")->isEnabled());
    EXPECT_TRUE(prominent("recordButton"));
    EXPECT_EQ(button("recordButton")->label().text, "REC");
    EXPECT_EQ(card->highlightColor().role(), ui::ColorRole::systemRed);
    EXPECT_EQ(card->recordLabelOpacity(), 0.45);
    engine->setIsRecording(0, false);

    // Stopping shows the engine's "Stopped".
    ui::screenkit::click(button("stopButton"));
    capturetest::drainEvents();
    EXPECT_FALSE(engine->isCapturingFlags()[0]);
    EXPECT_EQ(status->text(), "Stopped");
    EXPECT_EQ(card->highlightWidth(), 0.0);
}

TEST_F(RecordInputCardTest, NarrowCardsUseTheIconSetAndSettingsOpenTheSheet)
{
    EXPECT_FALSE(card->showsCompactControls());
    card->resize(150, 420);
    QApplication::processEvents();
    EXPECT_TRUE(card->showsCompactControls());
    EXPECT_TRUE(button("compactCaptureButton")->isVisible());
    EXPECT_FALSE(button("captureButton")->isVisible());

    engine->setIsRecording(0, true);
    ASSERT_TRUE(card->showsCompactControls()) << card->width();
    EXPECT_EQ(card->recordLabelOpacity(), 0.4);
    engine->setIsRecording(0, false);

    ui::screenkit::click(ui::screenkit::find<QWidget>(card.get(), "settingsButton"));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(ui::screenkit::find<InputPreview>(card.get(), "preview")->height(), InputPreview::boxHeight);
}

TEST(RecordBlink, PhaseOfTheWallClock)
{
    EXPECT_EQ(blinkOpacity(100.0, 0.45), 1.0);
    EXPECT_EQ(blinkOpacity(100.99, 0.4), 0.4);

    platform::ManualScheduler scheduler;
    double now = 10.0;
    RecordBlink blink(scheduler, [&] { return now; });
    int ticks = 0;
    QObject::connect(&blink, &RecordBlink::ticked, [&] { ++ticks; });
    now = 10.5;
    scheduler.advance(0.59);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(blink.opacity(true, 0.45), 1.0);
    scheduler.advance(0.01);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(blink.opacity(true, 0.45), 0.45);
    EXPECT_EQ(blink.opacity(false, 0.45), 1.0);
}
