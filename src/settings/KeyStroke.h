#pragma once

// Qt key events in the stored form of key bindings: the original desktop platform's virtual key
// codes (positions on an ANSI keyboard: 38 is J, 49 the space bar) and its modifier flag bits.
//
// Ctrl plays the Command key's role, as Qt arranges on that platform: Qt's ControlModifier becomes
// Command, MetaModifier (the Super/Windows key) becomes Control, Alt becomes Option. Keys on the
// numeric keypad carry the numeric-pad flag; arrows, function keys and the navigation block carry
// the function flag (arrows also the numeric-pad flag), as that platform's key events do.

#include <Qt>

#include <cstdint>
#include <optional>

namespace settings {

struct KeyStroke {
    std::uint16_t keyCode = 0;
    std::uint64_t modifiers = 0; // device-independent bits only
    bool operator==(const KeyStroke&) const = default;
};

// None for keys without a virtual key code (pure modifier keys, media keys, unknown keys).
// Shifted symbols map to their key's code ("!" is the 1 key), so a binding made with Shift held
// matches the same physical key.
std::optional<KeyStroke> keyStrokeFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// The modifier flag bits of a set of Qt modifiers (no key-dependent bits).
std::uint64_t modifierFlagsFromQt(Qt::KeyboardModifiers modifiers);

} // namespace settings
