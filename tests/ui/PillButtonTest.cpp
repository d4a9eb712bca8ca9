// The capsule and record buttons: sizes, the pressed look, disabled and focus behaviour.

#include "kit/ScreenKit.h"
#include "ui/AppTheme.h"
#include "ui/PillButtonStyle.h"
#include "ui/RecordPillButtonStyle.h"
#include "ui/StyledButton.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLineEdit>
#include <QSignalSpy>

#include <cmath>

namespace ui {

namespace {

QSize expectedPillSize(const QString& text, bool compact)
{
    const QFontMetricsF metrics(AppTheme::systemFont(compact ? 11 : 14, QFont::DemiBold));
    const double width = std::ceil(metrics.horizontalAdvance(text)) + (compact ? 20 : 40);
    const double height = std::ceil(metrics.height()) + (compact ? 10 : 22);
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height)));
}

} // namespace

TEST(PillButtonStyle, SizesFollowTheLabelAndTheRecordPillLeavesRoomForItsGlow)
{
    screenkit::prepare();
    const PillButtonStyle compact(AppTheme::accent, false, true);
    StyledButton big(ButtonLabel::textOnly("Start Output"), PillButtonStyle(AppTheme::accent));
    StyledButton small(ButtonLabel::textOnly("Start Output"), compact);
    EXPECT_EQ(big.sizeHint(), expectedPillSize("Start Output", false));
    EXPECT_EQ(small.sizeHint(), expectedPillSize("Start Output", true));
    // An icon-only compact pill around a 26 x 22 symbol frame measures 46 x 32.
    ButtonLabel transport = ButtonLabel::symbol("play.fill", AppTheme::systemFont(17, QFont::DemiBold), QSizeF(26, 22));
    EXPECT_EQ(StyledButton(transport, PillButtonStyle(AppTheme::accent, true, true)).sizeHint(), QSize(46, 32));

    ButtonLabel label = ButtonLabel::textOnly("Record All");
    label.font = AppTheme::systemFont(13, QFont::Bold);
    StyledButton record(label, RecordPillButtonStyle(ThemeColor(ColorRole::systemRed)));
    record.resize(record.sizeHint());
    const QRectF pill = record.pillRect();
    EXPECT_GT(pill.top(), 0);
    EXPECT_GT(record.height() - pill.bottom(), pill.top()) << "the glow falls 4 down";
    EXPECT_NEAR(pill.width(), std::ceil(QFontMetricsF(*label.font).horizontalAdvance("Record All")) + 48, 1.0);
}

TEST(StyledButton, PressingFadesAndShrinksUntilReleaseAndDraggingOffDoesNotClick)
{
    screenkit::prepare();
    auto pill = screenkit::showWidget<StyledButton>(
        QSize(120, 40), ButtonLabel::textOnly("Mark In"), PillButtonStyle(ThemeColor(ColorRole::systemRed)));
    auto record = screenkit::showWidget<StyledButton>(
        QSize(), ButtonLabel::textOnly("REC"), RecordPillButtonStyle(ThemeColor(ColorRole::systemRed)));
    const std::tuple<StyledButton*, QString, double, double> cases[]
        = { { pill.get(), "pill", 0.68, 0.94 }, { record.get(), "record-pill", 0.78, 0.97 } };
    for (auto [button, name, opacity, scale] : cases) {
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        const QImage rest = screenkit::screenshot(button, name + "-released");
        screenkit::press(button);
        EXPECT_DOUBLE_EQ(button->currentOpacity(), opacity);
        EXPECT_DOUBLE_EQ(button->currentScale(), scale);
        // The shrunken pill leaves its corner region to the background.
        EXPECT_NE(screenkit::screenshot(button, name + "-pressed"), rest);
        screenkit::release(button);
        EXPECT_DOUBLE_EQ(button->currentOpacity(), 1.0);
        EXPECT_DOUBLE_EQ(button->currentScale(), 1.0);
        EXPECT_EQ(clicked.count(), 1);

        screenkit::press(button);
        screenkit::moveMouse(button, QPoint(-30, -30), Qt::LeftButton);
        EXPECT_DOUBLE_EQ(button->pressProgress(), 0.0);
        screenkit::release(button, QPoint(-30, -30));
        EXPECT_EQ(clicked.count(), 1);
    }
}

TEST(StyledButton, DisabledIgnoresClicksAndIsDrawnDimmedInItsOwnColours)
{
    screenkit::prepare();
    auto pill = screenkit::showWidget<StyledButton>(
        QSize(), ButtonLabel::textOnly("Jump"), PillButtonStyle(AppTheme::accent, true, true));
    QSignalSpy clicked(pill.get(), &QAbstractButton::clicked);
    pill->setEnabled(false);
    screenkit::click(pill.get());
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_DOUBLE_EQ(pill->currentOpacity(), StyledButton::disabledOpacity);
    const QColor middle
        = screenkit::pixelAt(screenkit::screenshot(pill.get(), "pill-disabled"), QPoint(4 + pill->height() / 2, 3));
    // Same hue as the tint, lighter for the dimming (drawn over the light window).
    EXPECT_GT(middle.lightness(), AppTheme::accent.color().lightness());

    // Disabling a held button drops the pressed look.
    pill->setEnabled(true);
    screenkit::press(pill.get());
    pill->setEnabled(false);
    EXPECT_DOUBLE_EQ(pill->pressProgress(), 0.0);
}

namespace {

// Counts the keys that reach a window.
class KeyCounter : public QObject {
public:
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        presses += event->type() == QEvent::KeyPress ? 1 : 0;
        return false;
    }
};

} // namespace

TEST(StyledButton, NeverTakesKeyboardFocusSoSpaceReachesTheWindow)
{
    screenkit::prepare();
    QWidget window;
    KeyCounter keys;
    window.installEventFilter(&keys);
    auto* edit = new QLineEdit(&window);
    auto* pill = new StyledButton(ButtonLabel::textOnly("Play"), PillButtonStyle(AppTheme::accent, true), &window);
    pill->move(0, 40);
    window.show();
    QApplication::processEvents();
    edit->clearFocus();
    screenkit::click(pill);
    EXPECT_FALSE(pill->hasFocus());

    QSignalSpy clicked(pill, &QAbstractButton::clicked);
    screenkit::key(pill, Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(clicked.count(), 0) << "Space is not the pill's to take";
    EXPECT_EQ(keys.presses, 1) << "Space goes on to the window";
}

} // namespace ui
