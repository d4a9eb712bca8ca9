#pragma once

// The menu of a playlist row: route the clip to the program output or take it off again (not
// while a take preview runs), show its file in the file manager, remove it from the list.
// buildClipContextMenu() is pure; makeClipMenu() turns its entries into a QMenu.
//
// Main thread only (makeClipMenu).

#include <QString>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

class QMenu;
class QWidget;

namespace playback_screen {

enum class ClipMenuAction { setOutput, clearOutput, reveal, deleteClip };

struct ClipMenuEntry {
    bool separator = false;
    QString title;
    QString icon;
    bool destructive = false;
    ClipMenuAction action = ClipMenuAction::reveal;
    bool operator==(const ClipMenuEntry&) const = default;
};

struct ClipMenuState {
    std::optional<QUuid> secondaryClipID;
    bool isTakePreviewActive = false;
};

std::vector<ClipMenuEntry> buildClipContextMenu(const QUuid& id, const ClipMenuState& state);

// A menu of `entries` whose items call `run` with their action. The caller owns the menu.
QMenu* makeClipMenu(
    const std::vector<ClipMenuEntry>& entries, std::function<void(ClipMenuAction)> run, QWidget* parent = nullptr);

} // namespace playback_screen
