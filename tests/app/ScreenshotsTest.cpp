#include "SettingsFixture.h"

#include "app/LayoutLogOverlay.h"
#include "app/MainWindow.h"
#include "projects/ui/ProjectLibraryView.h"
#include "projects/ui/SignedOutCloudSync.h"
#include "ui/AppPane.h"
#include "ui/AppTheme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QScrollArea>

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

using ScreenshotsTest = SettingsFixture;

TEST_F(ScreenshotsTest, MainWindowLayoutLogAndSettings)
{
    projects_ui::SignedOutCloudSync cloud;
    ui::FakeDialogService libraryDialogs;
    services.makeLibraryView = [&](QWidget* parent) -> QWidget* {
        return new projects_ui::ProjectLibraryView(
            { library, nullptr, {}, cloud, settings, libraryDialogs, scheduler, folder.path(), QLocale::c() }, parent);
    };
    ui::screenkit::inBothAppearances([&](const QString& appearance) {
        sidebar.setCollapsed(false);
        MainWindow& window = app().mainWindow();
        window.resize(designSize);
        app().show();
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

        layoutLogger.clearEntries();
        window.layoutLogOverlay()->setShown(true);
        QApplication::processEvents();
        ui::screenkit::screenshot(window.layoutLogOverlay(), QStringLiteral("layout_log_empty_") + appearance);
        layoutLogger.record(QStringLiteral("① Left Sidebar (RecordView)"), QSizeF(324, 1014));
        layoutLogger.record(QStringLiteral("② Right Area (PlaybackView)"), QSizeF(1165, 1014));
        scheduler.advance(1);
        layoutLogger.record(QStringLiteral("⑥ Bottom Playlist"), QSizeF(0, 250));
        scheduler.advance(1);
        QApplication::processEvents();
        ui::screenkit::screenshot(&window, QStringLiteral("layout_log_entries_") + appearance);
        window.layoutLogOverlay()->setShown(false);

        library.setLibraryPresented(true);
        QApplication::processEvents();
        const QString folder = ui::screenkit::artifactsFolder();
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            EXPECT_TRUE(withSheet(window).save(
                QDir(folder).filePath(QStringLiteral("app_window_library_") + appearance + QStringLiteral(".png"))));
        }
        library.setLibraryPresented(false);

        settings.setProjectOutputColorMode(settings::ProjectOutputColorMode::rec709);
        SettingsRootView& settingsWindow = openSettings();
        settingsWindow.setSelection(SettingsRootView::Tab::general);
        QApplication::processEvents();
        ui::screenkit::screenshot(&settingsWindow, QStringLiteral("settings_general_") + appearance);
        settings.setProjectOutputColorMode(settings::ProjectOutputColorMode::rec2020PQ);
        settingsWindow.generalScrollArea()->ensureWidgetVisible(
            ui::screenkit::find<QWidget>(settingsWindow.currentPane(), QStringLiteral("hdrRow")));
        QApplication::processEvents();
        ui::screenkit::screenshot(&settingsWindow, QStringLiteral("settings_general_hdr_") + appearance);

        settingsWindow.setSelection(SettingsRootView::Tab::keyboard);
        keyboard->cancelEditing();
        QApplication::processEvents();
        ui::screenkit::screenshot(&settingsWindow, QStringLiteral("settings_keyboard_") + appearance);
        keyboard->beginEditing(settings::PlayerAction::markIn);
        QApplication::processEvents();
        auto* chip = qobject_cast<KeyboardSettingsView*>(settingsWindow.currentPane())
                         ->shortcutButton(settings::PlayerAction::markIn);
        const QImage capturing
            = ui::screenkit::screenshot(&settingsWindow, QStringLiteral("settings_keyboard_capturing_") + appearance);
        // The capturing chip is filled blue at its left end, clear of its text.
        const QColor fill
            = ui::screenkit::pixelAt(capturing, chip->mapTo(&settingsWindow, QPoint(4, chip->height() / 2)));
        EXPECT_GT(fill.blue(), fill.red() + 80);
        settingsWindow.close();
    });
}

} // namespace
} // namespace app
