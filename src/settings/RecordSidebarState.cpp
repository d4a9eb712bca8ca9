#include "settings/RecordSidebarState.h"

#include "platform/UserDefaults.h"

#include <QCoreApplication>

namespace settings {

RecordSidebarState::RecordSidebarState(platform::UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , defaults_(defaults)
    , collapsed_(defaults.boolForKey(QString::fromLatin1(key)))
{
}

RecordSidebarState& RecordSidebarState::shared()
{
    static RecordSidebarState* const instance = [] {
        auto* state = new RecordSidebarState(platform::UserDefaults::standard());
        if (auto* app = QCoreApplication::instance(); app && state->thread() != app->thread())
            state->moveToThread(app->thread());
        return state;
    }();
    return *instance;
}

void RecordSidebarState::setCollapsed(bool collapsed)
{
    if (collapsed == collapsed_)
        return;
    collapsed_ = collapsed;
    defaults_.set(QString::fromLatin1(key), collapsed);
    emit isCollapsedChanged(collapsed);
}

} // namespace settings
