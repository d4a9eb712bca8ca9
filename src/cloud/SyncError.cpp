#include "cloud/SyncError.h"

namespace cloud {

QString SyncError::description() const
{
    switch (kind) {
    case Kind::uploadFailed:
        return message;
    case Kind::noToken:
        return QStringLiteral("No access token");
    case Kind::uploadInitFailed:
        return QStringLiteral("The upload could not be started");
    case Kind::renameFailed:
        return QStringLiteral("The file could not be renamed");
    case Kind::http:
        return message.isEmpty() ? QStringLiteral("HTTP %1").arg(status)
                                 : QStringLiteral("HTTP %1: %2").arg(status).arg(message);
    case Kind::invalidID:
        return QStringLiteral("Invalid Drive identifier");
    case Kind::transport:
        return message.isEmpty() ? QStringLiteral("Network error") : message;
    case Kind::decoding:
        return QStringLiteral("Unexpected answer from Google Drive (%1)").arg(message);
    case Kind::localFile:
        return message;
    case Kind::cancelled:
        return QStringLiteral("Cancelled");
    }
    return {};
}

} // namespace cloud
