/*
 * SSE2 forms of the scale-only bilinear samplers. Each pixel's four sources are widened to
 * 16-bit lanes and weighted there: every product and every partial sum stays at or below
 * 255 × 256, so the lanes give exactly the sums of the plain form.
 */
#include <emmintrin.h>

#include "graphics/effects/SkBitmapProcStatePriv.h"

namespace {

typedef SkBitmapProcState State;

const SkPMColor *row_of (const State &s, unsigned y)
{
    return (const SkPMColor *)((const char *)s.fBitmap->getPixels () + (size_t)y * s.fBitmap->rowBytes ());
}

// Two pixels of one row, each channel a 16-bit lane: the first pixel in lanes 0-3.
__m128i widen_pair (SkPMColor a, SkPMColor b)
{
    __m128i pair = _mm_unpacklo_epi32 (_mm_cvtsi32_si128 ((int)a), _mm_cvtsi32_si128 ((int)b));
    return _mm_unpacklo_epi8 (pair, _mm_setzero_si128 ());
}

// The weighted sum >> 8 of one output pixel, in 16-bit lanes 0-3. wy0 and wy1 hold 16 - y
// and y in every lane.
__m128i bilerp_lanes (const SkPMColor *r0, const SkPMColor *r1, uint32_t xx, __m128i wy0, __m128i wy1)
{
    unsigned x0 = SkFilterCoordI0 (xx), x1 = SkFilterCoordI1 (xx);
    short wx = (short)SkFilterCoordWeight (xx);
    __m128i wxLanes = _mm_set_epi16 (wx, wx, wx, wx, (short)(16 - wx), (short)(16 - wx), (short)(16 - wx), (short)(16 - wx));
    __m128i top = _mm_mullo_epi16 (_mm_mullo_epi16 (widen_pair (r0[x0], r0[x1]), wxLanes), wy0);
    __m128i bottom = _mm_mullo_epi16 (_mm_mullo_epi16 (widen_pair (r1[x0], r1[x1]), wxLanes), wy1);
    __m128i sum = _mm_add_epi16 (top, bottom);
    sum = _mm_add_epi16 (sum, _mm_srli_si128 (sum, 8));
    return _mm_srli_epi16 (sum, 8);
}

SkPMColor pack_lanes (__m128i lanes) { return (SkPMColor)_mm_cvtsi128_si32 (_mm_packus_epi16 (lanes, lanes)); }

template <bool Alpha> void filter_dx_sse2 (const State &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    uint32_t yy = *xy++;
    const SkPMColor *r0 = row_of (s, SkFilterCoordI0 (yy)), *r1 = row_of (s, SkFilterCoordI1 (yy));
    short wy = (short)SkFilterCoordWeight (yy);
    __m128i wy0 = _mm_set1_epi16 ((short)(16 - wy)), wy1 = _mm_set1_epi16 (wy);
    __m128i scale = _mm_set1_epi16 ((short)s.fAlphaScale);
    for (int i = 0; i < count; i++) {
        __m128i lanes = bilerp_lanes (r0, r1, xy[i], wy0, wy1);
        if (Alpha) lanes = _mm_srli_epi16 (_mm_mullo_epi16 (lanes, scale), 8);
        colors[i] = pack_lanes (lanes);
    }
}

} // namespace

void SkFilterSample32_sse2 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    filter_dx_sse2<false> (s, xy, count, colors);
}

void SkFilterSampleAlpha32_sse2 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    filter_dx_sse2<true> (s, xy, count, colors);
}
