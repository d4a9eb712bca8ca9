#include "remote/UnknownActionCommandTable.h"

#include "remote/RemoteReplies.h"

namespace remote {

void UnknownActionCommandTable::execute(const RemoteCommand& command)
{
    transport_.send(command.connection, RemoteReplies::ack(false, QStringLiteral("unknown action: ") + command.action));
}

} // namespace remote
