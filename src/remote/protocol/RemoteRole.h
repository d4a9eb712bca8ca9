#pragma once

// The role a typed welcome gives a client. Each encodes as its raw value; any other
// string fails to decode.

#include "settings/StringEnum.h"

namespace remote {

enum class RemoteRole { viewer, controller };

} // namespace remote

namespace settings {

template <> struct EnumTable<remote::RemoteRole> {
    using E = remote::RemoteRole;
    static constexpr std::array<EnumCase<E>, 2> cases { {
        { E::viewer, "viewer", "viewer" },
        { E::controller, "controller", "controller" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
