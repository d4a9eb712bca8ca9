#pragma once

// Test pictures that carry a 64-bit counter as two rows of 32 black or white blocks, big enough
// to survive VP8 at any bitrate the tracks use, and the reader for decoded BGRA pictures.

#include "media/frame/Frame.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace countertest {

media::Frame counterFrame(std::uint64_t counter, int width, int height);
QImage counterImage(std::uint64_t counter, int width, int height);
// None when a block is neither clearly black nor clearly white.
std::optional<std::uint64_t> readCounter(const std::uint8_t* bgra, std::size_t rowBytes, int width, int height);

} // namespace countertest
