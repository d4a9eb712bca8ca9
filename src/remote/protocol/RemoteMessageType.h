#pragma once

// The message types of the typed remote records. Each encodes as its raw value; any other
// string fails to decode.

#include "settings/StringEnum.h"

namespace remote {

enum class RemoteMessageType { hello, welcome, command, ack, state };

} // namespace remote

namespace settings {

template <> struct EnumTable<remote::RemoteMessageType> {
    using E = remote::RemoteMessageType;
    static constexpr std::array<EnumCase<E>, 5> cases { {
        { E::hello, "hello", "hello" },
        { E::welcome, "welcome", "welcome" },
        { E::command, "command", "command" },
        { E::ack, "ack", "ack" },
        { E::state, "state", "state" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
