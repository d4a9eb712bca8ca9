#pragma once

// The wire form of one remote message: compact JSON followed by exactly one line feed, and the
// parse of one received line. Pure functions, callable from any thread.

#include "platform/Result.h"
#include "remote/RemoteTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace remote {

class RemoteJson {
public:
    // The message as one line. Fails for what JSON cannot carry (a non-finite number anywhere),
    // so a peer never receives a line it cannot parse.
    static platform::Result<QByteArray, QString> encodeLine(const RemoteMessage& message);

    struct Parsed {
        // The object when the line holds one; none for a top-level array (dropped silently).
        std::optional<RemoteMessage> object;
        // Set when the line is not JSON with an object or array at its top.
        std::optional<QString> error;
    };
    static Parsed parseLine(QByteArrayView line);
};

} // namespace remote
