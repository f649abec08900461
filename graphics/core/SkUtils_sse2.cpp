/*
 * SSE2 forms of the 16- and 32-bit fills. Single units until the destination is 16-byte
 * aligned, then 64 bytes per step, then the rest; the result equals the plain loops.
 */
#include <emmintrin.h>

#include "graphics/core/SkUtils.h"

void sk_memset16_SSE2 (uint16_t *dst, uint16_t value, int count)
{
    if (count < 32) {
        sk_memset16_portable (dst, value, count);
        return;
    }
    while (((uintptr_t)dst & 15) != 0 && count > 0) {
        *dst++ = value;
        count--;
    }
    __m128i v = _mm_set1_epi16 ((short)value);
    __m128i *d = (__m128i *)dst;
    while (count >= 32) {
        _mm_store_si128 (d + 0, v);
        _mm_store_si128 (d + 1, v);
        _mm_store_si128 (d + 2, v);
        _mm_store_si128 (d + 3, v);
        d += 4;
        count -= 32;
    }
    while (count >= 8) {
        _mm_store_si128 (d++, v);
        count -= 8;
    }
    dst = (uint16_t *)d;
    while (count-- > 0) {
        *dst++ = value;
    }
}

void sk_memset32_SSE2 (uint32_t *dst, uint32_t value, int count)
{
    if (count < 16) {
        sk_memset32_portable (dst, value, count);
        return;
    }
    while (((uintptr_t)dst & 15) != 0 && count > 0) {
        *dst++ = value;
        count--;
    }
    __m128i v = _mm_set1_epi32 ((int)value);
    __m128i *d = (__m128i *)dst;
    while (count >= 16) {
        _mm_store_si128 (d + 0, v);
        _mm_store_si128 (d + 1, v);
        _mm_store_si128 (d + 2, v);
        _mm_store_si128 (d + 3, v);
        d += 4;
        count -= 16;
    }
    while (count >= 4) {
        _mm_store_si128 (d++, v);
        count -= 4;
    }
    dst = (uint32_t *)d;
    while (count-- > 0) {
        *dst++ = value;
    }
}
