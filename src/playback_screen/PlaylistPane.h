#pragma once

// The playlist pane at the bottom of the playback screen: column titles, the list of clips in one
// section per take (a header that collapses the take, marks it good and opens its multi-view,
// then the take's rows), a context menu per row, the actions bar, and the Delete All question.
//
// The pane keeps no playlist data: clips and their flags are the engine's, the collapsed takes
// and the list selection the screen's. The list selection is written to the screen only when the
// user selects a row; rebuilds, removals and collapses restore it from the screen without writing.
//
// Main thread only.

#include "playback_screen/ClipContextMenu.h"
#include "playback_screen/PlaylistRowPainter.h"
#include "playback_screen/TakeGroup.h"

#include <QWidget>

namespace playback_screen {

class PlaybackView;
class PlaylistActionsBar;
class PlaylistDelegate;
class PlaylistListView;
class PlaylistModel;

class PlaylistPane final : public QWidget {
    Q_OBJECT
public:
    explicit PlaylistPane(PlaybackView& screen, QWidget* parent = nullptr);
    ~PlaylistPane() override;

    // The take groups of the playlist now.
    std::vector<TakeGroup> groupedClipsByTake() const;
    void toggleTakeCollapse(const TakeKey& key);
    void collapseAllTakes();
    bool isAllCollapsed() const;

    PlaylistListView* list() const { return list_; }
    PlaylistModel* model() const { return model_; }
    PlaylistDelegate* delegate() const { return delegate_; }
    PlaylistActionsBar* actions() const { return actions_; }

    // What a click on a line's button does (the delegate's requests land here).
    void pressButton(int row, PlaylistRowPainter::Button button);
    // The context menu's entries for the clip of `row`; empty for a header.
    std::vector<ClipMenuEntry> contextMenuEntries(int row) const;
    void runClipMenuAction(ClipMenuAction action, const QUuid& id);

private:
    void multiView(const TakeKey& key);
    void showContextMenu(QPoint pos);
    void restoreSelection();
    void userSelectionChanged();
    void askDeleteAll();

    PlaybackView& screen_;
    PlaylistModel* model_ = nullptr;
    PlaylistDelegate* delegate_ = nullptr;
    PlaylistListView* list_ = nullptr;
    PlaylistActionsBar* actions_ = nullptr;
    // Set while the pane itself moves the list selection: such moves are not the user's.
    bool restoringSelection_ = false;
    bool deleteAllAsked_ = false;
    int savedScroll_ = 0;
};

} // namespace playback_screen
