#include "remote/RemoteReplies.h"

namespace remote {

RemoteMessage RemoteReplies::welcome(const QString& role, const QString& name)
{
    return { { QStringLiteral("type"), QStringLiteral("welcome") }, { QStringLiteral("role"), role },
        { QStringLiteral("name"), name } };
}

RemoteMessage RemoteReplies::badCode()
{
    return { { QStringLiteral("type"), QStringLiteral("error") },
        { QStringLiteral("message"), QStringLiteral("bad_code") } };
}

RemoteMessage RemoteReplies::grant(const QString& scope, const QString& clientKey)
{
    return { { QStringLiteral("type"), QStringLiteral("auth.grant") }, { QStringLiteral("scope"), scope },
        { QStringLiteral("clientKey"), clientKey } };
}

RemoteMessage RemoteReplies::deny(const QString& scope, const QString& clientKey, const QString& reason)
{
    return { { QStringLiteral("type"), QStringLiteral("auth.deny") }, { QStringLiteral("scope"), scope },
        { QStringLiteral("clientKey"), clientKey }, { QStringLiteral("reason"), reason } };
}

RemoteMessage RemoteReplies::authRequired(const QString& scope, const QString& clientKey, const QString& reason)
{
    return { { QStringLiteral("type"), QStringLiteral("auth.required") }, { QStringLiteral("scope"), scope },
        { QStringLiteral("clientKey"), clientKey }, { QStringLiteral("reason"), reason } };
}

RemoteMessage RemoteReplies::ack(bool ok, const QString& message)
{
    return { { QStringLiteral("type"), QStringLiteral("ack") }, { QStringLiteral("ok"), ok },
        { QStringLiteral("message"), message } };
}

RemoteMessage RemoteReplies::ackRequiring(const QString& message, const QString& requiredScope)
{
    auto reply = ack(false, message);
    reply.insert(QStringLiteral("requiredScope"), requiredScope);
    return reply;
}

} // namespace remote
