// Panes, cards and the window backdrop: drawn behind and over their content without moving it,
// outlines that let clicks through, and the pane's shadow kept under the pane.

#include "kit/ScreenKit.h"
#include "settings/ui/AppCard.h"
#include "settings/ui/AppPane.h"
#include "settings/ui/AppTheme.h"
#include "settings/ui/AppWindowChrome.h"
#include "settings/ui/BorderOverlay.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

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

TEST(AppPane, OutlineLiesOverTheContentButClicksReachTheControlsBeneath)
{
    QPushButton* button = nullptr;
    auto pane = screenkit::showWidget<AppPane>(QSize(160, 60), contentWithEdgeButton(&button));
    ASSERT_EQ(pane->content()->geometry(), QRect(0, 0, 160, 60)) << "the pane adds no padding";

    // The outline is the topmost child, drawn over the content.
    EXPECT_EQ(pane->children().last(), pane->border());
    EXPECT_EQ(pane->border()->geometry(), pane->rect());
    // A new child added later does not cover it.
    auto* late = new QLabel(QStringLiteral("late"), pane.get());
    late->show();
    EXPECT_EQ(pane->children().last(), pane->border());

    // A click on the outline's stroke lands on the button under it.
    EXPECT_EQ(pane->childAt(QPoint(0, 30)), button);
    QSignalSpy clicked(button, &QPushButton::clicked);
    screenkit::click(button, QPoint(0, 20));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(pane->border()->strokeColor(), AppTheme::border);
    EXPECT_DOUBLE_EQ(pane->border()->lineWidth(), 0.5);
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

TEST(AppCard, ActivatingChangesOnlyTheOutline)
{
    QPushButton* button = nullptr;
    auto card = screenkit::showWidget<AppCard>(QSize(160, 60), contentWithEdgeButton(&button), false);
    const QRect contentBefore = card->content()->geometry();
    const QRect buttonBefore = button->geometry();
    const QSize sizeBefore = card->sizeHint();
    EXPECT_EQ(card->border()->strokeColor(), AppTheme::border);
    EXPECT_DOUBLE_EQ(card->border()->lineWidth(), 0.5);

    card->setActive(true);
    QApplication::processEvents();
    EXPECT_TRUE(card->isActive());
    EXPECT_EQ(card->border()->strokeColor(), AppTheme::borderStrong);
    EXPECT_DOUBLE_EQ(card->border()->lineWidth(), 1.0);
    EXPECT_EQ(card->content()->geometry(), contentBefore);
    EXPECT_EQ(button->geometry(), buttonBefore);
    EXPECT_EQ(card->sizeHint(), sizeBefore);
    EXPECT_EQ(card->childAt(QPoint(0, 30)), button);
}

TEST(AppCard, ScreenshotsInBothAppearances)
{
    for (auto mode : { AppearanceMode::light, AppearanceMode::dark }) {
        screenkit::prepare();
        AppTheme::apply(mode);
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
        auto* row = new QHBoxLayout;
        auto* plain = new QWidget;
        auto* plainLayout = new QVBoxLayout(plain);
        plainLayout->addWidget(new QLabel(QStringLiteral("Inactive card")));
        auto* active = new QWidget;
        auto* activeLayout = new QVBoxLayout(active);
        activeLayout->addWidget(new QCheckBox(QStringLiteral("Active card")));
        row->addWidget(appCard(plain, false));
        row->addWidget(appCard(active, true));
        innerLayout->addLayout(row);
        layout->addWidget(appPane(inner));
        auto* chrome = appWindowChrome(&host);
        chrome->resize(420, 150);
        chrome->show();
        QApplication::processEvents();

        const bool dark = mode == AppearanceMode::dark;
        const QImage shot = screenkit::screenshot(
            chrome, dark ? QStringLiteral("pane-card-dark") : QStringLiteral("pane-card-light"));
        EXPECT_TRUE(screenkit::sameColor(screenkit::pixelAt(shot, QPoint(4, 4)), AppTheme::bg.color()));
        EXPECT_EQ(chrome->palette().color(QPalette::Highlight), AppTheme::accent.color());
        chrome->hide();
        host.setParent(nullptr);
        delete chrome;
    }
}
