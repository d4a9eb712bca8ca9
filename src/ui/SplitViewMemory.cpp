#include "ui/SplitViewMemory.h"

#include "platform/UserDefaults.h"

#include <QSplitter>

namespace ui {

QString splitViewKey(const QString& name)
{
    return QString::fromLatin1(splitViewGroup) + QLatin1Char('/') + name;
}

bool rememberSplitView(QSplitter& splitter, const QString& name, platform::UserDefaults& defaults)
{
    const QString key = splitViewKey(name);
    const auto stored = defaults.dataForKey(key);
    const bool restored = stored && splitter.restoreState(*stored);
    // splitterMoved comes only from a divider the user moves, never from setSizes().
    QObject::connect(&splitter, &QSplitter::splitterMoved, &splitter,
        [&splitter, &defaults, key] { defaults.set(key, splitter.saveState()); });
    return restored;
}

} // namespace ui
