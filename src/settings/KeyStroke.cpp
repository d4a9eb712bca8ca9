#include "settings/KeyStroke.h"

#include "settings/KeyBinding.h"

#include <array>

namespace settings {

namespace {

constexpr std::uint64_t kFunction = ModifierFlag::function;
constexpr std::uint64_t kArrow = ModifierFlag::function | ModifierFlag::numericPad;

struct KeyMapping {
    int qtKey;
    std::uint16_t code;
    std::uint64_t extraFlags = 0;
};

// Keys of the main block by their ANSI positions (with the symbols Shift makes of them on a US
// layout), then the editing, navigation and function keys.
// clang-format off
constexpr std::array kMainKeys = std::to_array<KeyMapping>({
    { Qt::Key_A, 0 }, { Qt::Key_S, 1 }, { Qt::Key_D, 2 }, { Qt::Key_F, 3 }, { Qt::Key_H, 4 }, { Qt::Key_G, 5 },
    { Qt::Key_Z, 6 }, { Qt::Key_X, 7 }, { Qt::Key_C, 8 }, { Qt::Key_V, 9 }, { Qt::Key_B, 11 }, { Qt::Key_Q, 12 },
    { Qt::Key_W, 13 }, { Qt::Key_E, 14 }, { Qt::Key_R, 15 }, { Qt::Key_Y, 16 }, { Qt::Key_T, 17 }, { Qt::Key_O, 31 },
    { Qt::Key_U, 32 }, { Qt::Key_I, 34 }, { Qt::Key_P, 35 }, { Qt::Key_L, 37 }, { Qt::Key_J, 38 }, { Qt::Key_K, 40 },
    { Qt::Key_N, 45 }, { Qt::Key_M, 46 },
    { Qt::Key_1, 18 }, { Qt::Key_Exclam, 18 }, { Qt::Key_2, 19 }, { Qt::Key_At, 19 },
    { Qt::Key_3, 20 }, { Qt::Key_NumberSign, 20 }, { Qt::Key_4, 21 }, { Qt::Key_Dollar, 21 },
    { Qt::Key_6, 22 }, { Qt::Key_AsciiCircum, 22 }, { Qt::Key_5, 23 }, { Qt::Key_Percent, 23 },
    { Qt::Key_Equal, 24 }, { Qt::Key_Plus, 24 }, { Qt::Key_9, 25 }, { Qt::Key_ParenLeft, 25 },
    { Qt::Key_7, 26 }, { Qt::Key_Ampersand, 26 }, { Qt::Key_Minus, 27 }, { Qt::Key_Underscore, 27 },
    { Qt::Key_8, 28 }, { Qt::Key_Asterisk, 28 }, { Qt::Key_0, 29 }, { Qt::Key_ParenRight, 29 },
    { Qt::Key_BracketRight, 30 }, { Qt::Key_BraceRight, 30 }, { Qt::Key_BracketLeft, 33 }, { Qt::Key_BraceLeft, 33 },
    { Qt::Key_Apostrophe, 39 }, { Qt::Key_QuoteDbl, 39 }, { Qt::Key_Semicolon, 41 }, { Qt::Key_Colon, 41 },
    { Qt::Key_Backslash, 42 }, { Qt::Key_Bar, 42 }, { Qt::Key_Comma, 43 }, { Qt::Key_Less, 43 },
    { Qt::Key_Slash, 44 }, { Qt::Key_Question, 44 }, { Qt::Key_Period, 47 }, { Qt::Key_Greater, 47 },
    { Qt::Key_QuoteLeft, 50 }, { Qt::Key_AsciiTilde, 50 },
    { Qt::Key_Return, 36 }, { Qt::Key_Tab, 48 }, { Qt::Key_Backtab, 48 }, { Qt::Key_Space, 49 },
    { Qt::Key_Backspace, 51 }, { Qt::Key_Escape, 53 },
    { Qt::Key_Help, 114, kFunction }, { Qt::Key_Home, 115, kFunction }, { Qt::Key_PageUp, 116, kFunction },
    { Qt::Key_Delete, 117, kFunction }, { Qt::Key_End, 119, kFunction }, { Qt::Key_PageDown, 121, kFunction },
    { Qt::Key_Left, 123, kArrow }, { Qt::Key_Right, 124, kArrow }, { Qt::Key_Down, 125, kArrow },
    { Qt::Key_Up, 126, kArrow },
    { Qt::Key_F1, 122, kFunction }, { Qt::Key_F2, 120, kFunction }, { Qt::Key_F3, 99, kFunction },
    { Qt::Key_F4, 118, kFunction }, { Qt::Key_F5, 96, kFunction }, { Qt::Key_F6, 97, kFunction },
    { Qt::Key_F7, 98, kFunction }, { Qt::Key_F8, 100, kFunction }, { Qt::Key_F9, 101, kFunction },
    { Qt::Key_F10, 109, kFunction }, { Qt::Key_F11, 103, kFunction }, { Qt::Key_F12, 111, kFunction },
    { Qt::Key_F13, 105, kFunction }, { Qt::Key_F14, 107, kFunction }, { Qt::Key_F15, 113, kFunction },
    { Qt::Key_F16, 106, kFunction }, { Qt::Key_F17, 64, kFunction }, { Qt::Key_F18, 79, kFunction },
    { Qt::Key_F19, 80, kFunction }, { Qt::Key_F20, 90, kFunction },
});

// Keys on the numeric keypad (Qt marks them with KeypadModifier; Enter exists only there).
constexpr std::array kKeypadKeys = std::to_array<KeyMapping>({
    { Qt::Key_0, 82 }, { Qt::Key_1, 83 }, { Qt::Key_2, 84 }, { Qt::Key_3, 85 }, { Qt::Key_4, 86 },
    { Qt::Key_5, 87 }, { Qt::Key_6, 88 }, { Qt::Key_7, 89 }, { Qt::Key_8, 91 }, { Qt::Key_9, 92 },
    { Qt::Key_Period, 65 }, { Qt::Key_Comma, 65 }, { Qt::Key_Asterisk, 67 }, { Qt::Key_Plus, 69 },
    { Qt::Key_Clear, 71 }, { Qt::Key_Slash, 75 }, { Qt::Key_Enter, 76 }, { Qt::Key_Minus, 78 },
    { Qt::Key_Equal, 81 },
});
// clang-format on

template <std::size_t N> const KeyMapping* find(const std::array<KeyMapping, N>& table, int qtKey)
{
    for (const auto& entry : table) {
        if (entry.qtKey == qtKey)
            return &entry;
    }
    return nullptr;
}

} // namespace

std::uint64_t modifierFlagsFromQt(Qt::KeyboardModifiers modifiers)
{
    std::uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= ModifierFlag::shift;
    if (modifiers & Qt::ControlModifier)
        flags |= ModifierFlag::command;
    if (modifiers & Qt::AltModifier)
        flags |= ModifierFlag::option;
    if (modifiers & Qt::MetaModifier)
        flags |= ModifierFlag::control;
    if (modifiers & Qt::KeypadModifier)
        flags |= ModifierFlag::numericPad;
    return flags;
}

std::optional<KeyStroke> keyStrokeFromQt(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const std::uint64_t flags = modifierFlagsFromQt(modifiers);
    if ((modifiers & Qt::KeypadModifier) || qtKey == Qt::Key_Enter) {
        if (const KeyMapping* keypad = find(kKeypadKeys, qtKey))
            return KeyStroke { keypad->code, flags | ModifierFlag::numericPad };
    }
    if (const KeyMapping* key = find(kMainKeys, qtKey))
        return KeyStroke { key->code, flags | key->extraFlags };
    return std::nullopt;
}

} // namespace settings
