#pragma once

// The Keyboard pane of the settings window: the six transport actions with the key bound to each.
// Clicking an action's shortcut starts a key capture in the shortcut manager (a second click ends
// it, clicking another action moves it); the manager takes the next key press, Escape cancels.
// The pane keeps no state: bindings and the pending capture are the manager's, so a key bound to
// two actions shows on both rows.
//
// Main thread only.

#include "settings/PlayerAction.h"

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace playback {
class KeyboardShortcutManager;
}
namespace settings {
struct KeyBinding;
}

namespace app {

class KeyboardSettingsView final : public QWidget {
    Q_OBJECT
public:
    explicit KeyboardSettingsView(playback::KeyboardShortcutManager& keyboard, QWidget* parent = nullptr);

    // "Press key..." while capturing for `action`, else its shortcut ("Shift+M"), else "Not set".
    QString shortcutLabel(settings::PlayerAction action) const;
    // The first binding of `action`; later ones are never shown.
    const settings::KeyBinding* binding(settings::PlayerAction action) const;

    // The shortcut button of an action, for tests and screenshots.
    QAbstractButton* shortcutButton(settings::PlayerAction action) const;
    QWidget* banner() const { return banner_; }

private:
    void refresh();

    playback::KeyboardShortcutManager& keyboard_;
    QWidget* banner_ = nullptr;
    QLabel* bannerAction_ = nullptr;
    std::vector<QAbstractButton*> buttons_;
};

} // namespace app
