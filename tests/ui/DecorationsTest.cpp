// Panes and cards: drawn behind and over their content without moving it, with outlines that let
// clicks through.

#include "kit/ScreenKit.h"
#include "ui/AppCard.h"
#include "ui/AppPane.h"
#include "ui/AppTheme.h"
#include "ui/AppWindowChrome.h"
#include "ui/BorderOverlay.h"
#include "ui/PaneChrome.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace ui {

namespace {

// A content widget with a button flush against its left edge.
QWidget* contentWithEdgeButton(QPushButton** button)
{
    auto* content = new QWidget;
    content->setFixedSize(160, 60);
    *button = new QPushButton(QStringLiteral("Edge"), content);
    (*button)->setGeometry(0, 10, 60, 40);
    return content;
}

} // namespace

TEST(AppPaneAndCard, OutlinesLieOverTheContentButClicksReachTheControlsBeneath)
{
    QPushButton* paneButton = nullptr;
    QPushButton* cardButton = nullptr;
    auto pane = screenkit::showWidget<AppPane>(QSize(160, 60), contentWithEdgeButton(&paneButton));
    auto card = screenkit::showWidget<AppCard>(QSize(160, 60), contentWithEdgeButton(&cardButton), false);
    const std::pair<QWidget*, QPushButton*> decorated[] = { { pane.get(), paneButton }, { card.get(), cardButton } };
    for (auto [widget, button] : decorated) {
        SCOPED_TRACE(widget->objectName().toStdString());
        auto* border = widget->findChild<BorderOverlay*>();
        ASSERT_NE(border, nullptr);
        EXPECT_EQ(button->parentWidget()->geometry(), QRect(0, 0, 160, 60)) << "no padding";
        EXPECT_EQ(border->geometry(), widget->rect());
        // The outline stays the topmost child, also over a child added later.
        auto* late = new QLabel(QStringLiteral("late"), widget);
        late->show();
        EXPECT_EQ(widget->children().last(), border);
        // A click on the outline's stroke lands on the button under it.
        EXPECT_EQ(widget->childAt(QPoint(0, 30)), button);
        QSignalSpy clicked(button, &QPushButton::clicked);
        screenkit::click(button, QPoint(0, 20));
        EXPECT_EQ(clicked.count(), 1);
    }

    // Activating a card changes only its outline.
    const QRect buttonBefore = cardButton->geometry();
    const QSize sizeBefore = card->sizeHint();
    card->setActive(true);
    QApplication::processEvents();
    EXPECT_EQ(card->border()->strokeColor(), AppTheme::borderStrong);
    EXPECT_EQ(card->content()->geometry(), QRect(0, 0, 160, 60));
    EXPECT_EQ(cardButton->geometry(), buttonBefore);
    EXPECT_EQ(card->sizeHint(), sizeBefore);
    EXPECT_EQ(card->childAt(QPoint(0, 30)), cardButton);
}

TEST(PaneChrome, FillsItsPlaceWithSmallContentAtTheTopLeft)
{
    QWidget host;
    auto* small = new QWidget;
    small->setFixedSize(120, 40);
    auto* chrome = new PaneChrome(small, &host);
    chrome->setGeometry(0, 0, 400, 300);
    host.resize(400, 300);
    host.show();
    QApplication::processEvents();
    EXPECT_EQ(chrome->size(), QSize(400, 300));
    EXPECT_EQ(small->geometry(), QRect(0, 0, 120, 40));
}

} // namespace ui
