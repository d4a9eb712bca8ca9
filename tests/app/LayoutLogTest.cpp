// The layout log in the main window: the trigger zone with and without its gesture, the overlay's
// place, rows, hint and buttons (caption timers on the manual scheduler), and remembered dividers.

#include "ShellFixture.h"

#include "app/LayoutLogOverlay.h"
#include "app/LayoutLogTriggerZone.h"
#include "app/MainWindow.h"
#include "ui/AppPane.h"
#include "ui/SplitViewMemory.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QSplitter>

namespace app {
namespace {

class LayoutLogTest : public ShellFixture {
protected:
    LayoutLogTest()
    {
        services.layoutLogGesture = [this] { return gesture; };
    }
    MainWindow& window()
    {
        if (!app().mainWindow().isVisible()) {
            app().mainWindow().resize(1519, 1036);
            app().show();
            QApplication::processEvents();
        }
        return app().mainWindow();
    }
    // A click inside the zone lands on whatever widget lies there.
    void clickZone()
    {
        QWidget* host = window().layoutLogOverlay()->parentWidget();
        const QPoint point = LayoutLogTriggerZone::zoneRect.center();
        QWidget* under = host->childAt(point);
        ui::screenkit::click(under ? under : host, (under ? under : host)->mapFrom(host, point));
    }

    bool gesture = false;
};

TEST_F(LayoutLogTest, TheGestureTogglesTheOverlayAtTheBottomRight)
{
    LayoutLogOverlay* overlay = window().layoutLogOverlay();
    clickZone();
    EXPECT_FALSE(overlay->isShown()) << "a plain click does nothing";
    gesture = true;
    clickZone();
    ASSERT_TRUE(overlay->isShown());
    const QWidget* host = overlay->parentWidget();
    EXPECT_EQ(overlay->geometry().right() + 1, host->width() - 12);
    EXPECT_EQ(overlay->geometry().bottom() + 1, host->height() - 12);

    ui::screenkit::click(overlay->closeButton());
    EXPECT_FALSE(overlay->isShown());
    clickZone();
    clickZone();
    EXPECT_FALSE(overlay->isShown()) << "a second gesture click hides it again";
}

TEST_F(LayoutLogTest, RowsCopyClearAndReset)
{
    LayoutLogOverlay* overlay = window().layoutLogOverlay();
    scheduler.advance(1); // the panes' first sizes
    ASSERT_EQ(layoutLogger.entries().size(), 2);
    layoutLogger.record(QStringLiteral("⑥ Bottom Playlist"), QSizeF(0, 250));
    scheduler.advance(1);
    const QStringList rows = overlay->rowTexts();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.first(), QStringLiteral("09:00:00 | ⑥ Bottom Playlist | H:250")) << "newest first, no W: at 0";

    ui::screenkit::click(overlay->copyButton());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), layoutLogger.logSummary());
    EXPECT_EQ(overlay->copyButton()->text(), QStringLiteral("Copied!"));
    scheduler.advance(1.0);
    ui::screenkit::click(overlay->copyButton());
    scheduler.advance(0.5);
    EXPECT_EQ(overlay->copyButton()->text(), QStringLiteral("Copy")) << "the first press's timer ends it";

    ui::screenkit::click(overlay->clearButton());
    EXPECT_TRUE(overlay->hint()->isVisibleTo(overlay));

    for (const char* key : { "splitView/main", "NSSplitView Subview Frames main", MainWindow::frameKey, "nssplitview" })
        defaults.set(QString::fromLatin1(key), QByteArray("x"));
    int posted = 0;
    notifications.addObserver(QStringLiteral("CorvaleResetSplitViews"), nullptr, [&](const QVariantMap&) { ++posted; });
    ui::screenkit::click(overlay->resetButton());
    EXPECT_EQ(posted, 1);
    for (const auto& [key, kept] :
        { std::pair("splitView/main", false), std::pair("NSSplitView Subview Frames main", false),
            std::pair(MainWindow::frameKey, true), std::pair("nssplitview", true) })
        EXPECT_EQ(defaults.contains(QString::fromLatin1(key)), kept) << key;
    EXPECT_EQ(overlay->resetButton()->text(), QStringLiteral("Reset!"));
    scheduler.advance(2);
    EXPECT_EQ(overlay->resetButton()->text(), QStringLiteral("Reset Layout"));
}

TEST_F(LayoutLogTest, ADraggedDividerComesBackInTheNextWindow)
{
    QSplitter* splitter = window().splitter();
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
