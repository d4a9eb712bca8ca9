#pragma once

// Shared by the kernel sources only: the transform constants every table uses, the entry points
// of the three tables, and (in the vector sources) the transform and quantiser written once over
// 128-bit and 256-bit registers. Everything with code sits in an unnamed namespace, so each
// source compiled for its own instruction set keeps its own copy.

#include "media/writer/ProResKernels.h"

#if defined(__SSE4_1__)
#include <immintrin.h>
#endif

namespace media {

// cos(k * pi / 16) * 2^14; the first pass keeps one fractional bit, the second none, which
// leaves the coefficients at four times the orthonormal transform.
inline constexpr std::int32_t kProResC1 = 16069, kProResC2 = 15137, kProResC3 = 13623, kProResC4 = 11585,
                              kProResC5 = 9102, kProResC6 = 6270, kProResC7 = 3196;
inline constexpr int kProResFirstPassShift = 13;
inline constexpr int kProResSecondPassShift = 15;
// Luma: black at 64 on the 10-bit scale, centred on 512, rounded.
inline constexpr std::int32_t kProResLumaBias = ((64 - 512) << 13) + (1 << 12);

const ProResKernels& proResScalarKernels();
const ProResKernels* proResSse41Kernels();
const ProResKernels* proResAvx2Kernels();

#if defined(__SSE4_1__)
namespace {

// Operations the transform needs, for both register widths. The 256-bit forms work on each
// 128-bit half on its own, so one register carries the rows of two blocks.
inline __m128i vadd(__m128i a, __m128i b)
{
    return _mm_add_epi16(a, b);
}
inline __m128i vsub(__m128i a, __m128i b)
{
    return _mm_sub_epi16(a, b);
}
inline __m128i vadd32(__m128i a, __m128i b)
{
    return _mm_add_epi32(a, b);
}
inline __m128i vmadd(__m128i a, __m128i b)
{
    return _mm_madd_epi16(a, b);
}
inline __m128i vlo16(__m128i a, __m128i b)
{
    return _mm_unpacklo_epi16(a, b);
}
inline __m128i vhi16(__m128i a, __m128i b)
{
    return _mm_unpackhi_epi16(a, b);
}
inline __m128i vlo32(__m128i a, __m128i b)
{
    return _mm_unpacklo_epi32(a, b);
}
inline __m128i vhi32(__m128i a, __m128i b)
{
    return _mm_unpackhi_epi32(a, b);
}
inline __m128i vlo64(__m128i a, __m128i b)
{
    return _mm_unpacklo_epi64(a, b);
}
inline __m128i vhi64(__m128i a, __m128i b)
{
    return _mm_unpackhi_epi64(a, b);
}
inline __m128i vpacks(__m128i a, __m128i b)
{
    return _mm_packs_epi32(a, b);
}
template <int shift> inline __m128i vsrai(__m128i a)
{
    return _mm_srai_epi32(a, shift);
}
inline void vset32(__m128i& out, std::int32_t v)
{
    out = _mm_set1_epi32(v);
}
#if defined(__AVX2__)
inline __m256i vadd(__m256i a, __m256i b)
{
    return _mm256_add_epi16(a, b);
}
inline __m256i vsub(__m256i a, __m256i b)
{
    return _mm256_sub_epi16(a, b);
}
inline __m256i vadd32(__m256i a, __m256i b)
{
    return _mm256_add_epi32(a, b);
}
inline __m256i vmadd(__m256i a, __m256i b)
{
    return _mm256_madd_epi16(a, b);
}
inline __m256i vlo16(__m256i a, __m256i b)
{
    return _mm256_unpacklo_epi16(a, b);
}
inline __m256i vhi16(__m256i a, __m256i b)
{
    return _mm256_unpackhi_epi16(a, b);
}
inline __m256i vlo32(__m256i a, __m256i b)
{
    return _mm256_unpacklo_epi32(a, b);
}
inline __m256i vhi32(__m256i a, __m256i b)
{
    return _mm256_unpackhi_epi32(a, b);
}
inline __m256i vlo64(__m256i a, __m256i b)
{
    return _mm256_unpacklo_epi64(a, b);
}
inline __m256i vhi64(__m256i a, __m256i b)
{
    return _mm256_unpackhi_epi64(a, b);
}
inline __m256i vpacks(__m256i a, __m256i b)
{
    return _mm256_packs_epi32(a, b);
}
template <int shift> inline __m256i vsrai(__m256i a)
{
    return _mm256_srai_epi32(a, shift);
}
inline void vset32(__m256i& out, std::int32_t v)
{
    out = _mm256_set1_epi32(v);
}
#endif

// Two 16-bit weights as one 32-bit lane for madd: the first multiplies the lower half.
constexpr std::int32_t pair(std::int32_t first, std::int32_t second)
{
    return static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(second) << 16) | (static_cast<std::uint32_t>(first) & 0xffff));
}

template <int shift, class V> inline V descale(V lo, V hi)
{
    V round;
    vset32(round, 1 << (shift - 1));
    return vpacks(vsrai<shift>(vadd32(lo, round)), vsrai<shift>(vadd32(hi, round)));
}

// a . (w0, w1) + b . (w2, w3) over interleaved lanes.
template <class V> inline V dot2(V a, std::int32_t w01, V b, std::int32_t w23)
{
    V p, q;
    vset32(p, w01);
    vset32(q, w23);
    return vadd32(vmadd(a, p), vmadd(b, q));
}
template <class V> inline V dot1(V a, std::int32_t w01)
{
    V p;
    vset32(p, w01);
    return vmadd(a, p);
}

// One 8-point transform down the rows r[0..7] (each lane a column), as the scalar reference.
template <int shift, class V> inline void transformRows(V r[8])
{
    const V a0 = vadd(r[0], r[7]), a1 = vadd(r[1], r[6]), a2 = vadd(r[2], r[5]), a3 = vadd(r[3], r[4]);
    const V b0 = vsub(r[0], r[7]), b1 = vsub(r[1], r[6]), b2 = vsub(r[2], r[5]), b3 = vsub(r[3], r[4]);
    const V e0 = vadd(a0, a3), e1 = vadd(a1, a2), e2 = vsub(a0, a3), e3 = vsub(a1, a2);
    const V e01l = vlo16(e0, e1), e01h = vhi16(e0, e1), e23l = vlo16(e2, e3), e23h = vhi16(e2, e3);
    const V b01l = vlo16(b0, b1), b01h = vhi16(b0, b1), b23l = vlo16(b2, b3), b23h = vhi16(b2, b3);
    r[0] = descale<shift>(dot1(e01l, pair(kProResC4, kProResC4)), dot1(e01h, pair(kProResC4, kProResC4)));
    r[4] = descale<shift>(dot1(e01l, pair(kProResC4, -kProResC4)), dot1(e01h, pair(kProResC4, -kProResC4)));
    r[2] = descale<shift>(dot1(e23l, pair(kProResC2, kProResC6)), dot1(e23h, pair(kProResC2, kProResC6)));
    r[6] = descale<shift>(dot1(e23l, pair(kProResC6, -kProResC2)), dot1(e23h, pair(kProResC6, -kProResC2)));
    r[1] = descale<shift>(dot2(b01l, pair(kProResC1, kProResC3), b23l, pair(kProResC5, kProResC7)),
        dot2(b01h, pair(kProResC1, kProResC3), b23h, pair(kProResC5, kProResC7)));
    r[3] = descale<shift>(dot2(b01l, pair(kProResC3, -kProResC7), b23l, pair(-kProResC1, -kProResC5)),
        dot2(b01h, pair(kProResC3, -kProResC7), b23h, pair(-kProResC1, -kProResC5)));
    r[5] = descale<shift>(dot2(b01l, pair(kProResC5, -kProResC1), b23l, pair(kProResC7, kProResC3)),
        dot2(b01h, pair(kProResC5, -kProResC1), b23h, pair(kProResC7, kProResC3)));
    r[7] = descale<shift>(dot2(b01l, pair(kProResC7, -kProResC5), b23l, pair(kProResC3, -kProResC1)),
        dot2(b01h, pair(kProResC7, -kProResC5), b23h, pair(kProResC3, -kProResC1)));
}

template <class V> inline void transpose8(V r[8])
{
    const V t0 = vlo16(r[0], r[1]), t1 = vhi16(r[0], r[1]), t2 = vlo16(r[2], r[3]), t3 = vhi16(r[2], r[3]);
    const V t4 = vlo16(r[4], r[5]), t5 = vhi16(r[4], r[5]), t6 = vlo16(r[6], r[7]), t7 = vhi16(r[6], r[7]);
    const V u0 = vlo32(t0, t2), u1 = vhi32(t0, t2), u2 = vlo32(t1, t3), u3 = vhi32(t1, t3);
    const V u4 = vlo32(t4, t6), u5 = vhi32(t4, t6), u6 = vlo32(t5, t7), u7 = vhi32(t5, t7);
    r[0] = vlo64(u0, u4);
    r[1] = vhi64(u0, u4);
    r[2] = vlo64(u1, u5);
    r[3] = vhi64(u1, u5);
    r[4] = vlo64(u2, u6);
    r[5] = vhi64(u2, u6);
    r[6] = vlo64(u3, u7);
    r[7] = vhi64(u3, u7);
}

// The whole block transform on rows already loaded; leaves the transposed coefficients in r.
template <class V> inline void forwardDctRows(V r[8])
{
    transformRows<kProResFirstPassShift>(r);
    transpose8(r);
    transformRows<kProResSecondPassShift>(r);
}

inline void forwardDct128(
    const std::int16_t* src, std::ptrdiff_t srcStride, int srcStep, int count, std::int16_t* out, int outStep)
{
    for (int k = 0; k < count; ++k, src += srcStep, out += outStep) {
        __m128i r[8];
        for (int i = 0; i < 8; ++i)
            r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * srcStride));
        forwardDctRows(r);
        for (int i = 0; i < 8; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 8), r[i]);
    }
}

} // namespace
#endif

} // namespace media
