/*
 * SSE2 forms of the row procedures. Each handles single pixels until the destination is
 * 16-byte aligned (only when at least four pixels remain), then four pixels per step, then
 * the tail one at a time. The four-pixel arithmetic works on 16-bit lanes holding one channel
 * each, which gives exactly the truncating two-channels-per-multiply result of the plain form.
 */
#include <emmintrin.h>

#include "graphics/raster/SkBlitRowPriv.h"
#include "graphics/core/SkColorPriv.h"

namespace {

// SkAlphaMulQ of four pixels; scale holds one 16-bit scale (0...256) per channel lane.
// Red and blue: each low byte moved to the top of its lane, so the high half of the product
// is (channel * scale) >> 8 without a mask or shift of its own.
inline __m128i alpha_mul_q4 (__m128i c, __m128i scale)
{
    const __m128i rbMask = _mm_set1_epi32 (0x00FF00FF);
    __m128i rb = _mm_mulhi_epu16 (_mm_slli_epi16 (c, 8), scale);
    __m128i ag = _mm_mullo_epi16 (_mm_srli_epi16 (c, 8), scale);
    return _mm_or_si128 (rb, _mm_andnot_si128 (rbMask, ag));
}

// 256 - alpha of each pixel, spread over both 16-bit lanes of the pixel.
inline __m128i inv_alpha_scale4 (__m128i c)
{
    __m128i a = _mm_srli_epi32 (c, 24);
    a = _mm_or_si128 (a, _mm_slli_epi32 (a, 16));
    return _mm_sub_epi16 (_mm_set1_epi16 (256), a);
}

inline bool aligned16 (const void *p) { return ((uintptr_t)p & 15) == 0; }

inline __m128i load (const void *p) { return _mm_loadu_si128 ((const __m128i *)p); }
inline void store (uint32_t *p, __m128i v) { _mm_store_si128 ((__m128i *)p, v); }

// Four mask bytes widened to the 16-bit lanes of their pixels.
inline __m128i mask_bytes4 (const uint8_t *m)
{
    __m128i v = _mm_cvtsi32_si128 ((int)((uint32_t)m[0] | (uint32_t)m[1] << 8 | (uint32_t)m[2] << 16 |
                                         (uint32_t)m[3] << 24));
    v = _mm_unpacklo_epi8 (v, _mm_setzero_si128 ());      // 4 x u16
    return _mm_unpacklo_epi16 (v, v);                       // each twice: both lanes of a pixel
}

} // namespace

namespace SkBlitRowSSE2 {

void blitRowBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha)
{
    unsigned srcScale = alpha + 1, dstScale = 255 - alpha;
    if (count >= 4) {
        for (; count > 0 && !aligned16 (dst); dst++, src++, count--)
            *dst = SkAlphaMulQ (*src, srcScale) + SkAlphaMulQ (*dst, dstScale);
        __m128i ss = _mm_set1_epi16 ((short)srcScale), ds = _mm_set1_epi16 ((short)dstScale);
        for (; count >= 4; dst += 4, src += 4, count -= 4)
            store (dst, _mm_add_epi32 (alpha_mul_q4 (load (src), ss), alpha_mul_q4 (load (dst), ds)));
    }
    for (; count > 0; dst++, src++, count--) *dst = SkAlphaMulQ (*src, srcScale) + SkAlphaMulQ (*dst, dstScale);
}

void blitRowSrcAlpha32 (uint32_t *dst, const uint32_t *src, int count, unsigned)
{
    if (count >= 4) {
        for (; count > 0 && !aligned16 (dst); dst++, src++, count--)
            *dst = *src + SkAlphaMulQ (*dst, 256 - SkGetPackedA32 (*src));
        // Eight pixels a step: the two halves' loads and multiplies overlap.
        for (; count >= 8; dst += 8, src += 8, count -= 8) {
            __m128i s0 = load (src), s1 = load (src + 4);
            __m128i d0 = _mm_load_si128 ((const __m128i *)dst), d1 = _mm_load_si128 ((const __m128i *)(dst + 4));
            store (dst, _mm_add_epi32 (s0, alpha_mul_q4 (d0, inv_alpha_scale4 (s0))));
            store (dst + 4, _mm_add_epi32 (s1, alpha_mul_q4 (d1, inv_alpha_scale4 (s1))));
        }
        for (; count >= 4; dst += 4, src += 4, count -= 4) {
            __m128i s = load (src);
            store (dst, _mm_add_epi32 (s, alpha_mul_q4 (load (dst), inv_alpha_scale4 (s))));
        }
    }
    for (; count > 0; dst++, src++, count--) *dst = *src + SkAlphaMulQ (*dst, 256 - SkGetPackedA32 (*src));
}

void blitRowSrcAlphaBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha)
{
    unsigned s = alpha + 1;
    auto one = [s] (uint32_t d, uint32_t c) {
        uint32_t sc = SkAlphaMulQ (c, s);
        return sc + SkAlphaMulQ (d, 256 - SkGetPackedA32 (sc));
    };
    if (count >= 4) {
        for (; count > 0 && !aligned16 (dst); dst++, src++, count--) *dst = one (*dst, *src);
        __m128i scale = _mm_set1_epi16 ((short)s);
        for (; count >= 4; dst += 4, src += 4, count -= 4) {
            __m128i sc = alpha_mul_q4 (load (src), scale);
            store (dst, _mm_add_epi32 (sc, alpha_mul_q4 (load (dst), inv_alpha_scale4 (sc))));
        }
    }
    for (; count > 0; dst++, src++, count--) *dst = one (*dst, *src);
}

void color32 (uint32_t *dst, const uint32_t *src, int count, uint32_t color)
{
    unsigned scale = 255 - SkGetPackedA32 (color);
    if (count >= 4) {
        for (; count > 0 && !aligned16 (dst); dst++, src++, count--) *dst = color + SkAlphaMulQ (*src, scale);
        __m128i c = _mm_set1_epi32 ((int)color), sc = _mm_set1_epi16 ((short)scale);
        for (; count >= 4; dst += 4, src += 4, count -= 4)
            store (dst, _mm_add_epi32 (c, alpha_mul_q4 (load (src), sc)));
    }
    for (; count > 0; dst++, src++, count--) *dst = color + SkAlphaMulQ (*src, scale);
}

void colorA8MaskRow (uint32_t *dst, const uint8_t *mask, int count, uint32_t pmColor)
{
    auto one = [pmColor] (uint32_t d, unsigned m) {
        uint32_t sc = SkAlphaMulQ (pmColor, m + 1);
        return sc + SkAlphaMulQ (d, 256 - SkGetPackedA32 (sc));
    };
    if (count >= 4) {
        for (; count > 0 && !aligned16 (dst); dst++, mask++, count--) *dst = one (*dst, *mask);
        __m128i c = _mm_set1_epi32 ((int)pmColor), oneLane = _mm_set1_epi16 (1);
        for (; count >= 4; dst += 4, mask += 4, count -= 4) {
            __m128i sc = alpha_mul_q4 (c, _mm_add_epi16 (mask_bytes4 (mask), oneLane));
            store (dst, _mm_add_epi32 (sc, alpha_mul_q4 (_mm_load_si128 ((const __m128i *)dst), inv_alpha_scale4 (sc))));
        }
    }
    for (; count > 0; dst++, mask++, count--) *dst = one (*dst, *mask);
}

void colorA8MaskBlackRow (uint32_t *dst, const uint8_t *mask, int count)
{
    auto one = [] (uint32_t d, unsigned m) { return SkAlphaMulQ (d, 256 - m) + (m << 24); };
    if (count >= 4) {
        for (; count > 0 && !aligned16 (dst); dst++, mask++, count--) *dst = one (*dst, *mask);
        for (; count >= 4; dst += 4, mask += 4, count -= 4) {
            __m128i m = mask_bytes4 (mask);
            __m128i d = alpha_mul_q4 (_mm_load_si128 ((const __m128i *)dst), _mm_sub_epi16 (_mm_set1_epi16 (256), m));
            __m128i a = _mm_slli_epi32 (_mm_srli_epi32 (m, 16), 24);   // the high lane copy of m, moved to alpha
            store (dst, _mm_add_epi32 (d, a));
        }
    }
    for (; count > 0; dst++, mask++, count--) *dst = one (*dst, *mask);
}

} // namespace SkBlitRowSSE2
