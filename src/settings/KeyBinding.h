#pragma once

// One key bound to one transport action, in the stored form the bindings have always had: the
// hardware-independent virtual key code of the original desktop platform and its modifier flag
// bits (see KeyStroke.h for how Qt key events are translated into them).

#include "platform/Result.h"
#include "settings/PlayerAction.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <cstdint>

namespace settings {

namespace ModifierFlag {
inline constexpr std::uint64_t capsLock = 0x10000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t numericPad = 0x200000;
inline constexpr std::uint64_t help = 0x400000;
inline constexpr std::uint64_t function = 0x800000;
// The device-independent bits (16 to 31); the low bits say which physical key (left or right)
// and are never stored or compared.
inline constexpr std::uint64_t deviceIndependentMask = 0xFFFF0000;
} // namespace ModifierFlag

// Why a stored binding record could not be read.
struct KeyBindingDecodeError {
    enum class Kind {
        notAnObject, // the record (or list) is not a JSON object (array)
        keyNotFound, // a required key is missing (or null)
        typeMismatch, // a required key holds the wrong JSON type
        dataCorrupted, // right type, impossible value (bad UUID, unknown action, out-of-range number)
    };
    Kind kind = Kind::notAnObject;
    QString key; // the record key at fault; empty for a whole record or list
    int index = -1; // position in a list, when a list was read
};

struct KeyBinding {
    QUuid id;
    PlayerAction action = PlayerAction::playPause;
    std::uint16_t keyCode = 0;
    std::uint64_t modifiers = 0;
    QString keyLabel;

    // All five fields, the full modifier set and the label included.
    bool operator==(const KeyBinding&) const = default;

    // "⌘", "⌥", "⌃", "⇧" for the modifiers present, always in that order; other bits show nothing.
    QString modifierSymbols() const;

    // Same key code, and the same device-independent modifier bits (Caps Lock counts).
    bool matches(std::uint16_t eventKeyCode, std::uint64_t eventModifiers) const;

    // The stored record: "id" (upper-case hyphenated UUID), "action" (raw value), "keyCode",
    // "modifiersRaw" (the device-independent bits only) and "keyLabel".
    QJsonObject toJson() const;
    // The same record as compact JSON text with its keys in that order.
    QByteArray encoded() const;

    // Reads a record; every key but "keyLabel" is required. A missing or non-text label becomes
    // "KeyCode " and the key code. Modifier bits outside the device-independent mask are dropped.
    static platform::Result<KeyBinding, KeyBindingDecodeError> decode(const QJsonValue& record);

    // A whole list as one compact JSON array, and back in one piece: one bad record fails the list.
    static QByteArray encodeList(const QList<KeyBinding>& bindings);
    static platform::Result<QList<KeyBinding>, KeyBindingDecodeError> decodeList(const QByteArray& json);
};

// The factory bindings J, K, L, Space, I, O without modifiers. Built once per process (safe
// against concurrent first use); each binding's identifier is fresh per run and stable within it.
const QList<KeyBinding>& defaultKeyBindings();

} // namespace settings
