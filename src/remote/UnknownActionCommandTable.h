#pragma once

// The command table's stand-in until the real one is wired in: acknowledges every command with
// ok false and "unknown action: " followed by the action, as the real table answers a name it
// does not know. Main thread only.

#include "remote/RemoteCommandTable.h"
#include "remote/RemoteTransport.h"

namespace remote {

class UnknownActionCommandTable final : public RemoteCommandTable {
public:
    explicit UnknownActionCommandTable(RemoteTransport& transport)
        : transport_(transport)
    {
    }
    void execute(const RemoteCommand& command) override;

private:
    RemoteTransport& transport_;
};

} // namespace remote
