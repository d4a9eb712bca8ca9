#include "ShellFixture.h"

#include "app/MainWindow.h"
#include "projects/ui/ProjectLibraryView.h"
#include "projects/ui/SignedOutCloudSync.h"
#include "ui/AppPane.h"
#include "ui/AppTheme.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QSplitter>

namespace app {
namespace {

// The window at the size the panes were designed for.
const QSize designSize(1519, 1036);

// The window with the sheet drawn over it where the desktop would put it (top centre).
QImage withSheet(MainWindow& window)
{
    QImage image = window.grab().toImage();
    QDialog* sheet = window.librarySheet();
    if (!sheet)
        return image;
    const QImage sheetImage = sheet->grab().toImage();
    QPainter painter(&image);
    const double dpr = image.devicePixelRatio();
    painter.drawImage(QPointF((window.width() - sheet->width()) / 2.0 * dpr, 0), sheetImage);
    return image;
}

using ScreenshotsTest = ShellFixture;

TEST_F(ScreenshotsTest, MainWindowExpandedCollapsedAndWithTheLibrary)
{
    projects_ui::SignedOutCloudSync cloud;
    ui::FakeDialogService libraryDialogs;
    services.makeLibraryView = [&](QWidget* parent) -> QWidget* {
        return new projects_ui::ProjectLibraryView(
            { library, nullptr, {}, cloud, settings, libraryDialogs, scheduler, folder.path(), QLocale::c() }, parent);
    };
    ui::screenkit::inBothAppearances([&](const QString& appearance) {
        application.reset();
        sidebar.setCollapsed(false);
        library.setLibraryPresented(false);
        services.log.clear();
        CorvaleApp& corvale = app();
        MainWindow& window = corvale.mainWindow();
        window.resize(designSize);
        window.show();
        QApplication::processEvents();
        if (QDialog* sheet = window.librarySheet())
            sheet->reject();
        QApplication::processEvents();

        const QImage expanded = ui::screenkit::screenshot(&window, QStringLiteral("app_window_expanded_") + appearance);
        // The backdrop shows in the margin around the panes.
        const QPoint margin = window.centralWidget()->mapTo(&window, QPoint(4, 200));
        EXPECT_TRUE(ui::screenkit::sameColor(
            ui::screenkit::pixelAt(expanded, margin), ui::ThemeColor(ui::AppTheme::bg).color(), 8));

        sidebar.setCollapsed(true);
        QApplication::processEvents();
        EXPECT_EQ(window.recordPane()->width(), MainWindow::collapsedSidebarWidth);
        ui::screenkit::screenshot(&window, QStringLiteral("app_window_collapsed_") + appearance);

        sidebar.setCollapsed(false);
        library.setLibraryPresented(true);
        QApplication::processEvents();
        const QString folder = ui::screenkit::artifactsFolder();
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            EXPECT_TRUE(withSheet(window).save(
                QDir(folder).filePath(QStringLiteral("app_window_library_") + appearance + QStringLiteral(".png"))));
        }
        corvale.quit();
    });
}

} // namespace
} // namespace app
