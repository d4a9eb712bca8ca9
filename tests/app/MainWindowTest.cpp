#include "ShellFixture.h"

#include "app/MainWindow.h"
#include "ui/AppPane.h"

#include <QCoreApplication>
#include <QScreen>
#include <QSplitter>

namespace app {
namespace {

using MainWindowTest = ShellFixture;

TEST_F(MainWindowTest, FirstLaunchGetsTheFittedFrameAndAStoredFrameWins)
{
    app().show();
    QCoreApplication::processEvents();
    MainWindow& window = app().mainWindow();
    const QRect available = window.screen()->availableGeometry();
    const QRectF expected = MainWindow::firstLaunchFrame(available);
    EXPECT_EQ(window.geometry().size(),
        QSize(qRound(expected.width()), qRound(expected.height())).expandedTo(QSize(1220, 760)));

    // Move and resize: the frame is saved once the scheduler's debounce runs.
    window.setGeometry(QRect(40, 50, 1300, 800));
    QCoreApplication::processEvents();
    EXPECT_FALSE(defaults.contains(QString::fromLatin1(MainWindow::frameKey)));
    scheduler.advance(1);
    ASSERT_TRUE(defaults.contains(QString::fromLatin1(MainWindow::frameKey)));

    MainWindow second(services.mainWindowEnvironment());
    second.applyWindowDefaults();
    EXPECT_EQ(second.geometry().size(), QSize(1300, 800));
}

TEST_F(MainWindowTest, SidebarWidthFollowsTheStoredFlagAndPlaybackKeepsItsMinimum)
{
    sidebar.setCollapsed(true);
    app().show();
    QCoreApplication::processEvents();
    MainWindow& window = app().mainWindow();
    auto widths = [&] { return window.splitter()->sizes(); };
    EXPECT_EQ(widths().at(0), MainWindow::collapsedSidebarWidth);
    EXPECT_GE(widths().at(1), MainWindow::minimumPlaybackWidth);

    sidebar.setCollapsed(false);
    QCoreApplication::processEvents();

    // The narrowest window still leaves the playback pane its 700.
    window.resize(window.minimumSize());
    QCoreApplication::processEvents();
    EXPECT_EQ(widths().at(0), MainWindow::expandedSidebarWidth);
    EXPECT_GE(widths().at(1), MainWindow::minimumPlaybackWidth);
}

} // namespace
} // namespace app
