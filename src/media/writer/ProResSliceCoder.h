#pragma once

// Codes one ProRes slice (up to eight macroblocks of one macroblock row): converts its BGRA
// pixels, transforms the blocks, then finds the lowest quantisation index whose coded size fits
// the slice's byte budget and writes the slice at it.
//
// A coder owns sizeable scratch memory and is used by one thread at a time; the frame encoder
// keeps one per worker thread, made once.

#include "media/writer/ProResKernels.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace media {

class ProResSliceCoder {
public:
    static constexpr int kMaxMacroblocks = 8;
    static constexpr int kHeaderBytes = 6;
    // Bytes a slice never exceeds when coded with DC coefficients only at the coarsest scale.
    static constexpr int kDcOnlyBytes = 128;

    // Where the slice's pixels are: the picture's first row, its row stride (twice the frame's for
    // a field), its size, and the slice's first macroblock and macroblock count.
    struct Source {
        const std::uint8_t* bgra = nullptr;
        std::ptrdiff_t stride = 0;
        int width = 0;
        int height = 0;
        int mbX = 0;
        int mbY = 0;
        int mbCount = 0;
    };

    struct Settings {
        const ProResKernels* kernels = nullptr;
        ProResColorWeights weights {};
        bool chroma444 = false;
        bool interlaced = false; // field pictures use the field scan
        int minQuantIndex = 1;
    };

    // Converts and transforms the slice; the coefficients stay for encode().
    void load(const Settings& settings, const Source& source);

    // Writes the slice at the lowest quantisation index whose size is at most `targetBytes`
    // (the search starts at `startIndex`, the index the slice had last time). When even the
    // coarsest is too big, high frequencies are left out, down to DC coefficients alone (at most
    // kDcOnlyBytes). Returns the bytes written to `out`; `chosenIndex` tells the index used.
    int encode(int startIndex, int targetBytes, std::uint8_t* out, int& chosenIndex);

private:
    struct Component {
        int blocks = 0;
        alignas(32) std::int16_t coefficients[64 * 4 * kMaxMacroblocks]; // in scan order, blocks interleaved
    };
    // The quantised slice at one index.
    struct Levels {
        int quantIndex = 0;
        int bytes = 0;
        alignas(32) std::int16_t values[3][64 * 4 * kMaxMacroblocks];
        std::uint64_t masks[3][4 * kMaxMacroblocks];
        std::int16_t dcLevels[3][4 * kMaxMacroblocks];
    };

    void quantize(int quantIndex, Levels& into);
    // Bytes of the slice coding the first `positions` scan positions of every block.
    int count(const Levels& levels, int positions) const;
    int writeSlice(const Levels& levels, int positions, std::uint8_t* out) const;

    Settings settings_;
    int mbCount_ = 0;
    Component components_[3];
    Levels levelSets_[2];
    alignas(32) std::int16_t tiles_[3][16 * 128];
    alignas(32) std::int16_t blocks_[64 * 4 * kMaxMacroblocks];
    alignas(32) std::uint8_t edgeRow_[4 * 16 * kMaxMacroblocks];
};

} // namespace media
