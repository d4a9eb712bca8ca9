#pragma once

// Turns key presses in the application's windows into transport actions of the playback engine,
// following the user's key bindings, captures a new key for one action, and owns the stored
// bindings ("CorvaleKeyBindings"). Keys reach it through an application event filter at window
// level, before any widget sees them; a swallowed key goes no further.
//
// With the stop key held, a shuttle key pressed and released within 0.18 s steps one frame; held
// longer it plays at half speed in that direction until either key is released.
//
// Thread rule: main thread only (the event filter, the scheduler's timers and the application
// state signal all run there); asserted on every public entry.

#include "settings/KeyBinding.h"
#include "settings/PlayerAction.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;

namespace platform {
class Scheduler;
class UserDefaults;
} // namespace platform

namespace playback {

class PlaybackViewModel;

class KeyboardShortcutManager final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<settings::KeyBinding> bindings READ bindings NOTIFY bindingsChanged)

public:
    static constexpr const char* kStorageKey = "CorvaleKeyBindings";
    static constexpr double kHoldDecisionSeconds = 0.18;

    // Ways to see and release keyboard focus in a text field; the shell may hand in ones that know
    // its widgets. By default a focused object that accepts text input counts, and releasing does
    // nothing.
    struct TextFocus {
        std::function<bool()> isTypingInTextField;
        std::function<void()> releaseTextField;
    };

    // Loads the stored bindings (the defaults when there are none or they cannot be read).
    KeyboardShortcutManager(
        platform::UserDefaults& defaults, platform::Scheduler& scheduler, QObject* parent = nullptr);
    ~KeyboardShortcutManager() override;

    // The process-wide instance on the standard defaults and the main scheduler.
    static KeyboardShortcutManager& shared();

    void setTextFocus(TextFocus focus);

    // Starts (or restarts) listening for the given engine, forgetting any hold in progress.
    void startListening(PlaybackViewModel& playbackVM);
    // Listening starts once per process however often the main window first appears.
    void startListeningOnce(PlaybackViewModel& playbackVM);
    void stopListening();
    bool isListening() const { return listening_; }

    const QList<settings::KeyBinding>& bindings() const { return bindings_; }
    std::optional<settings::PlayerAction> editingAction() const { return editingAction_; }

    // The next key press without Ctrl is bound to `action`; Escape cancels.
    void beginEditing(settings::PlayerAction action);
    void cancelEditing();
    void resetToDefaults();

    // Forgets the stop-key hold and any pending half-speed decision; a running half-speed play goes on.
    void resetHoldState();

signals:
    void bindingsChanged();
    void editingActionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadBindings();
    void saveBindings();
    void setBindings(QList<settings::KeyBinding> bindings);
    void setEditingAction(std::optional<settings::PlayerAction> action);
    bool handleKeyDown(const QKeyEvent& event, PlaybackViewModel& vm);
    bool handleKeyUp(const QKeyEvent& event, PlaybackViewModel& vm);
    void startHoldDecision(settings::PlayerAction action);
    void cancelHoldTimer();
    void applyNewBinding(settings::PlayerAction action, const QKeyEvent& event);
    const settings::KeyBinding* binding(settings::PlayerAction action) const;
    bool isTypingInTextField() const;
    void releaseFieldEditorIfNeeded();

    platform::UserDefaults& defaults_;
    platform::Scheduler& scheduler_;
    TextFocus textFocus_;

    QList<settings::KeyBinding> bindings_;
    std::optional<settings::PlayerAction> editingAction_;
    bool listening_ = false;
    bool didStart_ = false;
    QPointer<PlaybackViewModel> playbackVM_;

    bool isStopHeld_ = false;
    std::optional<settings::PlayerAction> pendingDirection_;
    std::optional<std::uint64_t> holdTimer_;
    std::vector<std::uint64_t> releaseTimers_;
    bool isHalfHoldActive_ = false;
};

} // namespace playback
