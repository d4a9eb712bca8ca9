#pragma once

// Where commands go once the permission gate has let them through: the table that drives the
// playback and capture engines and acknowledges each command. Until the real table is wired in,
// the stand-in answers every action as unknown.
//
// Threads: main thread only.

#include "remote/RemoteTypes.h"

#include <QString>

namespace remote {

struct RemoteCommand {
    RemoteMessage message;
    QString action;
    ConnectionId connection = 0;
    QString clientKey;
};

class RemoteCommandTable {
public:
    virtual ~RemoteCommandTable() = default;
    virtual void execute(const RemoteCommand& command) = 0;
};

} // namespace remote
