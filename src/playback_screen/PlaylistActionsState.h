#pragma once

// What the playlist actions offer at a given moment: which of them can be used and what the
// collapse control says. Pure; the bar asks it each time the playlist, the list selection or the
// collapsed takes change.

#include "playback_screen/TakeGroup.h"

#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace playback_screen {

struct PlaylistActionsState {
    bool deleteClipEnabled = false;
    bool deleteAllEnabled = false;
    bool exportEnabled = false;
    bool collapseEnabled = false;
    // Every group is collapsed: the control expands them all.
    bool collapseExpands = false;

    QString collapseTitle(bool compact) const;
    QString collapseSymbol() const;
    bool operator==(const PlaylistActionsState&) const = default;
};

PlaylistActionsState actionsState(const std::optional<QUuid>& uiSelectedClipID, int clipCount, int goodClipsCount,
    const std::vector<TakeGroup>& groups, const TakeKeySet& collapsedTakes);

} // namespace playback_screen
