// The delayed hover tooltip, driven by a manual scheduler: the delay, leaving early, re-entering,
// and leaving while shown.

#include "ui/HoverTooltip.h"
#include "kit/ScreenKit.h"
#include "platform/ManualScheduler.h"
#include "ui/AppTheme.h"
#include "ui/HoverTooltipModifier.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"

#include <gtest/gtest.h>

namespace ui {

namespace {

// A window with one pill to hover; call screenkit::prepare() (or run in inBothAppearances) first.
struct Stage {
    platform::ManualScheduler scheduler; // declared first: outlives the host, whose tooltip cancels on it
    QWidget window;
    StyledButton* host;

    Stage()
    {
        window.resize(320, 160);
        host
            = new StyledButton(ButtonLabel::symbol("repeat", AppTheme::systemFont(17, QFont::DemiBold), QSizeF(26, 22)),
                PillButtonStyle(ThemeColor(ColorRole::systemOrange), false, true), &window);
        host->move(137, 90);
        host->resize(host->sizeHint());
        window.show();
        QApplication::processEvents();
    }

    HoverTooltipModifier* tip(const QString& label) { return hoverTooltip(host, label, 0.2, scheduler); }

    // Rests the pointer on the host for the whole delay; the bubble when it then shows in full.
    TooltipBubble* showBubble(HoverTooltipModifier* tip)
    {
        screenkit::hover(host);
        scheduler.advance(0.2);
        return bubbleShown(tip) ? tip->bubble() : nullptr;
    }

    static bool bubbleShown(HoverTooltipModifier* tip)
    {
        return tip->showTooltip() && tip->bubble() && tip->bubble()->isVisible() && tip->bubble()->presence() == 1.0;
    }
};

} // namespace

TEST(HoverTooltip, ShowsOnlyAfterThePointerRestsForTheDelayAndHidesOnLeaving)
{
    screenkit::prepare();
    Stage stage;
    auto* tip = stage.tip(QStringLiteral("Loop In–Out"));
    // Leaving before the delay shows nothing.
    screenkit::hover(stage.host);
    stage.scheduler.advance(0.15);
    screenkit::unhover(stage.host);
    stage.scheduler.advance(1.0);
    EXPECT_FALSE(tip->showTooltip());
    EXPECT_EQ(tip->bubble(), nullptr);

    // A quick re-entry counts the delay from the new entry.
    screenkit::hover(stage.host);
    stage.scheduler.advance(0.1);
    screenkit::unhover(stage.host);
    screenkit::hover(stage.host);
    stage.scheduler.advance(0.19);
    EXPECT_FALSE(tip->showTooltip());
    EXPECT_EQ(stage.scheduler.pendingCount(), 1u);
    stage.scheduler.advance(0.01);
    EXPECT_TRUE(Stage::bubbleShown(tip));
    EXPECT_EQ(tip->bubble()->text(), QStringLiteral("Loop In–Out"));
    // A second entry while shown schedules a fresh show; the bubble stays.
    screenkit::hover(stage.host);
    EXPECT_TRUE(tip->showTooltip());

    screenkit::unhover(stage.host);
    EXPECT_FALSE(tip->showTooltip());
    EXPECT_FALSE(tip->bubble()->isVisible());
    EXPECT_EQ(stage.scheduler.pendingCount(), 0u);

    // Hiding or destroying the host drops the pending show.
    screenkit::hover(stage.host);
    stage.host->hide();
    stage.scheduler.advance(1.0);
    EXPECT_FALSE(tip->showTooltip());
    stage.host->show();
    screenkit::hover(stage.host);
    delete stage.host;
    EXPECT_EQ(stage.scheduler.pendingCount(), 0u);
    stage.scheduler.advance(1.0);
}

} // namespace ui
