#pragma once

// Fixed facts of the ProRes bitstream that the slice coder and the frame writer share: the
// adaptive variable-length codebooks, the two coefficient scans and the quantiser scale of each
// quantisation index.

#include <array>
#include <cstdint>

namespace media {

// One variable-length codebook: Rice codes of order `rice` for small values, exponential
// Golomb codes of order `exp` above them, the switch after `switchBits` + 1 Rice prefixes.
struct ProResCodebook {
    std::uint8_t rice;
    std::uint8_t exp;
    std::uint8_t switchBits;

    static constexpr ProResCodebook fromByte(std::uint8_t b)
    {
        return ProResCodebook { static_cast<std::uint8_t>(b >> 5), static_cast<std::uint8_t>((b >> 2) & 7),
            static_cast<std::uint8_t>(b & 3) };
    }
    constexpr std::uint32_t ricePart() const { return std::uint32_t(switchBits + 1) << rice; }

    // Bits of the code for `value`.
    constexpr int length(std::uint32_t value) const
    {
        if (value < ricePart())
            return int(value >> rice) + 1 + rice;
        const std::uint32_t w = value - ricePart() + (1u << exp);
        const int bits = 32 - __builtin_clz(w);
        return 2 * bits - exp + switchBits;
    }
    // The code for `value` as a number of length(value) bits (leading zeros implied).
    constexpr std::uint32_t code(std::uint32_t value) const
    {
        if (value < ricePart())
            return (1u << rice) | (value & ((1u << rice) - 1));
        return value - ricePart() + (1u << exp);
    }
};

// The codebook of the first DC of a component, of later DC differences by the previous
// difference's code (capped at 6), of runs by the previous run (capped at 15) and of levels by
// the previous level (capped at 9).
inline constexpr ProResCodebook kProResFirstDcCodebook = ProResCodebook::fromByte(0xB8);
inline constexpr std::array<ProResCodebook, 7> kProResDcCodebooks { ProResCodebook::fromByte(0x04),
    ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x4D),
    ProResCodebook::fromByte(0x4D), ProResCodebook::fromByte(0x70), ProResCodebook::fromByte(0x70) };
inline constexpr std::array<ProResCodebook, 16> kProResRunCodebooks { ProResCodebook::fromByte(0x06),
    ProResCodebook::fromByte(0x06), ProResCodebook::fromByte(0x05), ProResCodebook::fromByte(0x05),
    ProResCodebook::fromByte(0x04), ProResCodebook::fromByte(0x29), ProResCodebook::fromByte(0x29),
    ProResCodebook::fromByte(0x29), ProResCodebook::fromByte(0x29), ProResCodebook::fromByte(0x28),
    ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x28),
    ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x4C) };
inline constexpr std::array<ProResCodebook, 10> kProResLevelCodebooks { ProResCodebook::fromByte(0x04),
    ProResCodebook::fromByte(0x0A), ProResCodebook::fromByte(0x05), ProResCodebook::fromByte(0x06),
    ProResCodebook::fromByte(0x04), ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x28),
    ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x28), ProResCodebook::fromByte(0x4C) };
// Where the adaptation starts in every component.
inline constexpr int kProResFirstDcDifferenceCode = 5;
inline constexpr int kProResFirstPreviousRun = 4;
inline constexpr int kProResFirstPreviousLevel = 2;

// Coefficient order in a block (raster index: row = vertical frequency) for whole frames and for
// fields.
extern const std::array<std::uint8_t, 64> kProResProgressiveScan;
extern const std::array<std::uint8_t, 64> kProResInterlacedScan;

// Smallest and largest quantisation index of a slice header.
inline constexpr int kProResMinQuantIndex = 1;
inline constexpr int kProResMaxQuantIndex = 224;
// The quantiser scale a slice's index stands for: 1 to 128 as they are, then steps of four.
constexpr int proResQuantScale(int index)
{
    return index <= 128 ? index : (index - 96) * 4;
}
// Every entry of the default quantisation matrix (the frame header loads none).
inline constexpr int kProResMatrixWeight = 4;

} // namespace media
