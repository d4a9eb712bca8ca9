#pragma once

// The one way screens ask the user something outside their own window: alerts and file panels.
// Requests return at once; the answer arrives later, on the main thread, through the callback
// (never by running a nested event loop). Tests install a fake that records each request and
// answers it without showing anything.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace ui {

struct AlertButton {
    enum class Role { normal, cancel, destructive };
    QString title;
    Role role = Role::normal;

    bool operator==(const AlertButton&) const = default;
};

struct AlertRequest {
    QString title;
    QString message;
    // In the order shown; an alert without buttons gets a single "OK".
    std::vector<AlertButton> buttons;
};

struct OpenPanelRequest {
    QString title;
    QString directory; // where the panel starts; empty for the last place used
    QStringList nameFilters; // e.g. "Movies (*.mov *.mp4)"; empty for every file
    bool chooseDirectories = false;
    bool allowsMultipleSelection = false;
    // With chooseDirectories: a folder or a file (of the name filters) in the same panel.
    bool alsoChooseFiles = false;
    QString message; // a line of explanation under the title; empty for none
    QString prompt; // the confirm button's text; empty for the panel's own
};

struct SavePanelRequest {
    QString title;
    QString directory;
    QString suggestedName;
    QStringList nameFilters;
};

class DialogService {
public:
    virtual ~DialogService() = default;

    // Shows an alert over `parent`'s window; `done` gets the index of the chosen button in
    // `request.buttons` (0 for the implicit "OK").
    virtual void showAlert(QWidget* parent, const AlertRequest& request, std::function<void(int button)> done) = 0;

    // Lets the user pick existing files or folders; `done` gets absolute paths, empty when cancelled.
    virtual void showOpenPanel(
        QWidget* parent, const OpenPanelRequest& request, std::function<void(const QStringList& paths)> done)
        = 0;

    // Lets the user choose where to save; `done` gets the absolute path, none when cancelled.
    virtual void showSavePanel(
        QWidget* parent, const SavePanelRequest& request, std::function<void(const std::optional<QString>& path)> done)
        = 0;
};

} // namespace ui
