#pragma once

// One fuzz input through the control server's road: the bytes are cut at points the input
// chooses, framed into lines, parsed and handled by the command handler with stand-ins around
// it. Returns an empty string when every rule held, else what broke: every reply must be one
// compact JSON line, and the unframed bytes stay under the line limit.
//
// Needs a Q(Core)Application on the calling thread.

#include <cstddef>
#include <cstdint>
#include <string>

std::string runRemoteLinesInput(const std::uint8_t* data, std::size_t size);
