#include "record_screen/RecordView.h"
#include "CaptureTestSupport.h"
#include "kit/FakeDialogService.h"
#include "kit/ScreenKit.h"
#include "record_screen/RecordInputCard.h"
#include "record_screen/RecordInputSettingsView.h"
#include "settings/RecordSidebarState.h"
#include "ui/StyledButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace record_screen;
using ui::screenkit::find;

namespace {

class RecordViewTest : public capturetest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ui::screenkit::prepare();
        sidebar = std::make_unique<settings::RecordSidebarState>(*defaults);
        view = std::make_unique<RecordView>(
            RecordView::Environment { *engine, *settings, *sidebar, dialogs, scheduler, [] { return 100.5; } });
        view->resize(340, 900);
        view->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        view.reset();
        EngineTest::TearDown();
    }
    ui::StyledButton* button(const char* name) { return find<ui::StyledButton>(view.get(), name); }
    QString counter() { return find<QLabel>(view.get(), "inputCounter")->text(); }

    ui::FakeDialogService dialogs;
    std::unique_ptr<settings::RecordSidebarState> sidebar;
    std::unique_ptr<RecordView> view;
};

} // namespace

TEST_F(RecordViewTest, AddAndRemoveFollowTheInputCount)
{
    EXPECT_EQ(counter(), "1/4");
    EXPECT_FALSE(button("removeButton")->isEnabled());
    for (const char* expected : { "2/4", "3/4", "4/4" }) {
        ui::screenkit::click(button("addButton"));
        EXPECT_EQ(counter(), expected);
    }
    EXPECT_EQ(view->cardCount(), 4);
    EXPECT_FALSE(button("addButton")->isEnabled());
    ui::screenkit::click(button("removeButton"));
    EXPECT_EQ(view->cardCount(), 3);

    // A card's settings button names the input whose sheet opens.
    ui::screenkit::click(find<QWidget>(find<QWidget>(view.get(), "inputCard2"), "settingsButton"));
    EXPECT_EQ(view->settingsInputIndex(), 2);
}

TEST_F(RecordViewTest, TakeAcceptsWholeNumbersOnly)
{
    auto* take = find<QLineEdit>(view.get(), "takeField");
    const auto before = engine->take();
    for (const char* bad : { "-3", "2.5", "x", "" }) {
        take->setText(bad);
        emit take->editingFinished();
        EXPECT_EQ(engine->take(), before) << bad;
        EXPECT_EQ(take->text(), QString::number(before)) << bad;
    }
    take->setText("12");
    emit take->editingFinished();
    EXPECT_EQ(engine->take(), 12);

    ui::screenkit::click(button("collapseButton"));
    EXPECT_TRUE(sidebar->isCollapsed());
}

TEST_F(RecordViewTest, EngineQuestionsGoThroughTheDialogService)
{
    settings->setRecordingFPSMode(settings::RecordingFPSMode::fps25);
    engine->setOutputFolderURL(QUrl::fromLocalFile(folder.filePath(QStringLiteral("Recordings"))));
    engine->addSource();
    engine->setSelectedAVDeviceID(1, QStringLiteral("corvale-synthetic-camera-2"));
    startCapturing(0);
    startCapturing(1);
    // Record All with two inputs capturing: STOP ALL, in its dim phase at 100.5 s.
    ui::screenkit::click(button("recordAllButton"));
    ASSERT_TRUE(engine->isRecordingAll());
    EXPECT_EQ(button("recordAllButton")->label().text, "STOP ALL");
    EXPECT_EQ(view->recordAllOpacity(), 0.45);
    EXPECT_EQ(view->compactRecordAllOpacity(), 0.4);
    deliverCameraFrames(2);

    // Input 2 ends its first file while input 1 goes on: starting it again asks first.
    engine->waitForWriters();
    engine->toggleRecording(1);
    auto* record = find<ui::StyledButton>(find<QWidget>(view.get(), "inputCard1"), "recordButton");
    for (const char* answer : { "Cancel", "Confirm" }) {
        ui::screenkit::click(record);
        EXPECT_EQ(dialogs.alerts().back().request.title, "Resume Same Take?");
        ASSERT_TRUE(dialogs.answerAlert(answer));
        EXPECT_FALSE(engine->showResumeSameTakeAlert() || engine->pendingStartIndex()) << answer;
    }
    EXPECT_EQ(engine->segmentsPerInput()[1], 2);
    engine->stopRecordingAll();
    ASSERT_TRUE(capturetest::processEventsUntil([&] { return !engine->activeTakeSession(); }));

    // A camera that does not match the project's format: told once, and closing clears the flag.
    settings->setProjectFormat(settings::CaptureFormat::hd1080p25);
    RecordInputCard::stopCapture(*engine, 0);
    startCapturing(0);
    deliverCameraFrames(15);
    EXPECT_EQ(dialogs.alerts().back().request.title, "Project Format Mismatch");
    ASSERT_TRUE(dialogs.answerAlert("OK"));
    EXPECT_FALSE(engine->showProjectFormatAlert());
}

TEST_F(RecordViewTest, InputSheetReadsWritesAndFollowsItsInput)
{
    const QString first = QStringLiteral("corvale-synthetic-camera-1");
    engine->addSource();
    engine->setCaptureSource(1, capture::CaptureSourceKind::deckLink);
    engine->setSelectedAVDeviceID(1, std::nullopt);
    view->openSettings(1);
    RecordInputSettingsView* sheet = view->settingsSheet();
    ASSERT_TRUE(sheet && sheet->isVisible());
    // Nothing stored: the first camera shows as chosen without being written, until the refresh
    // started on showing stores it (the card source stays).
    EXPECT_EQ(sheet->picker()->currentData().toString(), first);
    EXPECT_FALSE(engine->selectedAVDeviceIDs()[1]);
    ASSERT_TRUE(capturetest::processEventsUntil([&] { return engine->selectedAVDeviceIDs()[1].has_value(); }));
    EXPECT_EQ(engine->captureSources()[1], capture::CaptureSourceKind::deckLink);
    emit sheet->picker()->activated(1);
    EXPECT_EQ(*engine->selectedAVDeviceIDs()[1], "corvale-synthetic-camera-2");
    EXPECT_EQ(engine->captureSources()[1], capture::CaptureSourceKind::avFoundation);

    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(view->settingsInputIndex());

    // Removing the open sheet's input closes it.
    view->openSettings(1);
    engine->removeInput();
    EXPECT_FALSE(view->settingsInputIndex());
    EXPECT_TRUE(!view->settingsSheet() || !view->settingsSheet()->isVisible());

    // No camera at all: the one "No device available" entry stores nothing.
    auto bare = engineWithoutCameras();
    ASSERT_TRUE(bare);
    bare->setCaptureSource(0, capture::CaptureSourceKind::deckLink);
    RecordInputSettingsView empty(*bare, 0);
    EXPECT_EQ(empty.picker()->currentText(), "No device available");
    emit empty.picker()->activated(0);
    EXPECT_FALSE(bare->selectedAVDeviceIDs()[0]);
}
