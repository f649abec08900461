/*
 * SSE2 forms of the 16- and 32-bit fills. Single units until the destination is 16-byte
 * aligned, then 64 bytes per step, then the rest; the result equals the plain loops.
 */
#include <emmintrin.h>

#include "graphics/core/SkUtils.h"

namespace {

// One body for both unit sizes: they differ only in how many units a vector holds and how the
// value is broadcast. Forced inline so each fill keeps its own straight-line loop.
template <typename T>
__attribute__ ((always_inline)) inline void fill_aligned (T *dst, T value, __m128i v, int count)
{
    constexpr int kPerVector = 16 / (int)sizeof (T);
    while (((uintptr_t)dst & 15) != 0 && count > 0) {
        *dst++ = value;
        count--;
    }
    __m128i *d = (__m128i *)dst;
    while (count >= 4 * kPerVector) {
        _mm_store_si128 (d + 0, v);
        _mm_store_si128 (d + 1, v);
        _mm_store_si128 (d + 2, v);
        _mm_store_si128 (d + 3, v);
        d += 4;
        count -= 4 * kPerVector;
    }
    while (count >= kPerVector) {
        _mm_store_si128 (d++, v);
        count -= kPerVector;
    }
    dst = (T *)d;
    while (count-- > 0) {
        *dst++ = value;
    }
}

} // namespace

void sk_memset16_SSE2 (uint16_t *dst, uint16_t value, int count)
{
    if (count < 32) {
        sk_memset16_portable (dst, value, count);
        return;
    }
    fill_aligned (dst, value, _mm_set1_epi16 ((short)value), count);
}

void sk_memset32_SSE2 (uint32_t *dst, uint32_t value, int count)
{
    if (count < 16) {
        sk_memset32_portable (dst, value, count);
        return;
    }
    fill_aligned (dst, value, _mm_set1_epi32 ((int)value), count);
}
