// The delayed hover tooltip, driven by a manual scheduler: the delay, leaving early, re-entering,
// leaving while shown, placement over the host, and a bubble that reads in both appearances.

#include "settings/ui/HoverTooltip.h"
#include "kit/ScreenKit.h"
#include "platform/ManualScheduler.h"
#include "settings/ui/AppTheme.h"
#include "settings/ui/HoverTooltipModifier.h"
#include "settings/ui/PillButtonStyle.h"
#include "settings/ui/StyledButton.h"

#include <gtest/gtest.h>

namespace {

struct Stage {
    QWidget window;
    StyledButton* host;

    Stage()
    {
        screenkit::prepare();
        window.resize(320, 160);
        host
            = new StyledButton(ButtonLabel::symbol("repeat", AppTheme::systemFont(17, QFont::DemiBold), QSizeF(26, 22)),
                PillButtonStyle(ThemeColor(ColorRole::systemOrange), false, true), &window);
        host->move(137, 90);
        host->resize(host->sizeHint());
        window.show();
        QApplication::processEvents();
    }
};

bool bubbleShown(HoverTooltipModifier* tip)
{
    return tip->showTooltip() && tip->bubble() && tip->bubble()->isVisible() && tip->bubble()->presence() == 1.0;
}

} // namespace

TEST(HoverTooltip, ShowsOnlyAfterThePointerRestsForTheDelay)
{
    platform::ManualScheduler scheduler; // outlives the host, whose tooltip cancels on it
    Stage stage;
    auto* tip = hoverTooltip(stage.host, QStringLiteral("Loop In–Out"), 0.2, scheduler);
    screenkit::hover(stage.host);
    scheduler.advance(0.19);
    EXPECT_FALSE(tip->showTooltip());
    scheduler.advance(0.01);
    EXPECT_TRUE(bubbleShown(tip));
    EXPECT_EQ(tip->bubble()->text(), QStringLiteral("Loop In–Out"));

    // Leaving hides it.
    screenkit::unhover(stage.host);
    EXPECT_FALSE(tip->showTooltip());
    EXPECT_FALSE(tip->bubble()->isVisible());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(HoverTooltip, LeavingBeforeTheDelayShowsNothingAndReenteringStartsAgain)
{
    platform::ManualScheduler scheduler; // outlives the host, whose tooltip cancels on it
    Stage stage;
    auto* tip = hoverTooltip(stage.host, QStringLiteral("Mark In  (I)"), 0.2, scheduler);
    screenkit::hover(stage.host);
    scheduler.advance(0.15);
    screenkit::unhover(stage.host);
    scheduler.advance(1.0);
    EXPECT_FALSE(tip->showTooltip());
    EXPECT_EQ(tip->bubble(), nullptr);

    screenkit::hover(stage.host);
    scheduler.advance(0.1);
    screenkit::unhover(stage.host);
    screenkit::hover(stage.host); // quick re-entry: the delay counts from here
    scheduler.advance(0.15);
    EXPECT_FALSE(tip->showTooltip());
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    scheduler.advance(0.05);
    EXPECT_TRUE(bubbleShown(tip));

    // A second entry while shown schedules a fresh show; the bubble stays.
    screenkit::hover(stage.host);
    EXPECT_TRUE(tip->showTooltip());
}

TEST(HoverTooltip, HidingOrDestroyingTheHostDropsThePendingShow)
{
    platform::ManualScheduler scheduler; // outlives the host, whose tooltip cancels on it
    Stage stage;
    auto* tip = hoverTooltip(stage.host, QStringLiteral("Open Files"), 0.2, scheduler);
    screenkit::hover(stage.host);
    stage.host->hide();
    scheduler.advance(1.0);
    EXPECT_FALSE(tip->showTooltip());

    stage.host->show();
    screenkit::hover(stage.host);
    delete stage.host;
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(1.0);
}

TEST(HoverTooltip, BubbleFloatsThirtyTwoAboveTheHostCentredAndUnwrapped)
{
    platform::ManualScheduler scheduler; // outlives the host, whose tooltip cancels on it
    Stage stage;
    const QString wide = QStringLiteral("Loop On — Click to Disable");
    auto* tip = hoverTooltip(stage.host, wide, 0.2, scheduler);
    const QRect hostBefore = stage.host->geometry();
    screenkit::hover(stage.host);
    scheduler.advance(0.2);
    ASSERT_TRUE(bubbleShown(tip));
    TooltipBubble* bubble = tip->bubble();
    EXPECT_EQ(bubble->parentWidget(), &stage.window);
    EXPECT_EQ(stage.window.children().last(), bubble) << "drawn above its neighbours";
    EXPECT_TRUE(bubble->testAttribute(Qt::WA_TransparentForMouseEvents));

    const QRectF body = bubble->bodyRect().translated(bubble->pos());
    EXPECT_GT(body.width(), stage.host->width());
    EXPECT_NEAR(body.center().x(), stage.host->geometry().center().x() + 0.5, 1.0);
    EXPECT_NEAR(body.top(), stage.host->y() - 32, 1.0);
    const QFontMetricsF metrics(AppTheme::systemFont(11, QFont::Medium));
    EXPECT_GE(body.width(), metrics.horizontalAdvance(wide) + 18);
    EXPECT_EQ(stage.host->geometry(), hostBefore) << "the host's layout is untouched";

    // A new label while shown is taken at once.
    hoverTooltip(stage.host, QStringLiteral("Loop In–Out"), 0.2, scheduler);
    EXPECT_EQ(bubble->text(), QStringLiteral("Loop In–Out"));
    EXPECT_EQ(HoverTooltipModifier::of(stage.host), tip);
}

TEST(HoverTooltip, AHostAtTheWindowsTopOrSideKeepsItsBubbleInsideTheWindow)
{
    platform::ManualScheduler scheduler;
    Stage stage;
    stage.host->move(0, 6);
    auto* tip = hoverTooltip(stage.host, QStringLiteral("Open in External Window"), 0.2, scheduler);
    screenkit::hover(stage.host);
    scheduler.advance(0.2);
    ASSERT_TRUE(bubbleShown(tip));
    TooltipBubble* bubble = tip->bubble();
    const QRectF body = bubble->bodyRect().translated(bubble->pos());
    EXPECT_TRUE(bubble->isPlacedBelow());
    EXPECT_GE(body.top(), stage.host->geometry().bottom());
    EXPECT_GE(body.left(), 0.0);
    EXPECT_LE(body.right(), stage.window.width());
    screenkit::screenshot(&stage.window, QStringLiteral("tooltip-below"));
}

TEST(HoverTooltip, BubbleReadsInBothAppearances)
{
    for (auto mode : { AppearanceMode::light, AppearanceMode::dark }) {
        platform::ManualScheduler scheduler;
        Stage stage;
        AppTheme::apply(mode);
        auto* tip = hoverTooltip(stage.host, QStringLiteral("Loop In–Out"), 0.2, scheduler);
        screenkit::hover(stage.host);
        scheduler.advance(0.2);
        ASSERT_TRUE(bubbleShown(tip));
        TooltipBubble* bubble = tip->bubble();
        const QColor fill = screenkit::composite(bubble->fillColor(), AppTheme::bg.color());
        const QColor text = screenkit::composite(bubble->textColor(), fill);
        EXPECT_GE(screenkit::contrastRatio(text, fill), 7.0);

        const bool dark = mode == AppearanceMode::dark;
        const QImage shot = screenkit::screenshot(
            &stage.window, dark ? QStringLiteral("tooltip-dark") : QStringLiteral("tooltip-light"));
        const QRect body = bubble->bodyRect().translated(bubble->pos()).toRect();
        EXPECT_TRUE(
            screenkit::sameColor(screenkit::pixelAt(shot, QPoint(body.left() + 3, body.center().y())), fill, 6));
    }
}
