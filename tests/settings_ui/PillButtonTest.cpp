// The capsule and record buttons: sizes, colours, the pressed look, disabled and focus behaviour,
// and screenshots of every state in both appearances.

#include "kit/ScreenKit.h"
#include "settings/ui/AppTheme.h"
#include "settings/ui/PillButtonStyle.h"
#include "settings/ui/RecordPillButtonStyle.h"
#include "settings/ui/StyledButton.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>

#include <cmath>

namespace {

QSize expectedPillSize(const QString& text, bool compact)
{
    const QFontMetricsF metrics(AppTheme::systemFont(compact ? 11 : 14, QFont::DemiBold));
    const double width = std::ceil(metrics.horizontalAdvance(text)) + (compact ? 20 : 40);
    const double height = std::ceil(metrics.height()) + (compact ? 10 : 22);
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height)));
}

} // namespace

TEST(PillButtonStyle, CompactAndRegularSizesAndFonts)
{
    screenkit::prepare();
    const PillButtonStyle regular(AppTheme::accent);
    EXPECT_FALSE(regular.isProminent);
    EXPECT_FALSE(regular.compact);
    EXPECT_EQ(regular.labelFont().pixelSize(), 14);
    EXPECT_EQ(regular.labelFont().weight(), QFont::DemiBold);
    EXPECT_EQ(regular.padding(), QMarginsF(20, 11, 20, 11));
    const PillButtonStyle compact(AppTheme::accent, false, true);
    EXPECT_EQ(compact.labelFont().pixelSize(), 11);
    EXPECT_EQ(compact.padding(), QMarginsF(10, 5, 10, 5));

    StyledButton big(ButtonLabel::textOnly("Start Output"), regular);
    StyledButton small(ButtonLabel::textOnly("Start Output"), compact);
    EXPECT_EQ(big.sizeHint(), expectedPillSize("Start Output", false));
    EXPECT_EQ(small.sizeHint(), expectedPillSize("Start Output", true));

    // An icon-only compact pill around a 26 x 22 symbol frame measures 46 x 32.
    ButtonLabel transport = ButtonLabel::symbol("play.fill", AppTheme::systemFont(17, QFont::DemiBold), QSizeF(26, 22));
    StyledButton play(transport, PillButtonStyle(AppTheme::accent, true, true));
    EXPECT_EQ(play.sizeHint(), QSize(46, 32));
    // A label with its own font keeps it.
    ButtonLabel own = ButtonLabel::textOnly("Own");
    own.font = AppTheme::systemFont(20);
    StyledButton withFont(own, compact);
    EXPECT_GT(withFont.sizeHint().height(), small.sizeHint().height());
}

TEST(PillButtonStyle, ProminentIsSolidWithWhiteLabelPlainIsFaintWithTintedLabel)
{
    screenkit::prepare();
    const ThemeColor tint(ColorRole::systemRed);
    const PillButtonStyle prominent(tint, true);
    EXPECT_EQ(prominent.fillColor(), tint.color());
    EXPECT_EQ(prominent.foreground(), QColor(Qt::white));
    EXPECT_EQ(prominent.outlineColor().alpha(), 0);

    const PillButtonStyle plain(tint, false);
    EXPECT_EQ(plain.fillColor().rgb(), tint.color().rgb());
    EXPECT_NEAR(plain.fillColor().alphaF(), 0.18, 0.005);
    EXPECT_EQ(plain.foreground(), tint.color());
    EXPECT_EQ(plain.outlineColor().rgb(), tint.color().rgb());
    EXPECT_NEAR(plain.outlineColor().alphaF(), 0.45, 0.005);

    // Drawn: the prominent pill's middle is the tint; the plain one's is the tint at 18 % over
    // the window.
    auto solid = screenkit::showWidget<StyledButton>(QSize(), ButtonLabel::textOnly(" "), prominent);
    solid->resize(solid->sizeHint());
    const QImage shot = screenkit::screenshot(solid.get(), "pill-prominent-single");
    EXPECT_TRUE(
        screenkit::sameColor(screenkit::pixelAt(shot, QPoint(solid->width() / 2, solid->height() / 2)), tint.color()));
}

TEST(StyledButton, PressingFadesAndShrinksUntilRelease)
{
    screenkit::prepare();
    auto pill = screenkit::showWidget<StyledButton>(
        QSize(120, 40), ButtonLabel::textOnly("Mark In"), PillButtonStyle(ThemeColor(ColorRole::systemRed)));
    QSignalSpy clicked(pill.get(), &QAbstractButton::clicked);
    EXPECT_DOUBLE_EQ(pill->currentOpacity(), 1.0);
    EXPECT_DOUBLE_EQ(pill->currentScale(), 1.0);

    screenkit::press(pill.get());
    EXPECT_DOUBLE_EQ(pill->currentOpacity(), 0.68);
    EXPECT_DOUBLE_EQ(pill->currentScale(), 0.94);
    const QImage held = screenkit::screenshot(pill.get(), "pill-pressed");
    screenkit::release(pill.get());
    EXPECT_DOUBLE_EQ(pill->currentOpacity(), 1.0);
    EXPECT_DOUBLE_EQ(pill->currentScale(), 1.0);
    EXPECT_EQ(clicked.count(), 1);
    const QImage rest = screenkit::screenshot(pill.get(), "pill-released");
    // The shrunken pill leaves its corner region to the background.
    EXPECT_NE(held, rest);

    auto record = screenkit::showWidget<StyledButton>(
        QSize(), ButtonLabel::textOnly("REC"), RecordPillButtonStyle(ThemeColor(ColorRole::systemRed)));
    screenkit::press(record.get());
    EXPECT_DOUBLE_EQ(record->currentOpacity(), 0.78);
    EXPECT_DOUBLE_EQ(record->currentScale(), 0.97);
    screenkit::release(record.get());
    EXPECT_DOUBLE_EQ(record->currentScale(), 1.0);
}

TEST(StyledButton, DraggingOffWhilePressedRestoresTheLookWithoutClicking)
{
    screenkit::prepare();
    auto pill = screenkit::showWidget<StyledButton>(
        QSize(100, 40), ButtonLabel::textOnly("Loop"), PillButtonStyle(AppTheme::accent));
    pill->resize(pill->sizeHint());
    QSignalSpy clicked(pill.get(), &QAbstractButton::clicked);
    screenkit::press(pill.get());
    screenkit::moveMouse(pill.get(), QPoint(-30, -30), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(pill->pressProgress(), 0.0);
    screenkit::release(pill.get(), QPoint(-30, -30));
    EXPECT_EQ(clicked.count(), 0);
}

TEST(StyledButton, DisabledIgnoresClicksAndIsDrawnDimmedInItsOwnColours)
{
    screenkit::prepare();
    const PillButtonStyle style(AppTheme::accent, true, true);
    auto pill = screenkit::showWidget<StyledButton>(QSize(), ButtonLabel::textOnly("Jump"), style);
    pill->resize(pill->sizeHint());
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
        if (event->type() == QEvent::KeyPress)
            ++presses;
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
    EXPECT_EQ(pill->focusPolicy(), Qt::NoFocus);
    edit->clearFocus();
    screenkit::click(pill);
    EXPECT_FALSE(pill->hasFocus());

    QSignalSpy clicked(pill, &QAbstractButton::clicked);
    screenkit::key(pill, Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(clicked.count(), 0) << "Space is not the pill's to take";
    EXPECT_EQ(keys.presses, 1) << "Space goes on to the window";
}

TEST(StyledButton, RecordPillLeavesRoomForItsGlow)
{
    screenkit::prepare();
    ButtonLabel label = ButtonLabel::textOnly("Record All");
    label.font = AppTheme::systemFont(13, QFont::Bold);
    StyledButton record(label, RecordPillButtonStyle(ThemeColor(ColorRole::systemRed)));
    const QRectF pill = record.pillRect();
    record.resize(record.sizeHint());
    const QRectF sized = record.pillRect();
    EXPECT_GT(sized.top(), 0);
    EXPECT_GT(record.height() - sized.bottom(), sized.top()) << "the glow falls 4 down";
    const QFontMetricsF metrics(*label.font);
    EXPECT_NEAR(sized.width(), std::ceil(metrics.horizontalAdvance("Record All")) + 48, 1.0);
    (void)pill;
}

TEST(StyledButton, ScreenshotsOfEveryStateInBothAppearances)
{
    for (auto mode : { AppearanceMode::light, AppearanceMode::dark }) {
        screenkit::prepare();
        AppTheme::apply(mode);
        QWidget board;
        auto* grid = new QGridLayout(&board);
        grid->setContentsMargins(16, 16, 16, 16);
        grid->setHorizontalSpacing(12);
        grid->setVerticalSpacing(10);
        const std::vector<std::pair<QString, ThemeColor>> tints = {
            { "Accent", AppTheme::accent },
            { "Red", ThemeColor(ColorRole::systemRed) },
            { "Orange", ThemeColor(ColorRole::systemOrange) },
            { "Secondary", AppTheme::textSecondary },
        };
        std::vector<StyledButton*> pressed;
        int row = 0;
        for (const auto& [name, tint] : tints) {
            grid->addWidget(new QLabel(name), row, 0);
            grid->addWidget(
                new StyledButton(ButtonLabel::symbolAndText("play.fill", "Plain"), PillButtonStyle(tint)), row, 1);
            grid->addWidget(
                new StyledButton(ButtonLabel::symbolAndText("stop.fill", "Prominent"), PillButtonStyle(tint, true)),
                row, 2);
            grid->addWidget(
                new StyledButton(ButtonLabel::textOnly("Compact"), PillButtonStyle(tint, false, true)), row, 3);
            grid->addWidget(new StyledButton(ButtonLabel::symbol(
                                                 "repeat", AppTheme::systemFont(17, QFont::DemiBold), QSizeF(26, 22)),
                                PillButtonStyle(tint, true, true)),
                row, 4);
            auto* held = new StyledButton(ButtonLabel::textOnly("Pressed"), PillButtonStyle(tint, true, true));
            pressed.push_back(held);
            grid->addWidget(held, row, 5);
            auto* off = new StyledButton(ButtonLabel::textOnly("Disabled"), PillButtonStyle(tint, false, true));
            off->setEnabled(false);
            grid->addWidget(off, row, 6);
            ++row;
        }
        ButtonLabel recordLabel = ButtonLabel::symbolAndText("record.circle.fill", "Record All");
        recordLabel.font = AppTheme::systemFont(14, QFont::Bold);
        grid->addWidget(
            new StyledButton(recordLabel, RecordPillButtonStyle(ThemeColor(ColorRole::systemRed))), row, 1, 1, 2);
        board.show();
        QApplication::processEvents();
        for (StyledButton* held : pressed)
            screenkit::press(held);
        const bool dark = mode == AppearanceMode::dark;
        const QImage shot
            = screenkit::screenshot(&board, dark ? QStringLiteral("pills-dark") : QStringLiteral("pills-light"));
        EXPECT_FALSE(shot.isNull());
        for (StyledButton* held : pressed) {
            EXPECT_DOUBLE_EQ(held->currentScale(), 0.94);
            screenkit::release(held);
        }
    }
}
