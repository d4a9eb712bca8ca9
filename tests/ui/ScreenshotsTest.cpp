// Pictures of the shared controls in both appearances, written only when CORVALE_TEST_ARTIFACTS
// names a folder: every pill state, the segmented choices, panes and cards.

#include "kit/ScreenKit.h"
#include "ui/AppCard.h"
#include "ui/AppPane.h"
#include "ui/AppTheme.h"
#include "ui/AppWindowChrome.h"
#include "ui/PillButtonStyle.h"
#include "ui/RecordPillButtonStyle.h"
#include "ui/SegmentedPillControl.h"
#include "ui/StyledButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ui {

TEST(ControlPictures, PillsInEveryState)
{
    screenkit::inBothAppearances([](const QString& appearance) {
        QWidget board;
        auto* grid = new QGridLayout(&board);
        grid->setContentsMargins(16, 16, 16, 16);
        grid->setHorizontalSpacing(12);
        grid->setVerticalSpacing(10);
        const std::pair<QString, ThemeColor> tints[]
            = { { "Accent", AppTheme::accent }, { "Red", ThemeColor(ColorRole::systemRed) },
                  { "Orange", ThemeColor(ColorRole::systemOrange) }, { "Secondary", AppTheme::textSecondary } };
        const ButtonLabel repeat
            = ButtonLabel::symbol("repeat", AppTheme::systemFont(17, QFont::DemiBold), QSizeF(26, 22));
        std::vector<StyledButton*> pressed;
        int row = 0;
        for (const auto& [name, tint] : tints) {
            const std::pair<ButtonLabel, PillButtonStyle> states[] = {
                { ButtonLabel::symbolAndText("play.fill", "Plain"), PillButtonStyle(tint) },
                { ButtonLabel::symbolAndText("stop.fill", "Prominent"), PillButtonStyle(tint, true) },
                { ButtonLabel::textOnly("Compact"), PillButtonStyle(tint, false, true) },
                { repeat, PillButtonStyle(tint, true, true) },
                { ButtonLabel::textOnly("Pressed"), PillButtonStyle(tint, true, true) },
                { ButtonLabel::textOnly("Disabled"), PillButtonStyle(tint, false, true) },
            };
            grid->addWidget(new QLabel(name), row, 0);
            for (int column = 0; column < 6; ++column)
                grid->addWidget(new StyledButton(states[column].first, states[column].second), row, column + 1);
            pressed.push_back(static_cast<StyledButton*>(grid->itemAtPosition(row, 5)->widget()));
            grid->itemAtPosition(row, 6)->widget()->setEnabled(false);
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
        EXPECT_FALSE(screenkit::screenshot(&board, "pills-" + appearance).isNull());
        for (StyledButton* held : pressed)
            screenkit::release(held);
    });
}

TEST(ControlPictures, SegmentedChoices)
{
    screenkit::inBothAppearances([](const QString& appearance) {
        QWidget host;
        auto* control = new SegmentedPillControl(
            std::vector<SegmentedPillControl::Option> {
                { QStringLiteral("playback"), QStringLiteral("Playback"), QStringLiteral("play.fill") },
                { QStringLiteral("capture"), QStringLiteral("Capture"),
                    QStringLiteral("dot.radiowaves.left.and.right") } },
            QStringLiteral("playback"), &host);
        control->move(12, 12);
        std::vector<SegmentedPillControl::Option> storage = {
            { 0, QStringLiteral("Local"), QStringLiteral("internaldrive") },
            { 1, QStringLiteral("Cloud"), QStringLiteral("cloud") },
        };
        (new SegmentedPillControl(storage, 1, &host))->move(12, 56);
        host.resize(280, 100);
        host.show();
        QApplication::processEvents();
        const QImage shot = screenkit::screenshot(&host, "segmented-" + appearance);
        const QRect selected = control->segment(0)->geometry().translated(control->pos());
        // The selected capsule is accent-filled near its left end, past the rounded corner.
        EXPECT_TRUE(screenkit::sameColor(
            screenkit::pixelAt(shot, QPoint(selected.left() + selected.height() / 2, selected.top() + 2)),
            AppTheme::accent.color(), 8));
    });
}

TEST(ControlPictures, PanesAndCards)
{
    screenkit::inBothAppearances([](const QString& appearance) {
        QWidget host;
        host.resize(420, 150);
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(16, 16, 16, 16);
        auto* inner = new QWidget;
        auto* innerLayout = new QVBoxLayout(inner);
        innerLayout->setContentsMargins(14, 14, 14, 14);
        auto* header = new QLabel(QStringLiteral("Section header"));
        header->setFont(AppTheme::fontSectionHeader());
        innerLayout->addWidget(header);
        auto padded = [](QWidget* widget) {
            auto* box = new QWidget;
            (new QVBoxLayout(box))->addWidget(widget);
            return box;
        };
        auto* row = new QHBoxLayout;
        row->addWidget(appCard(padded(new QLabel(QStringLiteral("Inactive card"))), false));
        row->addWidget(appCard(padded(new QCheckBox(QStringLiteral("Active card"))), true));
        innerLayout->addLayout(row);
        layout->addWidget(appPane(inner));
        auto* chrome = appWindowChrome(&host);
        chrome->resize(420, 150);
        chrome->show();
        QApplication::processEvents();

        const QImage shot = screenkit::screenshot(chrome, "pane-card-" + appearance);
        EXPECT_TRUE(screenkit::sameColor(screenkit::pixelAt(shot, QPoint(4, 4)), AppTheme::bg.color()));
        EXPECT_EQ(chrome->palette().color(QPalette::Highlight), AppTheme::accent.color());
        chrome->hide();
        host.setParent(nullptr);
        delete chrome;
    });
}

} // namespace ui
