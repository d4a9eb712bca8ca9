#pragma once

// Test pictures carrying a 64-bit counter as two rows of 32 black or white blocks, big enough to
// survive VP8, and the reader for decoded BGRA pictures. Images: counterFrame(...).imageView().

#include "media/frame/Frame.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace countertest {

media::Frame counterFrame(std::uint64_t counter, int width, int height);
// None when a block is neither clearly black nor clearly white.
std::optional<std::uint64_t> readCounter(const std::uint8_t* bgra, std::size_t rowBytes, int width, int height);

} // namespace countertest
