#include "remote/AuthGate.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"

namespace remote {

std::optional<AuthGate::PermissionLevel> AuthGate::levelFromRaw(int raw)
{
    if (raw < 0 || raw > 2)
        return std::nullopt;
    return static_cast<PermissionLevel>(raw);
}

QString AuthGate::levelName(PermissionLevel level)
{
    switch (level) {
    case PermissionLevel::view:
        return QStringLiteral("view");
    case PermissionLevel::control:
        return QStringLiteral("control");
    case PermissionLevel::none:
        break;
    }
    return QStringLiteral("none");
}

AuthGate::AuthGate(QObject* parent)
    : QObject(parent)
{
}

void AuthGate::set(PermissionLevel level, const QString& clientKey)
{
    Q_ASSERT(platform::isMainThread());
    permissions_.insert(clientKey, level);
    dlog("✅ [AUTH] set", levelName(level), "for", clientKey);
}

AuthGate::PermissionLevel AuthGate::level(const QString& clientKey) const
{
    Q_ASSERT(platform::isMainThread());
    return permissions_.value(clientKey, PermissionLevel::none);
}

bool AuthGate::hasView(const QString& clientKey) const
{
    return level(clientKey) != PermissionLevel::none;
}

bool AuthGate::hasControl(const QString& clientKey) const
{
    return level(clientKey) == PermissionLevel::control;
}

} // namespace remote
