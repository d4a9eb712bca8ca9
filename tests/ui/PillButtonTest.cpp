// The capsule and record buttons: the pressed look and focus behaviour.

#include "kit/ScreenKit.h"
#include "ui/AppTheme.h"
#include "ui/PillButtonStyle.h"
#include "ui/RecordPillButtonStyle.h"
#include "ui/StyledButton.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>

namespace ui {

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
