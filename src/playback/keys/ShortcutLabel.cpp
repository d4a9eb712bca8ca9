#include "playback/keys/ShortcutLabel.h"

#include <QKeySequence>

namespace playback {

QString shortcutLabel(std::uint64_t modifiers, const QString& keyLabel)
{
    using namespace settings::ModifierFlag;
    QString label;
    if (modifiers & command)
        label += QStringLiteral("Ctrl+");
    if (modifiers & option)
        label += QStringLiteral("Alt+");
    if (modifiers & shift)
        label += QStringLiteral("Shift+");
    if (modifiers & control)
        label += QStringLiteral("Meta+");
    return label + keyLabel;
}

QString shortcutLabel(const settings::KeyBinding& binding)
{
    return shortcutLabel(binding.modifiers, binding.keyLabel);
}

QString keyLabel(int qtKey, const QString& text, std::uint16_t keyCode)
{
    constexpr std::uint16_t kSpaceKeyCode = 49;
    if (keyCode == kSpaceKeyCode)
        return QStringLiteral("Space");
    // Named from the key rather than the typed text, so Shift or Ctrl do not change the label.
    if (qtKey != 0 && qtKey != Qt::Key_unknown) {
        const QString name = QKeySequence(qtKey).toString(QKeySequence::PortableText);
        if (!name.isEmpty())
            return name.size() == 1 ? name.toUpper() : name;
    }
    const QString typed = text.trimmed();
    // Letters read upper-case; named keys ("Left", "F5") keep their own spelling.
    if (!typed.isEmpty() && typed.at(0).isPrint())
        return typed.toUpper();
    return QStringLiteral("KeyCode %1").arg(keyCode);
}

} // namespace playback
