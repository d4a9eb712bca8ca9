#include "media/writer/ProResSliceCoder.h"

#include "media/writer/ProResBitWriter.h"
#include "media/writer/ProResTables.h"

#include <algorithm>
#include <cstring>
#include <utility>

// Runs for every coefficient of every frame; keep it fast in debug builds too.
#pragma GCC optimize("O3")

namespace media {

namespace {

// Rounding of AC levels: a little below a half, which saves more bits than it costs quality.
constexpr int kDeadZone256 = 96;
// A slice this close to its target (a 1/kCloseEnough share) takes no finer quantiser.
constexpr int kCloseEnough = 32;
// Codes of values below this come from tables.
constexpr std::uint32_t kTabled = 128;

struct Code {
    std::uint32_t bits;
    std::uint32_t length;
};

template <std::size_t N> struct CodeTables {
    std::array<ProResCodebook, N> books;
    Code entries[N][kTabled];
    std::uint8_t lengths[N][kTabled]; // the same lengths, denser for counting

    explicit CodeTables(const std::array<ProResCodebook, N>& codebooks)
        : books(codebooks)
    {
        for (std::size_t b = 0; b < N; ++b)
            for (std::uint32_t v = 0; v < kTabled; ++v) {
                entries[b][v] = Code { books[b].code(v), static_cast<std::uint32_t>(books[b].length(v)) };
                lengths[b][v] = static_cast<std::uint8_t>(books[b].length(v));
            }
    }
    Code get(std::size_t book, std::uint32_t value) const
    {
        if (value < kTabled)
            return entries[book][value];
        return Code { books[book].code(value), static_cast<std::uint32_t>(books[book].length(value)) };
    }
    std::uint32_t length(std::size_t book, std::uint32_t value) const
    {
        return value < kTabled ? lengths[book][value] : static_cast<std::uint32_t>(books[book].length(value));
    }
};

const CodeTables<16>& runTables()
{
    static const CodeTables<16> tables(kProResRunCodebooks);
    return tables;
}
const CodeTables<10>& levelTables()
{
    static const CodeTables<10> tables(kProResLevelCodebooks);
    return tables;
}

// Scan position -> index in a transposed block (the transform's output), per scan.
struct ScanOrder {
    std::uint8_t index[64];
    explicit ScanOrder(const std::array<std::uint8_t, 64>& scan)
    {
        for (int i = 0; i < 64; ++i)
            index[i] = static_cast<std::uint8_t>((scan[i] % 8) * 8 + scan[i] / 8);
    }
};

const ScanOrder& scanOrder(bool interlaced)
{
    static const ScanOrder progressive(kProResProgressiveScan);
    static const ScanOrder fields(kProResInterlacedScan);
    return interlaced ? fields : progressive;
}

// Counts bits instead of writing them.
struct BitCounter {
    std::uint32_t bits = 0;
    void put(std::uint32_t, std::uint32_t length) { bits += length; }
};

struct BitSink {
    ProResBitWriter& writer;
    void put(std::uint32_t value, std::uint32_t length) { writer.put(value, static_cast<int>(length)); }
};

std::uint32_t signedCode(int v)
{
    return v >= 0 ? static_cast<std::uint32_t>(v) << 1 : (static_cast<std::uint32_t>(-v) << 1) - 1;
}

// The DC coefficients: the first as it is, the others as differences whose sign is told
// relative to the previous difference's.
template <class Sink> void codeDcs(const std::int16_t* dc, int blocks, Sink& sink)
{
    Code first { kProResFirstDcCodebook.code(signedCode(dc[0])),
        static_cast<std::uint32_t>(kProResFirstDcCodebook.length(signedCode(dc[0]))) };
    sink.put(first.bits, first.length);
    std::uint32_t previousCode = kProResFirstDcDifferenceCode;
    bool negative = false;
    for (int j = 1; j < blocks; ++j) {
        const int delta = dc[j] - dc[j - 1];
        std::uint32_t code = 0;
        if (delta != 0) {
            const bool nowNegative = delta < 0;
            const auto magnitude = static_cast<std::uint32_t>(nowNegative ? -delta : delta);
            code = 2 * magnitude - (nowNegative != negative ? 1 : 0);
            negative = nowNegative;
        } else {
            negative = false;
        }
        const ProResCodebook& book = kProResDcCodebooks[std::min<std::uint32_t>(previousCode, 6)];
        sink.put(book.code(code), static_cast<std::uint32_t>(book.length(code)));
        previousCode = code;
    }
}

// Visits the non-zero AC coefficients in scan order, blocks interleaved, with the run of zeros
// before each and the previous run and level that choose its codebooks. Only the first
// `positions` scan positions of each block are visited (64: all).
template <class Visit>
inline void walkAcs(const std::int16_t* levels, const std::uint64_t* masks, int blocks, int positions, Visit&& visit)
{
    std::uint32_t previousRun = kProResFirstPreviousRun;
    std::uint32_t previousLevel = kProResFirstPreviousLevel;
    int last = blocks - 1;
    const int end = positions * blocks;
    for (int w = 0; w < (end + 63) / 64; ++w) {
        std::uint64_t mask = masks[w];
        if (w == 0)
            mask &= ~((std::uint64_t(1) << blocks) - 1); // the DC positions
        if (end - 64 * w < 64)
            mask &= (std::uint64_t(1) << (end - 64 * w)) - 1;
        while (mask) {
            const int p = w * 64 + __builtin_ctzll(mask);
            mask &= mask - 1;
            const int value = levels[p];
            const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
            const auto run = static_cast<std::uint32_t>(p - last - 1);
            last = p;
            visit(run, magnitude, value < 0, previousRun, previousLevel);
            previousRun = std::min<std::uint32_t>(run, 15);
            previousLevel = std::min<std::uint32_t>(magnitude, 9);
        }
    }
}

// The AC coefficients as (run of zeros, level, sign).
template <class Sink>
void codeAcs(const std::int16_t* levels, const std::uint64_t* masks, int blocks, int positions, Sink& sink)
{
    const CodeTables<16>& runs = runTables();
    const CodeTables<10>& levs = levelTables();
    walkAcs(levels, masks, blocks, positions,
        [&](std::uint32_t run, std::uint32_t magnitude, bool negative, std::uint32_t previousRun,
            std::uint32_t previousLevel) {
            const Code r = runs.get(previousRun, run);
            const Code l = levs.get(previousLevel, magnitude - 1);
            const std::uint32_t total = r.length + l.length + 1;
            if (total <= 32) {
                sink.put((r.bits << (l.length + 1)) | (l.bits << 1) | (negative ? 1u : 0u), total);
            } else {
                sink.put(r.bits, r.length);
                sink.put(l.bits, l.length);
                sink.put(negative ? 1u : 0u, 1);
            }
        });
}

// What codeAcs() would write, counted: the search for a slice's index runs this a few times
// for every slice, so it keeps to table lookups.
std::uint32_t countAcs(const std::int16_t* levels, const std::uint64_t* masks, int blocks, int positions)
{
    const CodeTables<16>& runs = runTables();
    const CodeTables<10>& levs = levelTables();
    std::uint32_t bits = 0;
    walkAcs(levels, masks, blocks, positions,
        [&](std::uint32_t run, std::uint32_t magnitude, bool, std::uint32_t previousRun, std::uint32_t previousLevel) {
            if (run < kTabled && magnitude <= kTabled) [[likely]]
                bits += runs.lengths[previousRun][run] + levs.lengths[previousLevel][magnitude - 1] + 1;
            else
                bits += runs.length(previousRun, run) + levs.length(previousLevel, magnitude - 1) + 1;
        });
    return bits;
}

int bytesOf(int bits)
{
    return (bits + 7) / 8;
}

} // namespace

void ProResSliceCoder::load(const Settings& settings, const Source& source)
{
    settings_ = settings;
    mbCount_ = source.mbCount;
    const ProResKernels& k = *settings.kernels;
    const int pixels = 16 * source.mbCount;
    constexpr int kTileStride = 128;

    // Pixels outside the picture repeat its last column and row.
    const int x0 = 16 * source.mbX;
    const int available = std::min(pixels, source.width - x0);
    for (int r = 0; r < 16; ++r) {
        const int row = std::min(16 * source.mbY + r, source.height - 1);
        const std::uint8_t* src = source.bgra + row * source.stride + 4 * x0;
        if (available < pixels) {
            std::memcpy(edgeRow_, src, 4 * static_cast<std::size_t>(available));
            for (int x = available; x < pixels; ++x)
                std::memcpy(edgeRow_ + 4 * x, src + 4 * (available - 1), 4);
            src = edgeRow_;
        }
        k.convertRow(src, pixels, settings.weights, settings.chroma444, tiles_[0] + r * kTileStride,
            tiles_[1] + r * kTileStride, tiles_[2] + r * kTileStride);
    }

    const ScanOrder& order = scanOrder(settings.interlaced);
    for (int c = 0; c < 3; ++c) {
        Component& comp = components_[c];
        const std::int16_t* tile = tiles_[c];
        const int n = source.mbCount;
        if (c == 0 || settings.chroma444) {
            // Four blocks per macroblock; luma in rows (TL TR BL BR), 4:4:4 chroma in columns.
            const bool columns = c != 0;
            comp.blocks = 4 * n;
            k.forwardDct(tile, kTileStride, 16, n, blocks_, 256);
            k.forwardDct(tile + 8, kTileStride, 16, n, blocks_ + (columns ? 128 : 64), 256);
            k.forwardDct(tile + 8 * kTileStride, kTileStride, 16, n, blocks_ + (columns ? 64 : 128), 256);
            k.forwardDct(tile + 8 * kTileStride + 8, kTileStride, 16, n, blocks_ + 192, 256);
        } else {
            comp.blocks = 2 * n;
            k.forwardDct(tile, kTileStride, 8, n, blocks_, 128);
            k.forwardDct(tile + 8 * kTileStride, kTileStride, 8, n, blocks_ + 64, 128);
        }
        const int blocks = comp.blocks;
        for (int i = 0; i < 64; ++i) {
            std::int16_t* dst = comp.coefficients + i * blocks;
            const std::int16_t* src = blocks_ + order.index[i];
            for (int j = 0; j < blocks; ++j)
                dst[j] = src[64 * j];
        }
    }
}

void ProResSliceCoder::quantize(int quantIndex, Levels& into)
{
    const int step = kProResMatrixWeight * proResQuantScale(quantIndex);
    const auto reciprocal = static_cast<std::uint16_t>((65536 + step - 1) / step);
    const auto bias = static_cast<std::uint16_t>(step * kDeadZone256 / 256);
    into.quantIndex = quantIndex;
    for (int c = 0; c < 3; ++c) {
        const Component& comp = components_[c];
        settings_.kernels->quantize(
            comp.coefficients, 64 * comp.blocks, reciprocal, bias, into.values[c], into.masks[c]);
        // DC levels are rounded to nearest: they are coded as differences, and a bias would
        // add up to a visible shift across the slice.
        for (int j = 0; j < comp.blocks; ++j) {
            const int dc = comp.coefficients[j];
            const int level = (std::abs(dc) + step / 2) / step;
            into.dcLevels[c][j] = static_cast<std::int16_t>(dc < 0 ? -level : level);
        }
    }
    into.bytes = count(into, 64);
}

int ProResSliceCoder::count(const Levels& levels, int positions) const
{
    int bytes = kHeaderBytes;
    for (int c = 0; c < 3; ++c) {
        BitCounter counter;
        codeDcs(levels.dcLevels[c], components_[c].blocks, counter);
        counter.bits += countAcs(levels.values[c], levels.masks[c], components_[c].blocks, positions);
        bytes += bytesOf(static_cast<int>(counter.bits));
    }
    return bytes;
}

int ProResSliceCoder::encode(int startIndex, int targetBytes, std::uint8_t* out, int& chosenIndex)
{
    const int lowest = std::max(settings_.minQuantIndex, kProResMinQuantIndex);
    // levelSets_[1] keeps the best fit found so far; [0] is the one being tried.
    Levels* trial = &levelSets_[0];
    Levels* fit = &levelSets_[1];
    fit->quantIndex = 0;
    int tooCoarse = 0; // highest index known not to fit, 0 when none
    auto tryIndex = [&](int index) {
        quantize(index, *trial);
        if (trial->bytes <= targetBytes) {
            std::swap(trial, fit);
            return true;
        }
        tooCoarse = std::max(tooCoarse, index);
        return false;
    };

    const int start = std::clamp(startIndex, lowest, kProResMaxQuantIndex);
    if (tryIndex(start)) {
        // Walk down in growing steps until a size does not fit, then halve the gap; a size
        // within a few percent of the target is taken as it is (the next slice gets the rest).
        for (int stepDown = 1; fit->quantIndex > lowest && fit->bytes < targetBytes - targetBytes / kCloseEnough;
             stepDown *= 2)
            if (!tryIndex(std::max(lowest, fit->quantIndex - stepDown)))
                break;
    } else {
        for (int stepUp = 1, known = start; known < kProResMaxQuantIndex; stepUp *= 2) {
            known = std::min(kProResMaxQuantIndex, known + stepUp);
            if (tryIndex(known))
                break;
        }
    }
    if (fit->quantIndex != 0) {
        while (tooCoarse >= lowest && fit->quantIndex - tooCoarse > 1)
            tryIndex((fit->quantIndex + tooCoarse) / 2);
        chosenIndex = fit->quantIndex;
        return writeSlice(*fit, 64, out);
    }

    // Even the coarsest scale is too big (noise on a small budget): drop the highest
    // frequencies until it fits, down to the DC coefficients alone.
    if (trial->quantIndex != kProResMaxQuantIndex)
        quantize(kProResMaxQuantIndex, *trial);
    int kept = 1;
    for (int low = 1, high = 63; low <= high;) {
        const int middle = (low + high) / 2;
        if (count(*trial, middle) <= targetBytes) {
            kept = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    chosenIndex = kProResMaxQuantIndex;
    return writeSlice(*trial, kept, out);
}

int ProResSliceCoder::writeSlice(const Levels& levels, int positions, std::uint8_t* out) const
{
    std::uint8_t* data = out + kHeaderBytes;
    int sizes[3];
    for (int c = 0; c < 3; ++c) {
        ProResBitWriter writer(data);
        BitSink sink { writer };
        codeDcs(levels.dcLevels[c], components_[c].blocks, sink);
        codeAcs(levels.values[c], levels.masks[c], components_[c].blocks, positions, sink);
        sizes[c] = static_cast<int>(writer.finish());
        data += sizes[c];
    }
    out[0] = static_cast<std::uint8_t>(kHeaderBytes << 3);
    out[1] = static_cast<std::uint8_t>(levels.quantIndex);
    out[2] = static_cast<std::uint8_t>(sizes[0] >> 8);
    out[3] = static_cast<std::uint8_t>(sizes[0]);
    out[4] = static_cast<std::uint8_t>(sizes[1] >> 8);
    out[5] = static_cast<std::uint8_t>(sizes[1]);
    return static_cast<int>(data - out);
}

} // namespace media
