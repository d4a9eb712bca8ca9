#pragma once

// What the command table needs of the clip transfer: the manifest of the playlist's files and
// the start of one clip's transfer to a connection (which returns at once and reports every
// outcome with its own messages).
//
// Threads: main thread only.

#include "remote/RemoteTypes.h"

#include <QJsonArray>
#include <QString>

namespace remote {

class ClipCacheService {
public:
    virtual ~ClipCacheService() = default;
    virtual QJsonArray buildCacheManifestClips() const = 0;
    virtual void streamClipToClient(const QString& clipID, ConnectionId conn) = 0;
};

} // namespace remote
