#pragma once

// Offers, once per launch after the main window first shows, to add the station to the desktop's
// applications menu: "Install Corvale" with "Add to Applications Menu" (the default) and "Not Now".
// Accepting writes "corvale.desktop", starting the running binary (or the AppImage it came from),
// atomically into the user's applications folder; a failed write says "Move failed". Nothing is
// asked for an installed binary (under /usr or /opt), when the entry already exists, from a build
// tree, without a real display, or when CORVALE_NO_INSTALL_PROMPT is set.
//
// Main thread only; the alerts go through the dialog service and answer later.

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace ui {
class DialogService;
}

namespace app {

class AppInstallHelper {
public:
    static constexpr const char* entryName = "corvale.desktop";

    // What the decision reads, taken from the process unless a test gives its own.
    struct Environment {
        QString executablePath; // the binary the entry starts: the running one or $APPIMAGE
        QString applicationsFolder; // where menu entries go (the user's applications folder)
        QString platformName; // the Qt platform plugin ("xcb", "wayland", "offscreen", ...)
        std::function<std::optional<QString>(const char* name)> variable; // the process environment
    };
    static Environment fromProcess();

    // The only entry point: checks, asks and writes the entry on consent.
    static void promptToMoveToApplicationsIfNeeded(
        const Environment& environment, ui::DialogService& dialogs, QWidget* parent);

    // A run that should not be asked: no display, offscreen, a build tree or the opt-out variable.
    static bool isDevelopmentRun(const Environment& environment);
    // The station is already installed: under /usr or /opt, or its menu entry exists.
    static bool isInApplicationsFolder(const Environment& environment);
    // Writes the menu entry; on failure shows "Move failed". True when the entry was written.
    static bool moveToApplications(const Environment& environment, ui::DialogService& dialogs, QWidget* parent);

    // The entry's text for a binary, or none when the path cannot be written into one.
    static std::optional<QString> desktopEntry(const QString& executablePath);
};

} // namespace app
