#include "media/writer/ProResKernelsSimd.h"

#include <algorithm>

// The reference loops; the vector tables must match them bit for bit. Keep them fast in debug
// builds too: tests encode whole pictures through them.
#pragma GCC optimize("O3")

namespace media {

namespace {

std::int16_t saturate(std::int32_t v)
{
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

std::int16_t descale(std::int32_t sum, int shift)
{
    return saturate((sum + (1 << (shift - 1))) >> shift);
}

// One 8-point transform with the butterflies and rounding of the vector code.
void transform8(const std::int32_t x[8], int shift, std::int16_t out[8])
{
    const std::int32_t a0 = x[0] + x[7], a1 = x[1] + x[6], a2 = x[2] + x[5], a3 = x[3] + x[4];
    const std::int32_t b0 = x[0] - x[7], b1 = x[1] - x[6], b2 = x[2] - x[5], b3 = x[3] - x[4];
    const std::int32_t e0 = a0 + a3, e1 = a1 + a2, e2 = a0 - a3, e3 = a1 - a2;
    out[0] = descale(e0 * kProResC4 + e1 * kProResC4, shift);
    out[4] = descale(e0 * kProResC4 - e1 * kProResC4, shift);
    out[2] = descale(e2 * kProResC2 + e3 * kProResC6, shift);
    out[6] = descale(e2 * kProResC6 - e3 * kProResC2, shift);
    out[1] = descale(b0 * kProResC1 + b1 * kProResC3 + b2 * kProResC5 + b3 * kProResC7, shift);
    out[3] = descale(b0 * kProResC3 - b1 * kProResC7 - b2 * kProResC1 - b3 * kProResC5, shift);
    out[5] = descale(b0 * kProResC5 - b1 * kProResC1 + b2 * kProResC7 + b3 * kProResC3, shift);
    out[7] = descale(b0 * kProResC7 - b1 * kProResC5 + b2 * kProResC3 - b3 * kProResC1, shift);
}

void forwardDctScalar(
    const std::int16_t* src, std::ptrdiff_t srcStride, int srcStep, int count, std::int16_t* out, int outStep)
{
    for (int k = 0; k < count; ++k, src += srcStep, out += outStep) {
        // Columns first (vertical frequencies), then rows; the result stays transposed.
        std::int16_t vertical[8][8]; // [vertical frequency][column]
        for (int c = 0; c < 8; ++c) {
            std::int32_t x[8];
            std::int16_t t[8];
            for (int r = 0; r < 8; ++r)
                x[r] = src[r * srcStride + c];
            transform8(x, kProResFirstPassShift, t);
            for (int v = 0; v < 8; ++v)
                vertical[v][c] = t[v];
        }
        for (int v = 0; v < 8; ++v) {
            std::int32_t x[8];
            std::int16_t t[8];
            for (int c = 0; c < 8; ++c)
                x[c] = vertical[v][c];
            transform8(x, kProResSecondPassShift, t);
            for (int u = 0; u < 8; ++u)
                out[u * 8 + v] = t[u];
        }
    }
}

void convertRowScalar(const std::uint8_t* bgra, int pixels, const ProResColorWeights& w, bool chroma444,
    std::int16_t* y, std::int16_t* cb, std::int16_t* cr)
{
    for (int i = 0; i < pixels; ++i) {
        const std::uint8_t* p = bgra + 4 * i;
        y[i] = static_cast<std::int16_t>((w.yb * p[0] + w.yg * p[1] + w.yr * p[2] + kProResLumaBias) >> 13);
    }
    if (chroma444) {
        for (int i = 0; i < pixels; ++i) {
            const std::uint8_t* p = bgra + 4 * i;
            cb[i] = static_cast<std::int16_t>((w.ub * p[0] + w.ug * p[1] + w.ur * p[2] + (1 << 12)) >> 13);
            cr[i] = static_cast<std::int16_t>((w.vb * p[0] + w.vg * p[1] + w.vr * p[2] + (1 << 12)) >> 13);
        }
        return;
    }
    for (int i = 0; i < pixels / 2; ++i) {
        const std::uint8_t* p = bgra + 8 * i;
        const int b = p[0] + p[4], g = p[1] + p[5], r = p[2] + p[6];
        cb[i] = static_cast<std::int16_t>((w.ub * b + w.ug * g + w.ur * r + (1 << 13)) >> 14);
        cr[i] = static_cast<std::int16_t>((w.vb * b + w.vg * g + w.vr * r + (1 << 13)) >> 14);
    }
}

void quantizeScalar(const std::int16_t* coefficients, int count, std::uint16_t reciprocal, std::uint16_t bias,
    std::int16_t* levels, std::uint64_t* masks)
{
    for (int base = 0; base < count; base += 64) {
        std::uint64_t mask = 0;
        for (int i = 0; i < 64; ++i) {
            const int c = coefficients[base + i];
            const std::uint32_t magnitude = static_cast<std::uint32_t>(c < 0 ? -c : c);
            const auto level = static_cast<std::int32_t>(((magnitude + bias) * reciprocal) >> 16);
            levels[base + i] = static_cast<std::int16_t>(c < 0 ? -level : level);
            mask |= std::uint64_t(level != 0) << i;
        }
        masks[base / 64] = mask;
    }
}

} // namespace

const ProResKernels& proResScalarKernels()
{
    static const ProResKernels table { ProResKernels::Isa::scalar, "scalar", convertRowScalar, forwardDctScalar,
        quantizeScalar };
    return table;
}

} // namespace media
