// Built with SSE4.1 enabled; only called when the processor has it.
#include "media/writer/ProResKernelsSimd.h"

namespace media {

namespace {

// Y (or 4:4:4 chroma) of four pixels from the madd of their two halves.
inline __m128i weighted4(__m128i px01, __m128i px23, __m128i w)
{
    return _mm_hadd_epi32(_mm_madd_epi16(px01, w), _mm_madd_epi16(px23, w));
}

void convertRowSse41(const std::uint8_t* bgra, int pixels, const ProResColorWeights& w, bool chroma444, std::int16_t* y,
    std::int16_t* cb, std::int16_t* cr)
{
    const __m128i wy = _mm_setr_epi16(w.yb, w.yg, w.yr, 0, w.yb, w.yg, w.yr, 0);
    const __m128i wu = _mm_setr_epi16(w.ub, w.ug, w.ur, 0, w.ub, w.ug, w.ur, 0);
    const __m128i wv = _mm_setr_epi16(w.vb, w.vg, w.vr, 0, w.vb, w.vg, w.vr, 0);
    const __m128i lumaBias = _mm_set1_epi32(kProResLumaBias);
    const __m128i bias13 = _mm_set1_epi32(1 << 12);
    const __m128i bias14 = _mm_set1_epi32(1 << 13);
    for (int i = 0; i < pixels; i += 8) {
        const __m128i raw0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgra + 4 * i));
        const __m128i raw1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgra + 4 * i + 16));
        const __m128i p01 = _mm_cvtepu8_epi16(raw0), p23 = _mm_cvtepu8_epi16(_mm_srli_si128(raw0, 8));
        const __m128i p45 = _mm_cvtepu8_epi16(raw1), p67 = _mm_cvtepu8_epi16(_mm_srli_si128(raw1, 8));

        const __m128i y0 = _mm_srai_epi32(_mm_add_epi32(weighted4(p01, p23, wy), lumaBias), 13);
        const __m128i y1 = _mm_srai_epi32(_mm_add_epi32(weighted4(p45, p67, wy), lumaBias), 13);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i), _mm_packs_epi32(y0, y1));

        const __m128i u03 = weighted4(p01, p23, wu), u47 = weighted4(p45, p67, wu);
        const __m128i v03 = weighted4(p01, p23, wv), v47 = weighted4(p45, p67, wv);
        if (chroma444) {
            const __m128i u = _mm_packs_epi32(
                _mm_srai_epi32(_mm_add_epi32(u03, bias13), 13), _mm_srai_epi32(_mm_add_epi32(u47, bias13), 13));
            const __m128i v = _mm_packs_epi32(
                _mm_srai_epi32(_mm_add_epi32(v03, bias13), 13), _mm_srai_epi32(_mm_add_epi32(v47, bias13), 13));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cb + i), u);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cr + i), v);
        } else {
            // Adjacent pixel pairs summed before rounding: the average of the two.
            const __m128i u = _mm_srai_epi32(_mm_add_epi32(_mm_hadd_epi32(u03, u47), bias14), 14);
            const __m128i v = _mm_srai_epi32(_mm_add_epi32(_mm_hadd_epi32(v03, v47), bias14), 14);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(cb + i / 2), _mm_packs_epi32(u, u));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(cr + i / 2), _mm_packs_epi32(v, v));
        }
    }
}

void quantizeSse41(const std::int16_t* coefficients, int count, std::uint16_t reciprocal, std::uint16_t bias,
    std::int16_t* levels, std::uint64_t* masks)
{
    const __m128i r = _mm_set1_epi16(static_cast<std::int16_t>(reciprocal));
    const __m128i b = _mm_set1_epi16(static_cast<std::int16_t>(bias));
    const __m128i zero = _mm_setzero_si128();
    for (int base = 0; base < count; base += 64) {
        std::uint64_t mask = 0;
        for (int i = 0; i < 64; i += 16) {
            const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + base + i));
            const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + base + i + 8));
            const __m128i l0 = _mm_sign_epi16(_mm_mulhi_epu16(_mm_add_epi16(_mm_abs_epi16(c0), b), r), c0);
            const __m128i l1 = _mm_sign_epi16(_mm_mulhi_epu16(_mm_add_epi16(_mm_abs_epi16(c1), b), r), c1);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(levels + base + i), l0);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(levels + base + i + 8), l1);
            const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(l0, zero), _mm_cmpeq_epi16(l1, zero));
            const auto nonZero = static_cast<std::uint64_t>(~_mm_movemask_epi8(zeros) & 0xffff);
            mask |= nonZero << i;
        }
        masks[base / 64] = mask;
    }
}

} // namespace

const ProResKernels* proResSse41Kernels()
{
    static const ProResKernels table { ProResKernels::Isa::sse41, "sse4.1", convertRowSse41, forwardDct128,
        quantizeSse41 };
    return &table;
}

} // namespace media
