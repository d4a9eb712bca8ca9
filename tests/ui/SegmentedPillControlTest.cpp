// The segmented choice: clicks write the binding, model writes do not count as clicks, equal
// values select together.

#include "ui/SegmentedPillControl.h"
#include "kit/ScreenKit.h"
#include "ui/AppTheme.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace ui {

namespace {

std::vector<SegmentedPillControl::Option> modeOptions()
{
    return {
        { QStringLiteral("playback"), QStringLiteral("Playback"), QStringLiteral("play.fill") },
        { QStringLiteral("capture"), QStringLiteral("Capture"), QStringLiteral("dot.radiowaves.left.and.right") },
    };
}

} // namespace

TEST(SegmentedPillControl, ClicksWriteTheValueAndModelWritesOnlyUpdateTheLook)
{
    auto control = screenkit::showWidget<SegmentedPillControl>(QSize(), modeOptions(), QStringLiteral("playback"));
    QSignalSpy activated(control.get(), &SegmentedPillControl::activated);
    QSignalSpy changed(control.get(), &SegmentedPillControl::selectionChanged);
    auto expectSelected = [&](int index) {
        for (int i = 0; i < 2; ++i) {
            SegmentedPillControl::Segment* segment = control->segment(i);
            EXPECT_EQ(segment->isSelected(), i == index) << i;
            EXPECT_DOUBLE_EQ(segment->selectionProgress(), i == index ? 1.0 : 0.0);
            EXPECT_EQ(segment->fillColor().alpha(), i == index ? AppTheme::accent.color().alpha() : 0);
            EXPECT_EQ(segment->foregroundColor(), i == index ? QColor(Qt::white) : AppTheme::textSecondary.color());
        }
    };
    expectSelected(0);

    screenkit::click(screenkit::find<QAbstractButton>(control.get(), "segment1"));
    EXPECT_EQ(control->selection(), QStringLiteral("capture"));
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0), QStringLiteral("capture"));
    EXPECT_EQ(changed.count(), 1);
    expectSelected(1);
    // The selected segment again: the value stays.
    screenkit::click(control->segment(1));
    EXPECT_EQ(control->selection(), QStringLiteral("capture"));
    expectSelected(1);

    activated.clear();
    changed.clear();
    control->setSelection(QStringLiteral("playback"));
    control->setSelection(QStringLiteral("playback"));
    EXPECT_EQ(activated.count(), 0);
    EXPECT_EQ(changed.count(), 2) << "every assignment is announced";
    expectSelected(0);
    // A value no option has selects nothing.
    control->setSelection(QStringLiteral("neither"));
    expectSelected(-1);
}

TEST(SegmentedPillControl, EqualValuesSelectTogetherAndSegmentsTakeNoFocus)
{
    std::vector<SegmentedPillControl::Option> options = {
        { 1, QStringLiteral("One"), std::nullopt },
        { 2, QStringLiteral("Two"), std::nullopt },
        { 1, QStringLiteral("Also one"), std::nullopt },
    };
    auto control = screenkit::showWidget<SegmentedPillControl>(QSize(), options, 1);
    EXPECT_TRUE(control->segment(0)->isSelected());
    EXPECT_FALSE(control->segment(1)->isSelected());
    EXPECT_TRUE(control->segment(2)->isSelected());
    for (int i = 0; i < control->segmentCount(); ++i)
        EXPECT_EQ(control->segment(i)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(control->focusPolicy(), Qt::NoFocus);
}

} // namespace ui
