// The inspector: the program output's control card and the output preview, over the
// real capture engine on the simulated card and the playback engine on fake players.

#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "playback_screen/CaptureLiveView.h"
#include "playback_screen/OutputControlCard.h"
#include "playback_screen/OutputPreviewViewer.h"
#include "playback_screen/PictureArea.h"
#include "playback_screen/PlaybackInspectorPane.h"
#include "ui/StyledButton.h"
#include "ui/SwitchButton.h"
#include "ui/ThemedLabel.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

using namespace playback_screen;
using playback::ClipItem;
namespace kit = ui::screenkit;

TEST(OutputControlCard, OnOffNoDeviceAndStatusLines)
{
    auto card = kit::showWidget<OutputControlCard>(QSize(320, 360));
    auto* toggle = kit::find<ui::StyledButton>(card.get(), "outputToggle");
    auto* indicator = kit::find<ui::ThemedLabel>(card.get(), "outputIndicator");
    auto* devices = kit::find<QComboBox>(card.get(), "outputDeviceMenu");
    auto* noDevice = kit::find<ui::ThemedLabel>(card.get(), "noDeviceLine");
    auto lineShown = [&](const char* name) { return !kit::find<ui::ThemedLabel>(card.get(), name)->isHidden(); };

    OutputControlCard::State state;
    state.isOn = true;
    state.statusText = "On";
    state.cadenceWarningText = "Cadence: 25p source on a 50i output";
    state.deviceNames = { "DeckLink Sim 1", "DeckLink Sim 2" };
    state.selectedDeviceIndex.value = 1;
    card->setState(state);
    EXPECT_EQ(toggle->label().text, "Stop Output");
    EXPECT_EQ(toggle->label().icon, "stop.fill");
    EXPECT_EQ(indicator->text(), "● ON");
    EXPECT_EQ(indicator->color().role(), ui::ColorRole::systemGreen);
    EXPECT_EQ(devices->count(), 2);
    EXPECT_EQ(devices->currentIndex(), 1);
    EXPECT_GE(devices->width(), OutputControlCard::deviceMenuMinimumWidth);
    EXPECT_TRUE(noDevice->isHidden());
    EXPECT_TRUE(lineShown("outputStatusLine"));
    EXPECT_FALSE(lineShown("outputHDMILine"));
    EXPECT_FALSE(lineShown("outputSourceColorLine"));
    EXPECT_TRUE(lineShown("outputCadenceLine"));
    EXPECT_EQ(kit::find<ui::ThemedLabel>(card.get(), "outputCadenceLine")->color().role(), ui::ColorRole::systemOrange);
    EXPECT_EQ(kit::find<ui::ThemedLabel>(card.get(), "outputStatusLine")->color().role(), ui::ColorRole::textSecondary);

    card->setState({});
    EXPECT_EQ(toggle->label().text, "Start Output");
    EXPECT_EQ(toggle->label().icon, "play.fill");
    EXPECT_EQ(indicator->text(), "○ OFF");
    EXPECT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->itemText(0), "Output Device");
    EXPECT_FALSE(noDevice->isHidden());
    for (const char* line : { "outputStatusLine", "outputHDMILine", "outputSourceColorLine", "outputCadenceLine" })
        EXPECT_FALSE(lineShown(line)) << line;
}

namespace {

class InspectorTest : public playback_screen_test::ScreenTest {
protected:
    PlaybackInspectorPane* pane() { return kit::find<PlaybackInspectorPane>(view.get(), "playbackInspectorPane"); }
    OutputPreviewOverlay* overlay() { return kit::find<OutputPreviewOverlay>(view.get(), "outputPreviewOverlay"); }
};

} // namespace

TEST_F(InspectorTest, CardWritesThroughToTheEngine)
{
    showScreen();
    auto* devices = kit::find<OutputDeviceMenu>(pane(), "outputDeviceMenu");
    ASSERT_EQ(devices->count(), 2);
    QSignalSpy writes(engine.get(), &capture::RecordViewModel::selectedOutputDeviceIndexChanged);
    // Opening the menu refreshes the list; model updates refill it; neither writes the index.
    devices->showPopup();
    devices->hidePopup();
    engine->refreshOutputDevices();
    settle();
    EXPECT_EQ(writes.count(), 0);

    // A pick while off only stores the index; while the output is requested it restarts it.
    emit devices->activated(1);
    EXPECT_EQ(engine->selectedOutputDeviceIndex(), 1);
    EXPECT_EQ(engine->outputStatusText(), "Off");
    kit::click(kit::find<ui::StyledButton>(pane(), "outputToggle"));
    settle();
    EXPECT_TRUE(engine->isOutputRequestedOn());
    EXPECT_EQ(kit::find<ui::ThemedLabel>(pane(), "outputIndicator")->text(), "● ON");
    EXPECT_TRUE(overlay()->showsOutPill());
    QSignalSpy statuses(engine.get(), &capture::RecordViewModel::outputStatusTextChanged);
    emit devices->activated(0);
    EXPECT_EQ(engine->selectedOutputDeviceIndex(), 0);
    EXPECT_TRUE(statuses.contains(QVariantList { QStringLiteral("Switching...") }));
    kit::click(kit::find<ui::StyledButton>(pane(), "outputToggle"));
    settle();
    EXPECT_FALSE(overlay()->showsOutPill());

    const bool cleanFeed = engine->outputCleanFeed();
    kit::click(kit::find<ui::SwitchButton>(pane(), "cleanFeedSwitch"));
    EXPECT_EQ(engine->outputCleanFeed(), !cleanFeed);
}

TEST_F(InspectorTest, NoDeviceCaptionDetailAndPreview)
{
    corvale_sim_set_device_count(0);
    showScreen(QSize(1196, 700));
    EXPECT_EQ(pane()->captionText(), "Same as preview");
    EXPECT_EQ(pane()->detailValues(), QStringList(8, "-"));
    auto* scroll = qobject_cast<QScrollArea*>(pane()->parentWidget()->parentWidget());
    ASSERT_TRUE(scroll);
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);

    // Pressing Start without a device: the engine's status, and no "OUT" pill (it follows the request).
    kit::click(kit::find<ui::StyledButton>(pane(), "outputToggle"));
    settle();
    EXPECT_EQ(kit::find<ui::ThemedLabel>(pane(), "outputStatusLine")->text(), "No DeckLink device");
    EXPECT_FALSE(overlay()->showsOutPill());

    const QUuid clip = addClip("R1-SC4-T2-Cam3.mov");
    vm->selectClipSingle(clip);
    settle();
    EXPECT_EQ(pane()->captionText(), vm->currentClip()->slateDisplayName());
    EXPECT_EQ(pane()->detailValues()[4], "Cam 3");

    const char* names[] = { "Auto (Source)", "Rec.709 (SDR)", "Rec.2020 (SDR)", "Rec.2020 + PQ (HDR)",
        "Rec.2020 + HLG (HDR)", "P3-D65 ST2084 (HDR)" };
    for (int raw = 0; raw < 6; ++raw) {
        engine->setOutputColorMode(static_cast<capture::OutputColorMode>(raw));
        settle();
        EXPECT_EQ(overlay()->colorText(), names[raw]);
        EXPECT_EQ(overlay()->showsHDR(), raw >= 3) << raw;
        EXPECT_EQ(
            kit::find<ui::ThemedLabel>(pane(), "outputColorLine")->text(), QString("Output Color: ") + names[raw]);
    }
    EXPECT_EQ(overlay()->formatText(), settings::displayName(engine->outputFormat()));

    // Capture mode swaps the picture; the labels stay.
    auto* area = kit::find<PictureArea>(pane(), "pictureAreaMini");
    view->setCenterMode(CenterMode::capture);
    settle();
    EXPECT_EQ(pane()->captionText(), "Capture (Realtime)");
    EXPECT_EQ(pane()->detailValues()[4], "Cam 3");
    auto* live = qobject_cast<CaptureLiveView*>(area->current());
    ASSERT_TRUE(live);
    EXPECT_TRUE(live->isVisible() && live->isMini());
    EXPECT_TRUE(overlay()->isVisible());
}
