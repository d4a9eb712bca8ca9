// The keyboard shortcut manager on a real engine with fake players: synthetic key events are sent
// to a window as the windowing system delivers them, and what the engine did is read back from
// its players. The hold decision runs on the manual scheduler.

#include "PlaybackTestSupport.h"

#include "playback/keys/KeyboardShortcutManager.h"
#include "playback/keys/ShortcutLabel.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

using playback::KeyboardShortcutManager;
using settings::KeyBinding;
using settings::PlayerAction;

namespace playback_test {

namespace {

// Counts the key presses that get past the manager.
class KeyWindow final : public QWindow {
public:
    int presses = 0;
    int releases = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++presses; }
    void keyReleaseEvent(QKeyEvent*) override { ++releases; }
};

} // namespace

class ShortcutTest : public ProjectEngineTest {
protected:
    ShortcutTest()
    {
        add("a.mov", 10.0, 25.0);
        vm_->seek(5.0, true);
        keys_ = std::make_unique<KeyboardShortcutManager>(*defaults_, scheduler_);
        keys_->setTextFocus({ [this] { return typing_; }, [this] { typing_ = false; } });
        keys_->startListening(*vm_);
        scheduler_.advance(KeyboardShortcutManager::kHoldDecisionSeconds);
    }

    // True when the key went on to the window.
    bool press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, bool repeat = false)
    {
        const int before = window_.presses;
        QKeyEvent event(QEvent::KeyPress, key, mods, QString(), repeat);
        QCoreApplication::sendEvent(&window_, &event);
        return window_.presses > before;
    }
    bool release(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, bool repeat = false)
    {
        const int before = window_.releases;
        QKeyEvent event(QEvent::KeyRelease, key, mods, QString(), repeat);
        QCoreApplication::sendEvent(&window_, &event);
        return window_.releases > before;
    }
    std::optional<int> stored(PlayerAction action) const
    {
        for (const auto& b : keys_->bindings()) {
            if (b.action == action)
                return b.keyCode;
        }
        return std::nullopt;
    }

    KeyWindow window_;
    bool typing_ = false;
    std::unique_ptr<KeyboardShortcutManager> keys_;
};

TEST_F(ShortcutTest, DefaultKeysDriveTheTransportAndOtherKeysPassOn)
{
    EXPECT_FALSE(press(Qt::Key_L));
    EXPECT_EQ(main()->rate(), 1.0f);
    EXPECT_FALSE(press(Qt::Key_L, Qt::NoModifier, true)); // a repeat is another tap
    EXPECT_EQ(main()->rate(), 2.0f);
    EXPECT_FALSE(press(Qt::Key_K));
    EXPECT_EQ(main()->rate(), 0.0f);
    release(Qt::Key_K);
    EXPECT_FALSE(press(Qt::Key_Space));
    EXPECT_TRUE(vm_->isPlaying());
    press(Qt::Key_Space);
    EXPECT_FALSE(vm_->isPlaying());
    press(Qt::Key_J);
    EXPECT_TRUE(vm_->isPlaying());
    press(Qt::Key_K);
    release(Qt::Key_K);
    vm_->seek(2.0, true);
    press(Qt::Key_I);
    vm_->seek(4.0, true);
    press(Qt::Key_O);
    EXPECT_EQ(vm_->markIn(), 2.0);
    EXPECT_EQ(vm_->markOut(), 4.0);

    // Modifiers make other keys; Ctrl is never ours; unbound keys and text fields keep theirs.
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
    };
    for (const Case c : { Case { Qt::Key_L, Qt::ShiftModifier }, Case { Qt::Key_L, Qt::ControlModifier },
             Case { Qt::Key_Space, Qt::AltModifier }, Case { Qt::Key_M, Qt::NoModifier },
             Case { Qt::Key_Shift, Qt::ShiftModifier } }) {
        EXPECT_TRUE(press(c.key, c.mods)) << c.key;
    }
    typing_ = true;
    EXPECT_TRUE(press(Qt::Key_L));
    EXPECT_TRUE(release(Qt::Key_K));
    EXPECT_FALSE(vm_->isPlaying());
}

TEST_F(ShortcutTest, StopHeldJogsOnAShortPressAndHoldsHalfSpeedOnALongOne)
{
    // Short press of L with K down: one frame forward.
    press(Qt::Key_K);
    press(Qt::Key_L);
    scheduler_.advance(0.1);
    EXPECT_FALSE(release(Qt::Key_L));
    EXPECT_NEAR(vm_->currentTime(), 5.04, 1e-9);
    EXPECT_FALSE(vm_->isPlaying());

    // Repeats faster than the decision keep replacing it: still a jog, now backwards.
    for (int i = 0; i < 5; ++i) {
        press(Qt::Key_J, Qt::NoModifier, i > 0);
        scheduler_.advance(0.1);
        EXPECT_TRUE(release(Qt::Key_J, Qt::NoModifier, true)); // X11's repeat release passes
    }
    release(Qt::Key_J);
    EXPECT_NEAR(vm_->currentTime(), 5.0, 1e-9);

    // Held past the decision: half speed until L goes up.
    press(Qt::Key_L);
    scheduler_.advance(0.2);
    EXPECT_EQ(main()->rate(), 0.5f);
    release(Qt::Key_L);
    EXPECT_EQ(main()->rate(), 0.0f);
    EXPECT_FALSE(vm_->isPlaying());

    // ...or until K goes up; leaving the application forgets the hold but not the playback.
    press(Qt::Key_L);
    scheduler_.advance(0.2);
    release(Qt::Key_K);
    EXPECT_FALSE(vm_->isPlaying());
    press(Qt::Key_K);
    press(Qt::Key_L);
    scheduler_.advance(0.2);
    keys_->resetHoldState();
    EXPECT_EQ(main()->rate(), 0.5f);
    release(Qt::Key_L);
    EXPECT_EQ(main()->rate(), 0.5f);
    press(Qt::Key_L); // K no longer counts as held: a plain tap
    EXPECT_EQ(main()->rate(), 1.0f);
    // Shift pressed while K is down: K's release still ends the hold.
    press(Qt::Key_K);
    EXPECT_FALSE(release(Qt::Key_K, Qt::ShiftModifier));
    press(Qt::Key_L);
    EXPECT_EQ(main()->rate(), 1.0f);
    // Released before the decision fires, the stop key cancels it.
    press(Qt::Key_K);
    press(Qt::Key_J);
    release(Qt::Key_K);
    scheduler_.advance(0.2);
    EXPECT_FALSE(vm_->isPlaying());
}

TEST_F(ShortcutTest, CaptureBindsTheNextKeyAndEscapeCancels)
{
    const QList<KeyBinding> before = keys_->bindings();
    keys_->beginEditing(PlayerAction::markIn);
    EXPECT_TRUE(press(Qt::Key_J, Qt::ControlModifier)); // Ctrl is not captured
    typing_ = true; // capture ignores text focus
    EXPECT_FALSE(press(Qt::Key_Escape));
    EXPECT_EQ(keys_->bindings(), before);
    EXPECT_FALSE(keys_->editingAction());

    keys_->beginEditing(PlayerAction::markIn);
    EXPECT_FALSE(press(Qt::Key_M, Qt::ShiftModifier));
    typing_ = false;
    const KeyBinding& markIn = keys_->bindings().at(4);
    EXPECT_EQ(markIn.id, before.at(4).id);
    EXPECT_EQ(markIn.keyCode, 46);
    EXPECT_EQ(markIn.keyLabel, "M");
    EXPECT_EQ(playback::shortcutLabel(markIn), "Shift+M");
    vm_->seek(3.0, true);
    press(Qt::Key_M, Qt::ShiftModifier);
    EXPECT_EQ(vm_->markIn(), 3.0);

    // A key already bound elsewhere stays bound there too; the earlier action wins.
    keys_->beginEditing(PlayerAction::playPause);
    press(Qt::Key_K);
    press(Qt::Key_K);
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_EQ(stored(PlayerAction::playPause), 40);

    // Stored at once, read back by a new manager; Escape bound from storage works like any key.
    KeyboardShortcutManager reloaded(*defaults_, scheduler_);
    EXPECT_EQ(reloaded.bindings(), keys_->bindings());
    keys_->resetToDefaults();
    EXPECT_EQ(keys_->bindings(), settings::defaultKeyBindings());
}

TEST_F(ShortcutTest, StoredBindingsLoadWhenReadableAndOtherwiseTheDefaults)
{
    const QString key = KeyboardShortcutManager::kStorageKey;
    const QByteArray noStop = R"([{"id":"A0B1C2D3-0000-4000-8000-000000000001","action":"playPause",)"
                              R"("keyCode":46,"modifiersRaw":131328}])";
    for (const QByteArray& data : { QByteArray("[]"), QByteArray("not json") }) {
        defaults_->set(key, data);
        KeyboardShortcutManager manager(*defaults_, scheduler_);
        EXPECT_EQ(manager.bindings(), settings::defaultKeyBindings()) << data.constData();
        EXPECT_EQ(defaults_->dataForKey(key), data); // the defaults are not written back
    }
    defaults_->set(key, noStop);
    keys_ = std::make_unique<KeyboardShortcutManager>(*defaults_, scheduler_);
    keys_->startListening(*vm_);
    ASSERT_EQ(keys_->bindings().size(), 1);
    EXPECT_EQ(keys_->bindings().at(0).modifiers, settings::ModifierFlag::shift); // low bits dropped
    EXPECT_EQ(keys_->bindings().at(0).keyLabel, "KeyCode 46");
    // Without a stop binding no shortcut works.
    EXPECT_TRUE(press(Qt::Key_M, Qt::ShiftModifier));
    EXPECT_FALSE(vm_->isPlaying());
    keys_->resetToDefaults();
    EXPECT_EQ(KeyBinding::decodeList(*defaults_->dataForKey(key)).value(), settings::defaultKeyBindings());
}

TEST(ShortcutLabelTest, LinuxModifierNamesInFixedOrder)
{
    using namespace settings::ModifierFlag;
    EXPECT_EQ(playback::shortcutLabel(command, "J"), "Ctrl+J");
    EXPECT_EQ(playback::shortcutLabel(shift | command | option | control | capsLock, "J"), "Ctrl+Alt+Shift+Meta+J");
    EXPECT_EQ(playback::keyLabel(Qt::Key_unknown, QStringLiteral("é"), 10), "É");
    EXPECT_EQ(playback::keyLabel(0, QString(), 10), "KeyCode 10");
}

} // namespace playback_test
