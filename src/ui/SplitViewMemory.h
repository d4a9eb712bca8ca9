#pragma once

// Remembered divider positions: a splitter's state is stored under "splitView/<name>" in the user
// defaults each time the user drags one of its dividers (never when the program moves them, and
// not at quit), and given back when the splitter is set up again. The layout log's reset removes
// the whole "splitView" group.
//
// Main thread only.

#include <QString>

class QSplitter;

namespace platform {
class UserDefaults;
}

namespace ui {

inline constexpr const char* splitViewGroup = "splitView";

// The key a splitter's state is stored under.
QString splitViewKey(const QString& name);

// Restores `splitter`'s stored state now (false when there is none or it does not fit) and stores
// the state after every divider drag from then on.
bool rememberSplitView(QSplitter& splitter, const QString& name, platform::UserDefaults& defaults);

} // namespace ui
