#include "playback/keys/KeyboardShortcutManager.h"

#include "platform/MainThread.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "playback/PlaybackViewModel.h"
#include "playback/keys/ShortcutLabel.h"
#include "settings/KeyStroke.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>

#include <algorithm>

namespace playback {

using settings::KeyBinding;
using settings::PlayerAction;

namespace {

constexpr std::uint16_t kEscapeKeyCode = 53;

// The focused object takes typed text (line edits, text editors, editable combo boxes).
bool focusTakesText()
{
    QObject* focus = QGuiApplication::focusObject();
    if (!focus)
        return false;
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(focus, &query);
    return query.value(Qt::ImEnabled).toBool();
}

} // namespace

KeyboardShortcutManager::KeyboardShortcutManager(
    platform::UserDefaults& defaults, platform::Scheduler& scheduler, QObject* parent)
    : QObject(parent)
    , defaults_(defaults)
    , scheduler_(scheduler)
    , textFocus_ { focusTakesText, [] {} }
{
    Q_ASSERT(platform::isMainThread());
    loadBindings();
    // Keys released while another application has the keyboard never arrive: forget the hold.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive)
                resetHoldState();
        });
    }
}

KeyboardShortcutManager::~KeyboardShortcutManager()
{
    Q_ASSERT(platform::isMainThread());
    stopListening();
    cancelHoldTimer();
    for (const auto timer : releaseTimers_)
        scheduler_.cancel(timer);
}

KeyboardShortcutManager& KeyboardShortcutManager::shared()
{
    static auto* instance
        = new KeyboardShortcutManager(platform::UserDefaults::standard(), platform::Scheduler::main());
    return *instance;
}

void KeyboardShortcutManager::setTextFocus(TextFocus focus)
{
    Q_ASSERT(platform::isMainThread());
    textFocus_ = std::move(focus);
}

void KeyboardShortcutManager::startListening(PlaybackViewModel& playbackVM)
{
    Q_ASSERT(platform::isMainThread());
    stopListening();
    resetHoldState();
    playbackVM_ = &playbackVM;
    if (auto* app = QCoreApplication::instance())
        app->installEventFilter(this);
    listening_ = true;
    // A text field that took the focus as the window opened would otherwise keep every key.
    for (const double delay : { 0.0, kHoldDecisionSeconds }) {
        QPointer<KeyboardShortcutManager> self(this);
        releaseTimers_.push_back(scheduler_.once(delay, [self] {
            if (self)
                self->releaseFieldEditorIfNeeded();
        }));
    }
}

void KeyboardShortcutManager::startListeningOnce(PlaybackViewModel& playbackVM)
{
    if (didStart_)
        return;
    didStart_ = true;
    startListening(playbackVM);
}

void KeyboardShortcutManager::stopListening()
{
    Q_ASSERT(platform::isMainThread());
    if (auto* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    listening_ = false;
    playbackVM_.clear();
}

void KeyboardShortcutManager::beginEditing(PlayerAction action)
{
    Q_ASSERT(platform::isMainThread());
    setEditingAction(action);
}

void KeyboardShortcutManager::cancelEditing()
{
    Q_ASSERT(platform::isMainThread());
    setEditingAction(std::nullopt);
}

void KeyboardShortcutManager::resetToDefaults()
{
    Q_ASSERT(platform::isMainThread());
    setBindings(settings::defaultKeyBindings());
    setEditingAction(std::nullopt);
    saveBindings();
}

void KeyboardShortcutManager::resetHoldState()
{
    cancelHoldTimer();
    pendingDirection_.reset();
    isStopHeld_ = false;
    isHalfHoldActive_ = false;
}

bool KeyboardShortcutManager::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease)
        return false;
    // Each key event reaches the window first and is then handed on to widgets: look at it once.
    if (!watched->isWindowType() || !playbackVM_)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    // Ctrl is the application's own shortcuts, never ours, also not during capture.
    if (settings::modifierFlagsFromQt(key.modifiers()) & settings::ModifierFlag::command)
        return false;
    return press ? handleKeyDown(key, *playbackVM_) : handleKeyUp(key, *playbackVM_);
}

bool KeyboardShortcutManager::handleKeyDown(const QKeyEvent& event, PlaybackViewModel& vm)
{
    const auto stroke = settings::keyStrokeFromQt(event.key(), event.modifiers());
    // Pure modifier presses are no keys of their own (and cannot be bound).
    if (!stroke)
        return false;
    if (editingAction_) {
        if (stroke->keyCode != kEscapeKeyCode)
            applyNewBinding(*editingAction_, event);
        setEditingAction(std::nullopt);
        return true;
    }
    if (isTypingInTextField())
        return false;
    if (!binding(PlayerAction::stop))
        return false;

    const auto matches = [&](PlayerAction action) {
        const KeyBinding* bound = binding(action);
        return bound && bound->matches(stroke->keyCode, stroke->modifiers);
    };
    if (matches(PlayerAction::stop)) {
        isStopHeld_ = true;
        vm.stopPlayback();
        return true;
    }
    for (const auto& [action, direction] :
        { std::pair { PlayerAction::shuttleReverse, -1 }, std::pair { PlayerAction::shuttleForward, 1 } }) {
        if (!matches(action))
            continue;
        if (isStopHeld_)
            startHoldDecision(action);
        else
            vm.shuttleTap(direction);
        return true;
    }
    if (matches(PlayerAction::playPause)) {
        vm.togglePlayPause();
        return true;
    }
    if (matches(PlayerAction::markIn)) {
        vm.setMarkIn();
        return true;
    }
    if (matches(PlayerAction::markOut)) {
        vm.setMarkOut();
        return true;
    }
    return false;
}

bool KeyboardShortcutManager::handleKeyUp(const QKeyEvent& event, PlaybackViewModel& vm)
{
    // X11 reports a held key as release-press pairs; only the real release ends a hold.
    if (event.isAutoRepeat())
        return false;
    if (!editingAction_ && isTypingInTextField())
        return false;
    const KeyBinding* stop = binding(PlayerAction::stop);
    if (!stop)
        return false;
    const auto stroke = settings::keyStrokeFromQt(event.key(), event.modifiers());
    // The stop key counts as released whatever modifiers changed while it was down.
    if (stroke && stroke->keyCode == stop->keyCode
        && (isStopHeld_ || stop->matches(stroke->keyCode, stroke->modifiers))) {
        isStopHeld_ = false;
        if (isHalfHoldActive_) {
            isHalfHoldActive_ = false;
            vm.stopPlayback();
        }
        return true;
    }
    if (!pendingDirection_)
        return false;
    if (holdTimer_) {
        cancelHoldTimer();
        vm.jogFrame(*pendingDirection_ == PlayerAction::shuttleReverse ? -1 : 1);
    } else if (isHalfHoldActive_) {
        isHalfHoldActive_ = false;
        vm.stopPlayback();
    }
    pendingDirection_.reset();
    return true;
}

void KeyboardShortcutManager::startHoldDecision(PlayerAction action)
{
    pendingDirection_ = action;
    cancelHoldTimer();
    QPointer<KeyboardShortcutManager> self(this);
    holdTimer_ = scheduler_.once(kHoldDecisionSeconds, [self, action] {
        if (!self || !self->isStopHeld_ || self->pendingDirection_ != action || !self->playbackVM_)
            return;
        self->holdTimer_.reset();
        self->isHalfHoldActive_ = true;
        self->playbackVM_->startHalfSpeedHold(action == PlayerAction::shuttleReverse
                ? PlaybackViewModel::TransportDirection::reverse
                : PlaybackViewModel::TransportDirection::forward);
    });
}

void KeyboardShortcutManager::cancelHoldTimer()
{
    if (holdTimer_)
        scheduler_.cancel(*holdTimer_);
    holdTimer_.reset();
}

void KeyboardShortcutManager::applyNewBinding(PlayerAction action, const QKeyEvent& event)
{
    const auto stroke = settings::keyStrokeFromQt(event.key(), event.modifiers());
    if (!stroke)
        return;
    const std::uint64_t modifiers = stroke->modifiers & settings::ModifierFlag::deviceIndependentMask;
    const QString label = keyLabel(event.key(), event.text(), stroke->keyCode);
    QList<KeyBinding> updated = bindings_;
    auto existing
        = std::find_if(updated.begin(), updated.end(), [action](const KeyBinding& b) { return b.action == action; });
    if (existing != updated.end()) {
        existing->keyCode = stroke->keyCode;
        existing->modifiers = modifiers;
        existing->keyLabel = label;
    } else {
        updated.append(KeyBinding { QUuid::createUuid(), action, stroke->keyCode, modifiers, label });
    }
    setBindings(std::move(updated));
    saveBindings();
}

const KeyBinding* KeyboardShortcutManager::binding(PlayerAction action) const
{
    for (const auto& candidate : bindings_) {
        if (candidate.action == action)
            return &candidate;
    }
    return nullptr;
}

bool KeyboardShortcutManager::isTypingInTextField() const
{
    return textFocus_.isTypingInTextField && textFocus_.isTypingInTextField();
}

void KeyboardShortcutManager::releaseFieldEditorIfNeeded()
{
    if (isTypingInTextField() && textFocus_.releaseTextField)
        textFocus_.releaseTextField();
}

void KeyboardShortcutManager::loadBindings()
{
    // No value, unreadable bytes or an empty list: the defaults, not written back.
    if (const auto data = defaults_.dataForKey(QString::fromLatin1(kStorageKey))) {
        auto decoded = KeyBinding::decodeList(*data);
        if (decoded && !decoded.value().isEmpty()) {
            setBindings(decoded.value());
            return;
        }
    }
    setBindings(settings::defaultKeyBindings());
}

void KeyboardShortcutManager::saveBindings()
{
    defaults_.set(QString::fromLatin1(kStorageKey), KeyBinding::encodeList(bindings_));
}

void KeyboardShortcutManager::setBindings(QList<KeyBinding> bindings)
{
    bindings_ = std::move(bindings);
    emit bindingsChanged();
}

void KeyboardShortcutManager::setEditingAction(std::optional<PlayerAction> action)
{
    editingAction_ = action;
    emit editingActionChanged();
}

} // namespace playback
