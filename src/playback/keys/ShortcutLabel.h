#pragma once

// The text a person reads for a bound key, in the desktop's usual form ("Shift+M", "Ctrl+J"),
// and the key's own label as stored in a binding. The shortcut manager and the keyboard settings
// pane both use these, so a key reads the same everywhere.

#include "settings/KeyBinding.h"

#include <QString>

#include <cstdint>

namespace playback {

// "Ctrl+", "Alt+", "Shift+", "Meta+" for the modifiers present (Command is the Ctrl key, Control
// the Meta key), always in that order, then the key's label.
QString shortcutLabel(std::uint64_t modifiers, const QString& keyLabel);
QString shortcutLabel(const settings::KeyBinding& binding);

// The stored label of a key: "Space" for the space bar; otherwise the key's own name regardless
// of modifiers ("J", "F5", "Left"; single characters upper-case); otherwise the typed text
// upper-cased; otherwise "KeyCode "
// and the key code.
QString keyLabel(int qtKey, const QString& text, std::uint16_t keyCode);

} // namespace playback
