#pragma once

// Writes a big-endian bit string into memory the caller sized beforehand (the slice coder counts
// a slice's bits before it writes them, so the writer never checks for room).

#include <cstddef>
#include <cstdint>

namespace media {

class ProResBitWriter {
public:
    explicit ProResBitWriter(std::uint8_t* out)
        : out_(out)
        , start_(out)
    {
    }

    // Appends the low `count` bits of `value` (count 0 to 32, higher bits of value clear).
    void put(std::uint32_t value, int count)
    {
        if (count > free_) {
            // Fill the word, flush it, keep the rest.
            const int rest = count - free_;
            word_ |= std::uint64_t(value) >> rest;
            flushWord();
            free_ = 64 - rest;
            word_ = rest ? std::uint64_t(value) << free_ : 0;
            return;
        }
        free_ -= count;
        word_ |= std::uint64_t(value) << free_;
    }

    // Pads with zero bits to a whole byte and writes out what is pending; returns bytes written.
    std::size_t finish()
    {
        const int used = 64 - free_;
        for (int b = 0; b < (used + 7) / 8; ++b)
            *out_++ = static_cast<std::uint8_t>(word_ >> (56 - 8 * b));
        word_ = 0;
        free_ = 64;
        return static_cast<std::size_t>(out_ - start_);
    }

private:
    void flushWord()
    {
        const std::uint64_t be = __builtin_bswap64(word_);
        __builtin_memcpy(out_, &be, 8);
        out_ += 8;
    }

    std::uint8_t* out_;
    std::uint8_t* start_;
    std::uint64_t word_ = 0;
    int free_ = 64;
};

} // namespace media
