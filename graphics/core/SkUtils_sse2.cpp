/*
 * x86 forms of the 16- and 32-bit fills. Single units until the destination is 16-byte
 * aligned, then 64 bytes per step, then the rest; large 32-bit fills by string stores or by
 * stores that bypass the caches. The result equals the plain loops.
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

namespace {

// From this many units on, one string store beats the vector loop: it streams whole cache
// lines without reading them first, at the same speed as the byte fill of the C library.
const int kStringStoreCount = 512;
// From this many units on (32 MiB, beyond the last-level cache of most processors) the fill
// bypasses the caches: it cannot stay in them anyway, and skipping them spares the reads of
// the lines it replaces. Below that a frame may well be drawn again from the cache, where
// bypassing it would cost four times over.
const int kNonTemporalCount = (32 << 20) / 4;

// Pairs of units by "rep stosq"; the destination is 4-byte aligned.
void fill_string (uint32_t *dst, uint32_t value, int count)
{
    if (((uintptr_t)dst & 4) != 0) {
        *dst++ = value;
        count--;
    }
    uint64_t pair = ((uint64_t)value << 32) | value;
    size_t pairs = (size_t)count >> 1;
    void *p = dst;
    __asm__ volatile ("rep stosq" : "+D"(p), "+c"(pairs) : "a"(pair) : "memory");
    if ((count & 1) != 0) *(uint32_t *)p = value;
}

void fill_non_temporal (uint32_t *dst, uint32_t value, int count)
{
    while (((uintptr_t)dst & 15) != 0 && count > 0) {
        *dst++ = value;
        count--;
    }
    __m128i v = _mm_set1_epi32 ((int)value);
    __m128i *d = (__m128i *)dst;
    for (; count >= 16; count -= 16, d += 4) {
        _mm_stream_si128 (d + 0, v);
        _mm_stream_si128 (d + 1, v);
        _mm_stream_si128 (d + 2, v);
        _mm_stream_si128 (d + 3, v);
    }
    // The streamed stores must be visible before anything that follows reads the pixels.
    _mm_sfence ();
    dst = (uint32_t *)d;
    while (count-- > 0) *dst++ = value;
}

} // namespace

void sk_memset32_SSE2 (uint32_t *dst, uint32_t value, int count)
{
    if (count < 16) {
        sk_memset32_portable (dst, value, count);
    } else if (count < kStringStoreCount) {
        fill_aligned (dst, value, _mm_set1_epi32 ((int)value), count);
    } else if (count < kNonTemporalCount) {
        fill_string (dst, value, count);
    } else {
        fill_non_temporal (dst, value, count);
    }
}
