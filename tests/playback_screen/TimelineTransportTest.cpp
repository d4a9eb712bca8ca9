// The timeline (geometry at the edges, seeks only from the user's moves, ticks that repaint the
// timeline alone) and the transport row (its state table, the actions, the readout, Space).

#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "playback_screen/MainPane.h"
#include "playback_screen/PictureArea.h"
#include "playback_screen/TimelineView.h"
#include "playback_screen/TransportBar.h"
#include "ui/HoverTooltipModifier.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"

#include <QSignalSpy>
#include <QSlider>

using namespace playback_screen;
using playback_screen_test::ScreenTest;

namespace {

TEST(TimelineGeometryTest, EdgesAndMarks)
{
    struct Case {
        double width, time, duration;
        std::optional<double> in, out;
        double x, bubble;
        std::optional<double> inX, outX;
        double inBadge, outBadge;
        bool range;
        double sliderMax;
    };
    const std::nullopt_t none = std::nullopt;
    const Case cases[] = {
        { 400, 0, 0, 1.0, 2.0, 0, 56, none, none, 20, 24, false, 1 }, // no clip: no marks
        { 400, 0.5, 0, none, none, 400, 344, none, none, 20, 24, false, 1 }, // past the 0.0001 floor
        { 400, -3, 10, none, none, 0, 56, none, none, 20, 24, false, 10 },
        { 400, 12, 10, none, none, 400, 344, none, none, 20, 24, false, 10 },
        { 400, 5, 10, 2.0, 12.0, 200, 200, 80, 400, 80, 376, true, 10 }, // Out past the end
        { 400, 5, 10, 6.0, 3.0, 200, 200, 240, 120, 240, 120, false, 10 }, // reversed: no range
        { 400, 5, 10, 4.0, 4.0, 200, 200, 160, 160, 160, 160, false, 10 }, // equal: no range
        { 400, 5, 10, none, 8.0, 200, 200, none, 320, 20, 320, false, 10 }, // one mark
        { 30, 5, 10, 0.0, 10.0, 15, 56, 0, 30, 20, 24, true, 10 }, // narrow strip
        { 0, 1, 10, none, none, 0.1, 56, none, none, 20, 24, false, 10 }, // width floored to 1
    };
    for (const Case& c : cases) {
        const TimelineGeometry g = TimelineGeometry::compute(c.width, c.time, c.duration, c.in, c.out);
        EXPECT_DOUBLE_EQ(g.playheadX, c.x) << c.width << " " << c.time;
        EXPECT_DOUBLE_EQ(g.bubbleX, c.bubble) << c.width << " " << c.time;
        EXPECT_EQ(g.markInX, c.inX) << c.width << " " << c.time;
        EXPECT_EQ(g.markOutX, c.outX) << c.width << " " << c.time;
        if (c.inX) {
            EXPECT_DOUBLE_EQ(g.inBadgeX, c.inBadge);
        }
        if (c.outX) {
            EXPECT_DOUBLE_EQ(g.outBadgeX, c.outBadge);
        }
        EXPECT_EQ(g.showsRange, c.range);
        EXPECT_DOUBLE_EQ(g.sliderMaximum, c.sliderMax);
    }
    EXPECT_EQ(TimelineGeometry::fraction(std::nan(""), 1.0), 0.0);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

class TimelineTransportTest : public ScreenTest {
protected:
    MainPane* pane() { return ui::screenkit::find<MainPane>(view.get(), "playbackMainPane"); }
    ui::StyledButton* button(const char* name) { return ui::screenkit::find<ui::StyledButton>(view.get(), name); }
    bool prominent(const char* name)
    {
        return static_cast<const ui::PillButtonStyle&>(button(name)->buttonStyle()).isProminent;
    }
    QString tooltip(const char* name) { return ui::HoverTooltipModifier::of(button(name))->label(); }
};

TEST_F(TimelineTransportTest, OnlyUserMovesSeekAndTicksRepaintOnlyTheTimeline)
{
    showScreen();
    QSlider* slider = pane()->timeline()->slider();
    slider->setSliderDown(true);
    slider->setSliderPosition(500); // no clip: ignored
    slider->setSliderDown(false);
    addClip(QStringLiteral("a.mov"), false, 4000.0);
    EXPECT_EQ(slider->maximum(), 4000000);

    PaintCounter timeline(pane()->timeline()), transport(pane()->transport()), picture(pane()->pictureArea()),
        header(ui::screenkit::find(view.get(), "playbackHeader"));
    vm->togglePlayPause();
    settle();
    mainPlayer().clearCalls();
    transport.count = picture.count = header.count = timeline.count = 0;
    for (int i = 0; i < 3; ++i) {
        mainPlayer().advance(0.05);
        settle();
    }
    EXPECT_GT(timeline.count, 0);
    EXPECT_EQ(transport.count + picture.count + header.count, 0);
    EXPECT_EQ(slider->value(), qRound(vm->currentTime() * 1000));
    EXPECT_TRUE(mainPlayer().seekTargets().empty());

    slider->setSliderDown(true);
    slider->setSliderPosition(1500);
    slider->setSliderPosition(2500);
    slider->setSliderDown(false);
    EXPECT_EQ(mainPlayer().seekTargets(), (std::vector<double> { 1.5, 2.5 }));
    settle();
    EXPECT_EQ(mainPlayer().seekTargets().size(), 2u);
}

TEST_F(TimelineTransportTest, StateTableActionsAndReadout)
{
    showScreen();
    addClip(QStringLiteral("a.mov"), false, 4000.0);
    struct State {
        std::optional<double> in, out;
        bool loop;
    };
    struct Expect {
        bool inLit, outLit, loopLit, playInOut, jumpIn, jumpOut;
        const char *readIn, *readOut, *loopTip;
    };
    const std::pair<State, Expect> table[] = {
        { { std::nullopt, std::nullopt, false },
            { false, false, false, false, false, false, "-", "-", "Loop In–Out" } },
        { { std::nullopt, 59.5, false }, { false, true, false, false, false, true, "-", "00:01:00", "Loop In–Out" } },
        { { 59.5, 3725.0, true },
            { true, true, true, true, true, true, "00:01:00", "01:02:05", "Loop On — Click to Disable" } },
    };
    for (const auto& [state, expect] : table) {
        vm->clearMarks();
        for (const auto& [mark, set] : { std::pair { state.in, &playback::PlaybackViewModel::setMarkIn },
                 std::pair { state.out, &playback::PlaybackViewModel::setMarkOut } }) {
            if (mark) {
                vm->seek(*mark, true);
                (vm.get()->*set)();
            }
        }
        vm->setLoopInOut(state.loop);
        settle();
        EXPECT_EQ(prominent("markInButton"), expect.inLit);
        EXPECT_EQ(prominent("markOutButton"), expect.outLit);
        EXPECT_EQ(prominent("loopButton"), expect.loopLit);
        EXPECT_EQ(button("playInOutButton")->isEnabled(), expect.playInOut);
        EXPECT_EQ(button("jumpInButton")->isEnabled(), expect.jumpIn);
        EXPECT_EQ(button("jumpOutButton")->isEnabled(), expect.jumpOut);
        EXPECT_EQ(pane()->transport()->markInText(), QString::fromUtf8(expect.readIn));
        EXPECT_EQ(pane()->transport()->markOutText(), QString::fromUtf8(expect.readOut));
        EXPECT_EQ(tooltip("loopButton"), QString::fromUtf8(expect.loopTip));
    }
    EXPECT_EQ(tooltip("markInButton"), "Mark In  (I)");

    // The loop only flips the flag; the jumps seek; Space over a pill presses nothing.
    vm->setLoopInOut(false);
    ui::screenkit::click(button("loopButton"));
    EXPECT_TRUE(vm->loopInOut());
    EXPECT_FALSE(vm->isPlaying());
    ui::screenkit::click(button("jumpInButton"));
    EXPECT_EQ(vm->currentTime(), 59.5);
    ui::screenkit::click(button("jumpOutButton"));
    EXPECT_EQ(vm->currentTime(), 3725.0);
    QSignalSpy clicks(button("playPauseButton"), &QAbstractButton::clicked);
    ui::screenkit::hover(button("playPauseButton"));
    ui::screenkit::key(button("playPauseButton"), Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button("playPauseButton")->focusPolicy(), Qt::NoFocus);
    ui::screenkit::click(button("playPauseButton"));
    settle();
    EXPECT_TRUE(vm->isPlaying());
    EXPECT_EQ(button("playPauseButton")->label().icon, "pause.fill");
    EXPECT_EQ(tooltip("playPauseButton"), "Pause");
    ui::screenkit::click(button("clearMarksButton"));
    settle();
    EXPECT_EQ(pane()->transport()->markInText(), "-");
}

} // namespace
