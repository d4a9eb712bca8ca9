#pragma once

// The playback screen: review of recorded clips and control of the program output, the right-hand
// screen of the main window. It owns the screen's view state (centre mode, transport and HUD
// switches, the playlist's own selection, collapsed takes, open alerts), lays its three panes out
// in splitters (centre pane and inspector side by side over the playlist, which capture mode
// removes together with its divider), carries the hooks that keep the list selection, centre mode
// and output clip in step with the models, and asks the screen-wide questions (saving before the
// project library opens, the output warning).
//
// The member views are built in the files of their concern:
//   PlaybackView.cpp            state, layout, project title, the two alerts; the centre pane
//                               is a MainPane (header, picture area, timeline, transport)
//   PlaybackView_Capture.cpp    the capture live view (placeholder until it is built)
//   PlaybackView_TakeView.cpp   the take multi-view (placeholder until it is built)
//   PlaybackView_Inspector.cpp  the inspector pane (placeholder until it is built)
//   PlaybackView_Playlist.cpp   the playlist pane (PlaylistPane)
//
// Main thread only. Views read the models and this screen's state; controls call model methods
// from user-only signals and the screen's setters, which emit on every real change.

#include "playback_screen/CenterMode.h"
#include "playback_screen/PlaybackScreenModels.h"

#include <QUuid>
#include <QWidget>

#include <optional>
#include <set>

class QScrollArea;
class QSplitter;

namespace ui {
class PaneChrome;
}

namespace playback_screen {

class PlaybackViewHooks;

class PlaybackView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int rootPadding = 12;
    static constexpr int panePadding = 14;
    static constexpr int centreMinimumWidth = 560;
    static constexpr int centreMinimumHeight = 520;
    static constexpr int inspectorMinimumWidth = 300;
    static constexpr int inspectorIdealWidth = 360;
    static constexpr int inspectorMaximumWidth = 520;
    static constexpr int playlistMinimumHeight = 220;
    static constexpr int playlistTopPadding = 2;

    explicit PlaybackView(PlaybackScreenModels models, QWidget* parent = nullptr);
    ~PlaybackView() override;

    const PlaybackScreenModels& models() const { return models_; }

    // --- Screen state (view state: starts afresh with each screen) ---
    CenterMode centerMode() const { return centerMode_; }
    void setCenterMode(CenterMode mode);
    bool showTransportUI() const { return showTransportUI_; }
    void setShowTransportUI(bool show);
    bool hideHUD() const { return hideHUD_; }
    void setHideHUD(bool hide);
    // The playlist list's own selection, kept in step with the model's by the hooks.
    const std::optional<QUuid>& uiSelectedClipID() const { return uiSelectedClipID_; }
    void setUiSelectedClipID(const std::optional<QUuid>& id);
    // Take keys (take number, none for clips without one) whose playlist sections are collapsed.
    const std::set<std::optional<qint64>>& collapsedTakes() const { return collapsedTakes_; }
    void setCollapsedTakes(const std::set<std::optional<qint64>>& takes);
    bool showConfirmDeleteAll() const { return showConfirmDeleteAll_; }
    void setShowConfirmDeleteAll(bool show);
    bool showSupportPopover() const { return showSupportPopover_; }
    void setShowSupportPopover(bool show);
    bool showProjectLibraryConfirm() const { return showProjectLibraryConfirm_; }
    // The stored "recordSidebarCollapsed", read only.
    bool isRecordCollapsed() const;

    // --- Actions and derived texts ---
    // The header's library button: asks to save unsaved playlist changes first.
    void openProjectLibrary();
    // "<project name or No Project> • <format display name>".
    QString projectTitleText() const;

    // --- Panes, for the layout log and tests ---
    QSplitter* verticalSplitter() const { return vertical_; }
    QSplitter* topSplitter() const { return top_; }
    ui::PaneChrome* centrePane() const { return centrePane_; }
    ui::PaneChrome* inspectorPane() const { return inspectorPane_; }
    ui::PaneChrome* playlistPane() const { return playlistPane_; }
    PlaybackViewHooks* hooks() const { return hooks_; }

    // --- Member views (one file per concern, see above) ---
    // The centre pane's content: header bar, picture area, timeline and transport.
    QWidget* makePlaybackMainPane();
    // The capture live view at full size or small (the output preview's).
    QWidget* makeCaptureLiveView(bool isMini);
    // The take tiles of a take preview, as one wide row or as a grid, with the viewer's corner
    // radius; the viewer offers them its area less 2 points all round.
    QWidget* makeTakeMultiView(bool isMini, bool wideRow, double cornerRadius);
    // The inspector's content (it is placed in a scroll area by the root).
    QWidget* makePlaybackInspectorPane();
    // The playlist pane's content.
    QWidget* makePlaybackPlaylistPane();

signals:
    void centerModeChanged(playback_screen::CenterMode mode);
    void showTransportUIChanged(bool show);
    void hideHUDChanged(bool hide);
    void uiSelectedClipIDChanged(const std::optional<QUuid>& id);
    void collapsedTakesChanged();
    void showConfirmDeleteAllChanged(bool show);
    void showSupportPopoverChanged(bool show);
    // The project, its format or the settings' format changed: projectTitleText() may differ.
    void projectTitleChanged();
    // The playlist's Settings control was used: the shell opens the settings window.
    void settingsRequested();

private:
    void buildLayout();
    void applyCenterMode();
    void askToSaveBeforeLibrary();
    void presentLibrary();
    void showOutputWarningIfRaised();

    PlaybackScreenModels models_;
    CenterMode centerMode_ = CenterMode::playback;
    bool showTransportUI_ = true;
    bool hideHUD_ = false;
    std::optional<QUuid> uiSelectedClipID_;
    std::set<std::optional<qint64>> collapsedTakes_;
    bool showConfirmDeleteAll_ = false;
    bool showSupportPopover_ = false;
    bool showProjectLibraryConfirm_ = false;
    bool outputWarningShowing_ = false;

    QSplitter* vertical_ = nullptr;
    QSplitter* top_ = nullptr;
    ui::PaneChrome* centrePane_ = nullptr;
    ui::PaneChrome* inspectorPane_ = nullptr;
    QScrollArea* inspectorScroll_ = nullptr;
    ui::PaneChrome* playlistPane_ = nullptr;
    PlaybackViewHooks* hooks_ = nullptr;
};

} // namespace playback_screen
