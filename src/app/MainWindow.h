#pragma once

// The station's main window: the recording pane on the left and the playback pane on the right,
// side by side in a splitter on the window backdrop, the project library as a window-modal sheet
// while the store says it is presented, and the menu bar ("Settings…", "Quit").
//
// The left pane is 324 wide, or 92 while the sidebar is collapsed (animated); the right pane never
// gets narrower than 700 and takes the extra width. The first show puts the playback engine into
// project-selection mode and opens the library, once per window. The frame is stored under
// "NSWindow Frame CorvaleMainWindow"; the first launch gets a frame fitted to the screen.
//
// Main thread only.

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QRectF>

#include <functional>
#include <optional>

class QSplitter;
class QVariantAnimation;

namespace platform {
class NotificationCenter;
class Scheduler;
class UserDefaults;
} // namespace platform
namespace projects {
class ProjectLibraryStore;
}
namespace settings {
class RecordSidebarState;
}
namespace ui {
class AppPane;
class DialogService;
class LayoutLogger;
} // namespace ui

namespace app {

class LayoutLogOverlay;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 1220;
    static constexpr int minimumHeight = 760;
    static constexpr int expandedSidebarWidth = 324;
    static constexpr int collapsedSidebarWidth = 92;
    static constexpr int minimumPlaybackWidth = 700;
    static constexpr int collapseAnimationMs = 180;
    static constexpr const char* frameKey = "NSWindow Frame CorvaleMainWindow";

    struct Environment {
        projects::ProjectLibraryStore& projectLibrary;
        std::function<void()> enterProjectSelectionMode;
        // The library sheet's content, made each time the sheet opens.
        std::function<QWidget*(QWidget* parent)> makeLibraryView;
        settings::RecordSidebarState& sidebar;
        platform::UserDefaults& defaults;
        platform::Scheduler& scheduler;
        // The layout log's logger and notification centre (none: the process-wide ones) and the
        // trigger zone's gesture (none: the keyboard's own state).
        ui::LayoutLogger* layoutLogger = nullptr;
        platform::NotificationCenter* notifications = nullptr;
        std::function<bool()> layoutLogGesture = {};
        // The recording screen of the left pane; none leaves the pane empty.
        std::function<QWidget*()> makeRecordView = {};
        // The playback screen of the right pane; none leaves the pane empty.
        std::function<QWidget*()> makePlaybackView = {};
    };

    explicit MainWindow(Environment environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The first-launch frame on a screen's available area; none: 1520 x 920 with no place.
    static QRectF firstLaunchFrame(const std::optional<QRect>& available);
    // Restores the stored frame, or sizes and centres the window for a first launch. Before the
    // first show.
    void applyWindowDefaults();

    QSplitter* splitter() const { return splitter_; }
    ui::AppPane* recordPane() const { return recordPane_; }
    ui::AppPane* playbackPane() const { return playbackPane_; }
    QDialog* librarySheet() const { return sheet_; }
    LayoutLogOverlay* layoutLogOverlay() const { return layoutLogOverlay_; }
    // The left pane's minimum width now (moves while the collapse animates).
    int sidebarWidth() const;

signals:
    // "Settings…" was chosen.
    void settingsRequested();
    // "Quit" was chosen or the window was asked to close: the shell runs its quit path.
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void setSidebarWidth(int width);
    // Keeps the left pane's width (a dragged one too) within what the window leaves it.
    void keepSidebarWidth();
    void animateSidebar(bool collapsed);
    void syncLibrarySheet(bool presented);
    void scheduleFrameSave();
    void saveFrame();

    Environment env_;
    QSplitter* splitter_ = nullptr;
    ui::AppPane* recordPane_ = nullptr;
    ui::AppPane* playbackPane_ = nullptr;
    QPointer<QDialog> sheet_;
    QVariantAnimation* sidebarAnimation_ = nullptr;
    LayoutLogOverlay* layoutLogOverlay_ = nullptr;
    bool didPresentLibrary_ = false;
    std::optional<std::uint64_t> pendingFrameSave_;
};

} // namespace app
