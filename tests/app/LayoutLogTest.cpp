// The main window's dividers are remembered for the next window.

#include "ShellFixture.h"

#include "app/MainWindow.h"
#include "ui/SplitViewMemory.h"

#include <QSplitter>

namespace app {
namespace {

using LayoutLogTest = ShellFixture;

TEST_F(LayoutLogTest, ADraggedDividerComesBackInTheNextWindow)
{
    MainWindow& window = app().mainWindow();
    window.resize(1519, 1036);
    app().show();
    QApplication::processEvents();
    QSplitter* splitter = window.splitter();
    QWidget* handle = splitter->handle(1);
    ui::screenkit::press(handle);
    ui::screenkit::moveMouse(handle, handle->rect().center() + QPoint(60, 0), Qt::LeftButton);
    ui::screenkit::release(handle, handle->rect().center() + QPoint(60, 0));
    const int dragged = splitter->sizes().at(0);
    EXPECT_GT(dragged, MainWindow::expandedSidebarWidth);
    ASSERT_TRUE(defaults.contains(ui::splitViewKey(QStringLiteral("main"))));

    MainWindow second(services.mainWindowEnvironment());
    second.resize(1519, 1036);
    second.show();
    QApplication::processEvents();
    EXPECT_EQ(second.splitter()->sizes().at(0), dragged);
    second.resize(1600, 1036);
    QApplication::processEvents();
    EXPECT_EQ(second.splitter()->sizes().at(0), dragged) << "a wider window widens the playback side";
}

} // namespace
} // namespace app
