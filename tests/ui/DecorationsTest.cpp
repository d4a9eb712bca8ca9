// Panes, cards and the window backdrop: drawn behind and over their content without moving it,
// outlines that let clicks through, and the pane's shadow kept under the pane.

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

TEST(AppPane, ShadowFollowsThePaneInItsParentAndStaysUnderIt)
{
    screenkit::prepare();
    QWidget host;
    host.resize(300, 200);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(40, 40, 40, 40);
    auto* content = new QLabel(QStringLiteral("Pane"));
    auto* pane = appPane(content);
    layout->addWidget(pane);
    host.show();
    QApplication::processEvents();

    QWidget* shadow = pane->shadowWidget();
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->parentWidget(), &host);
    EXPECT_TRUE(shadow->geometry().contains(pane->geometry()));
    EXPECT_GT(shadow->geometry().bottom(), pane->geometry().bottom() + 2) << "the shadow reaches below the pane";
    EXPECT_LT(host.children().indexOf(shadow), host.children().indexOf(pane));
    EXPECT_TRUE(shadow->testAttribute(Qt::WA_TransparentForMouseEvents));

    host.resize(400, 260);
    QApplication::processEvents();
    EXPECT_TRUE(shadow->geometry().contains(pane->geometry()));
    pane->hide();
    EXPECT_FALSE(shadow->isVisible());

    // Moving the pane to another parent takes the shadow along; deleting the pane removes it.
    QWidget other;
    pane->setParent(&other);
    pane->show();
    ASSERT_NE(pane->shadowWidget(), nullptr);
    EXPECT_EQ(pane->shadowWidget()->parentWidget(), &other);
    EXPECT_EQ(host.findChildren<QWidget*>(QStringLiteral("paneShadow")).size(), 0);
    delete pane;
    EXPECT_EQ(other.findChildren<QWidget*>(QStringLiteral("paneShadow")).size(), 0);
}

} // namespace ui
