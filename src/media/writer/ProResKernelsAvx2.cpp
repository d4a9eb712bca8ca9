// Built with AVX2 enabled; only called when the processor has it.
#include "media/writer/ProResKernelsSimd.h"

namespace media {

namespace {

// Sums of the madd halves of pixels p..p+3 and p+4..p+7, each register holding two pixels per
// 128-bit half: the result's halves are [s0 s1 s4 s5] and [s2 s3 s6 s7].
inline __m256i weighted8(__m256i px0, __m256i px1, __m256i w)
{
    return _mm256_hadd_epi32(_mm256_madd_epi16(px0, w), _mm256_madd_epi16(px1, w));
}

// Undoes the order weighted8 leaves when two of its results are packed: pixel pairs
// 0 2 4 6 | 1 3 5 7.
inline __m256i pairOrder()
{
    return _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
}

template <int shift> inline __m256i packRounded(__m256i a, __m256i b, __m256i bias)
{
    const __m256i packed = _mm256_packs_epi32(
        _mm256_srai_epi32(_mm256_add_epi32(a, bias), shift), _mm256_srai_epi32(_mm256_add_epi32(b, bias), shift));
    return _mm256_permutevar8x32_epi32(packed, pairOrder());
}

void convertRowAvx2(const std::uint8_t* bgra, int pixels, const ProResColorWeights& w, bool chroma444, std::int16_t* y,
    std::int16_t* cb, std::int16_t* cr)
{
    const __m256i wy
        = _mm256_setr_epi16(w.yb, w.yg, w.yr, 0, w.yb, w.yg, w.yr, 0, w.yb, w.yg, w.yr, 0, w.yb, w.yg, w.yr, 0);
    const __m256i wu
        = _mm256_setr_epi16(w.ub, w.ug, w.ur, 0, w.ub, w.ug, w.ur, 0, w.ub, w.ug, w.ur, 0, w.ub, w.ug, w.ur, 0);
    const __m256i wv
        = _mm256_setr_epi16(w.vb, w.vg, w.vr, 0, w.vb, w.vg, w.vr, 0, w.vb, w.vg, w.vr, 0, w.vb, w.vg, w.vr, 0);
    const __m256i lumaBias = _mm256_set1_epi32(kProResLumaBias);
    const __m256i bias13 = _mm256_set1_epi32(1 << 12);
    const __m256i bias14 = _mm256_set1_epi32(1 << 13);
    for (int i = 0; i < pixels; i += 16) {
        const auto* src = reinterpret_cast<const __m128i*>(bgra + 4 * i);
        const __m256i p0 = _mm256_cvtepu8_epi16(_mm_loadu_si128(src));
        const __m256i p1 = _mm256_cvtepu8_epi16(_mm_loadu_si128(src + 1));
        const __m256i p2 = _mm256_cvtepu8_epi16(_mm_loadu_si128(src + 2));
        const __m256i p3 = _mm256_cvtepu8_epi16(_mm_loadu_si128(src + 3));

        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(y + i), packRounded<13>(weighted8(p0, p1, wy), weighted8(p2, p3, wy), lumaBias));

        const __m256i u0 = weighted8(p0, p1, wu), u1 = weighted8(p2, p3, wu);
        const __m256i v0 = weighted8(p0, p1, wv), v1 = weighted8(p2, p3, wv);
        if (chroma444) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cb + i), packRounded<13>(u0, u1, bias13));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cr + i), packRounded<13>(v0, v1, bias13));
        } else {
            // Pair sums come out as samples 0 2 4 6 | 1 3 5 7.
            const __m256i order = pairOrder();
            const __m256i u = _mm256_permutevar8x32_epi32(
                _mm256_srai_epi32(_mm256_add_epi32(_mm256_hadd_epi32(u0, u1), bias14), 14), order);
            const __m256i v = _mm256_permutevar8x32_epi32(
                _mm256_srai_epi32(_mm256_add_epi32(_mm256_hadd_epi32(v0, v1), bias14), 14), order);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cb + i / 2),
                _mm_packs_epi32(_mm256_castsi256_si128(u), _mm256_extracti128_si256(u, 1)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cr + i / 2),
                _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
        }
    }
}

void forwardDctAvx2(
    const std::int16_t* src, std::ptrdiff_t srcStride, int srcStep, int count, std::int16_t* out, int outStep)
{
    // Two blocks per register, one in each half.
    int k = 0;
    for (; k + 1 < count; k += 2, src += 2 * srcStep, out += 2 * outStep) {
        __m256i r[8];
        for (int i = 0; i < 8; ++i)
            r[i] = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(src + srcStep + i * srcStride),
                reinterpret_cast<const __m128i*>(src + i * srcStride));
        forwardDctRows(r);
        for (int i = 0; i < 8; ++i)
            _mm256_storeu2_m128i(
                reinterpret_cast<__m128i*>(out + outStep + i * 8), reinterpret_cast<__m128i*>(out + i * 8), r[i]);
    }
    if (k < count)
        forwardDct128(src, srcStride, srcStep, 1, out, outStep);
}

void quantizeAvx2(const std::int16_t* coefficients, int count, std::uint16_t reciprocal, std::uint16_t bias,
    std::int16_t* levels, std::uint64_t* masks)
{
    const __m256i r = _mm256_set1_epi16(static_cast<std::int16_t>(reciprocal));
    const __m256i b = _mm256_set1_epi16(static_cast<std::int16_t>(bias));
    const __m256i zero = _mm256_setzero_si256();
    for (int base = 0; base < count; base += 64) {
        std::uint64_t mask = 0;
        for (int i = 0; i < 64; i += 32) {
            const __m256i c0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + base + i));
            const __m256i c1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + base + i + 16));
            const __m256i l0 = _mm256_sign_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(_mm256_abs_epi16(c0), b), r), c0);
            const __m256i l1 = _mm256_sign_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(_mm256_abs_epi16(c1), b), r), c1);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(levels + base + i), l0);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(levels + base + i + 16), l1);
            // packs interleaves the halves; put the bytes back in coefficient order.
            const __m256i zeros = _mm256_permute4x64_epi64(
                _mm256_packs_epi16(_mm256_cmpeq_epi16(l0, zero), _mm256_cmpeq_epi16(l1, zero)), 0xD8);
            const auto nonZero = static_cast<std::uint64_t>(~static_cast<std::uint32_t>(_mm256_movemask_epi8(zeros)));
            mask |= nonZero << i;
        }
        masks[base / 64] = mask;
    }
}

} // namespace

const ProResKernels* proResAvx2Kernels()
{
    static const ProResKernels table { ProResKernels::Isa::avx2, "avx2", convertRowAvx2, forwardDctAvx2, quantizeAvx2 };
    return &table;
}

} // namespace media
