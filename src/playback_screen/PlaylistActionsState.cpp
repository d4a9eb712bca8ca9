#include "playback_screen/PlaylistActionsState.h"

namespace playback_screen {

QString PlaylistActionsState::collapseTitle(bool compact) const
{
    if (collapseExpands)
        return compact ? QStringLiteral("Expand") : QStringLiteral("Expand All");
    return compact ? QStringLiteral("Collapse") : QStringLiteral("Collapse All");
}

QString PlaylistActionsState::collapseSymbol() const
{
    return collapseExpands ? QStringLiteral("chevron.down.2") : QStringLiteral("chevron.right.2");
}

PlaylistActionsState actionsState(const std::optional<QUuid>& uiSelectedClipID, int clipCount, int goodClipsCount,
    const std::vector<TakeGroup>& groups, const TakeKeySet& collapsedTakes)
{
    PlaylistActionsState state;
    state.deleteClipEnabled = uiSelectedClipID.has_value();
    state.deleteAllEnabled = clipCount > 0;
    state.exportEnabled = goodClipsCount > 0;
    state.collapseEnabled = !groups.empty();
    state.collapseExpands = isAllCollapsed(groups, collapsedTakes);
    return state;
}

} // namespace playback_screen
