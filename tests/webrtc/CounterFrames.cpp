#include "CounterFrames.h"

#include <cstring>

namespace countertest {

constexpr int kColumns = 32;

media::Frame counterFrame(std::uint64_t counter, int width, int height)
{
    media::MutableFrame frame(media::PixelFormat::BGRA, width, height);
    const int block = width / kColumns;
    for (int y = 0; y < height; ++y) {
        auto* row = frame.data() + std::size_t(y) * frame.rowBytes();
        for (int x = 0; x < width; ++x) {
            std::uint8_t value = 128;
            if (y / block < 2 && x / block < kColumns)
                value = (counter >> (y / block * kColumns + x / block)) & 1 ? 255 : 0;
            std::memset(row + x * 4, value, 3);
            row[x * 4 + 3] = 255;
        }
    }
    return std::move(frame).share();
}

std::optional<std::uint64_t> readCounter(const std::uint8_t* bgra, std::size_t rowBytes, int width, int height)
{
    const int block = width / kColumns;
    if (block < 4 || height < 2 * block)
        return std::nullopt;
    std::uint64_t counter = 0;
    for (int bit = 0; bit < 64; ++bit) {
        const int x = (bit % kColumns) * block + block / 2;
        const int y = (bit / kColumns) * block + block / 2;
        const std::uint8_t green = bgra[std::size_t(y) * rowBytes + std::size_t(x) * 4 + 1];
        if (green > 170)
            counter |= std::uint64_t(1) << bit;
        else if (green > 85)
            return std::nullopt;
    }
    return counter;
}

} // namespace countertest
