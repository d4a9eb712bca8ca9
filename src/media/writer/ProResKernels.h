#pragma once

// The per-pixel and per-coefficient loops of the ProRes encoder, in one table per instruction
// set: plain C++ (always built, the reference), SSE4.1 and AVX2. Every table gives the same
// numbers for the same input, so a file does not depend on the machine that wrote it; the best
// table the processor runs is picked once at run time.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace media {

// Fixed-point BGRA to Y'CbCr weights (limited range, 10 bits). Luma and 4:4:4 chroma are scaled
// by 2^13, the chroma of 4:2:2 (taken from the sum of two pixels) by 2^14; samples come out
// centred on zero (value minus 512), as the transform takes them.
struct ProResColorWeights {
    std::int16_t yb, yg, yr;
    std::int16_t ub, ug, ur;
    std::int16_t vb, vg, vr;

    // The weights of a matrix given its red and blue luma weights (BT.709: 0.2126, 0.0722).
    static ProResColorWeights forMatrix(double kr, double kb);
};

struct ProResKernels {
    enum class Isa { scalar, sse41, avx2 };

    Isa isa;
    std::string_view name;

    // Converts `pixels` BGRA pixels (a multiple of 16) to centred luma and chroma; 4:2:2 writes
    // pixels / 2 chroma samples per plane, 4:4:4 `pixels`.
    void (*convertRow)(const std::uint8_t* bgra, int pixels, const ProResColorWeights& weights, bool chroma444,
        std::int16_t* y, std::int16_t* cb, std::int16_t* cr);

    // Forward 8x8 transforms of `count` blocks; block k starts at src + k * srcStep (samples) with
    // rows `srcStride` apart and goes to out + k * outStep. Coefficients are four times those of
    // the orthonormal transform, each block stored transposed (index = horizontal * 8 + vertical).
    void (*forwardDct)(
        const std::int16_t* src, std::ptrdiff_t srcStride, int srcStep, int count, std::int16_t* out, int outStep);

    // Quantises `count` coefficients (a multiple of 64): level = sign(c) * (((|c| + bias) *
    // reciprocal) >> 16). Sets bit i % 64 of masks[i / 64] for every non-zero level.
    void (*quantize)(const std::int16_t* coefficients, int count, std::uint16_t reciprocal, std::uint16_t bias,
        std::int16_t* levels, std::uint64_t* masks);

    // The table of an instruction set; nullptr when this build or processor lacks it.
    static const ProResKernels* forIsa(Isa isa);
    // The fastest table this processor runs.
    static const ProResKernels& best();
};

} // namespace media
