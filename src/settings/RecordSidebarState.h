#pragma once

// Whether the recording sidebar is collapsed: the stored Boolean "recordSidebarCollapsed" (default
// false), written by the sidebar's collapse and expand buttons and read by the main window to size
// its left pane. One shared instance so every reader hears each change.
//
// Main thread only.

#include <QObject>

namespace platform {
class UserDefaults;
}

namespace settings {

class RecordSidebarState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isCollapsed READ isCollapsed WRITE setCollapsed NOTIFY isCollapsedChanged)
public:
    static constexpr const char* key = "recordSidebarCollapsed";

    explicit RecordSidebarState(platform::UserDefaults& defaults, QObject* parent = nullptr);
    static RecordSidebarState& shared();

    bool isCollapsed() const { return collapsed_; }
    // Saves at once; signals only a real change.
    void setCollapsed(bool collapsed);

signals:
    void isCollapsedChanged(bool collapsed);

private:
    platform::UserDefaults& defaults_;
    bool collapsed_;
};

} // namespace settings
