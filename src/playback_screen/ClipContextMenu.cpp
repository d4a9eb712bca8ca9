#include "playback_screen/ClipContextMenu.h"

#include "ui/AppTheme.h"
#include "ui/IconRegistry.h"

#include <QIcon>
#include <QMenu>

namespace playback_screen {

std::vector<ClipMenuEntry> buildClipContextMenu(const QUuid& id, const ClipMenuState& state)
{
    std::vector<ClipMenuEntry> entries;
    if (!state.isTakePreviewActive) {
        if (state.secondaryClipID == id)
            entries.push_back({ false, QStringLiteral("Clear Output View"), QStringLiteral("xmark.rectangle"), false,
                ClipMenuAction::clearOutput });
        else
            entries.push_back({ false, QStringLiteral("Set as Output View"), QStringLiteral("square.split.2x1"), false,
                ClipMenuAction::setOutput });
        entries.push_back({ true, {}, {}, false, ClipMenuAction::reveal });
    }
    entries.push_back(
        { false, QStringLiteral("Show in File Manager"), QStringLiteral("folder"), false, ClipMenuAction::reveal });
    entries.push_back({ true, {}, {}, false, ClipMenuAction::reveal });
    entries.push_back(
        { false, QStringLiteral("Delete Clip"), QStringLiteral("trash"), true, ClipMenuAction::deleteClip });
    return entries;
}

QMenu* makeClipMenu(const std::vector<ClipMenuEntry>& entries, std::function<void(ClipMenuAction)> run, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("clipContextMenu"));
    for (const ClipMenuEntry& entry : entries) {
        if (entry.separator) {
            menu->addSeparator();
            continue;
        }
        const QColor ink
            = entry.destructive ? ui::ThemeColor(ui::ColorRole::systemRed).color() : ui::AppTheme::textPrimary.color();
        QAction* action
            = menu->addAction(QIcon(ui::IconRegistry::pixmap(entry.icon, QSizeF(16, 16), ink)), entry.title);
        const ClipMenuAction which = entry.action;
        QObject::connect(action, &QAction::triggered, menu, [run, which] { run(which); });
    }
    return menu;
}

} // namespace playback_screen
