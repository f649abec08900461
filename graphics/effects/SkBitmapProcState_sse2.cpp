/*
 * SSE2 forms of the scale-only bilinear samplers. The sources are widened to 16-bit lanes
 * and weighted there: every product and every partial sum stays at or below 255 × 256, so
 * the lanes give exactly the sums of the plain form.
 */
#include <emmintrin.h>

#include "graphics/effects/SkBitmapProcStatePriv.h"

namespace {

typedef SkBitmapProcState State;

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

// Weights of the two columns of a pixel, 16 - x in lanes 0-3 and x in lanes 4-7.
struct ColumnWeights {
    alignas (16) uint16_t fLanes[16][8];
    constexpr ColumnWeights () : fLanes {}
    {
        for (unsigned x = 0; x < 16; x++)
            for (unsigned lane = 0; lane < 8; lane++) fLanes[x][lane] = (uint16_t)(lane < 4 ? 16 - x : x);
    }
};
constinit const ColumnWeights kColumnWeights {};

__m128i column_weights (unsigned x) { return _mm_load_si128 ((const __m128i *)kColumnWeights.fLanes[x]); }

const unsigned kMaxColumns = 512;

// Rows r0 and r1 blended by 16 - y and y, column by column from first to last: each column
// four 16-bit lanes (at most 255 × 16).
void blend_rows (const SkPMColor *r0, const SkPMColor *r1, unsigned first, unsigned last, __m128i wy0, __m128i wy1, uint16_t out[])
{
    __m128i zero = _mm_setzero_si128 ();
    unsigned k = first;
    for (; k + 1 <= last; k += 2, out += 8) {
        __m128i a = _mm_unpacklo_epi8 (_mm_loadl_epi64 ((const __m128i *)(r0 + k)), zero);
        __m128i b = _mm_unpacklo_epi8 (_mm_loadl_epi64 ((const __m128i *)(r1 + k)), zero);
        _mm_store_si128 ((__m128i *)out, _mm_add_epi16 (_mm_mullo_epi16 (a, wy0), _mm_mullo_epi16 (b, wy1)));
    }
    if (k == last) {
        __m128i a = _mm_unpacklo_epi8 (_mm_cvtsi32_si128 ((int)r0[k]), zero);
        __m128i b = _mm_unpacklo_epi8 (_mm_cvtsi32_si128 ((int)r1[k]), zero);
        _mm_storel_epi64 ((__m128i *)out, _mm_add_epi16 (_mm_mullo_epi16 (a, wy0), _mm_mullo_epi16 (b, wy1)));
    }
}

// One pixel from the blended columns: both columns weighted, the halves summed.
__m128i blend_columns (const uint16_t blended[], unsigned first, uint32_t xx)
{
    __m128i a = _mm_loadl_epi64 ((const __m128i *)(blended + 4 * (SkFilterCoordI0 (xx) - first)));
    __m128i b = _mm_loadl_epi64 ((const __m128i *)(blended + 4 * (SkFilterCoordI1 (xx) - first)));
    return _mm_mullo_epi16 (_mm_unpacklo_epi64 (a, b), column_weights (SkFilterCoordWeight (xx)));
}

// The columns the run reads, first to last; false when they span more than kMaxColumns.
bool column_range (const uint32_t xy[], int count, unsigned *first, unsigned *last)
{
    unsigned lo = 0x3FFF, hi = 0;
    for (int i = 0; i < count; i++) {
        unsigned x0 = SkFilterCoordI0 (xy[i]), x1 = SkFilterCoordI1 (xy[i]);
        lo = x0 < lo ? x0 : lo;
        lo = x1 < lo ? x1 : lo;
        hi = x0 > hi ? x0 : hi;
        hi = x1 > hi ? x1 : hi;
    }
    *first = lo;
    *last = hi;
    return hi - lo < kMaxColumns;
}

// The weighted sum of a run is linear: the two rows are blended once per column the run
// reads, then each pixel blends two of those columns. Same products, same sums.
template <bool Alpha> void filter_dx_sse2 (const State &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    uint32_t yy = *xy++;
    const SkPMColor *r0 = SkSampledRow (s, SkFilterCoordI0 (yy)), *r1 = SkSampledRow (s, SkFilterCoordI1 (yy));
    short wy = (short)SkFilterCoordWeight (yy);
    __m128i wy0 = _mm_set1_epi16 ((short)(16 - wy)), wy1 = _mm_set1_epi16 (wy);
    __m128i scale = _mm_set1_epi16 ((short)s.fAlphaScale);
    unsigned first, last;
    if (count <= 0) return;
    if (!column_range (xy, count, &first, &last)) {
        for (int i = 0; i < count; i++) {
            __m128i lanes = bilerp_lanes (r0, r1, xy[i], wy0, wy1);
            if (Alpha) lanes = _mm_srli_epi16 (_mm_mullo_epi16 (lanes, scale), 8);
            colors[i] = pack_lanes (lanes);
        }
        return;
    }
    alignas (16) uint16_t blended[kMaxColumns * 4 + 8];
    blend_rows (r0, r1, first, last, wy0, wy1, blended);
    int i = 0;
    for (; i + 1 < count; i += 2) {
        __m128i a = blend_columns (blended, first, xy[i]), b = blend_columns (blended, first, xy[i + 1]);
        __m128i sum = _mm_srli_epi16 (_mm_add_epi16 (_mm_unpacklo_epi64 (a, b), _mm_unpackhi_epi64 (a, b)), 8);
        if (Alpha) sum = _mm_srli_epi16 (_mm_mullo_epi16 (sum, scale), 8);
        _mm_storel_epi64 ((__m128i *)(colors + i), _mm_packus_epi16 (sum, sum));
    }
    if (i < count) {
        __m128i a = blend_columns (blended, first, xy[i]);
        __m128i sum = _mm_srli_epi16 (_mm_add_epi16 (a, _mm_srli_si128 (a, 8)), 8);
        if (Alpha) sum = _mm_srli_epi16 (_mm_mullo_epi16 (sum, scale), 8);
        colors[i] = pack_lanes (sum);
    }
}

// The inner part of a clamped run: columns p >> 16 and the next, both inside the bitmap.
// Two pixels per step; cols (p) gives the rows blended for both columns, eight lanes.
template <bool Alpha, typename Columns> void inner_pixels (const Columns &cols, uint32_t p, uint32_t step, int count, __m128i scale, SkPMColor colors[])
{
    int i = 0;
    for (; i + 1 < count; i += 2, p += 2 * step) {
        uint32_t q = p + step;
        __m128i a = _mm_mullo_epi16 (cols (p), column_weights ((p >> 12) & 0xF));
        __m128i b = _mm_mullo_epi16 (cols (q), column_weights ((q >> 12) & 0xF));
        __m128i sum = _mm_srli_epi16 (_mm_add_epi16 (_mm_unpacklo_epi64 (a, b), _mm_unpackhi_epi64 (a, b)), 8);
        if (Alpha) sum = _mm_srli_epi16 (_mm_mullo_epi16 (sum, scale), 8);
        _mm_storel_epi64 ((__m128i *)(colors + i), _mm_packus_epi16 (sum, sum));
    }
    if (i < count) {
        __m128i a = _mm_mullo_epi16 (cols (p), column_weights ((p >> 12) & 0xF));
        __m128i sum = _mm_srli_epi16 (_mm_add_epi16 (a, _mm_srli_si128 (a, 8)), 8);
        if (Alpha) sum = _mm_srli_epi16 (_mm_mullo_epi16 (sum, scale), 8);
        colors[i] = pack_lanes (sum);
    }
}

// Both columns read from the rows at each pixel: any step.
struct RowColumns {
    const SkPMColor *fRow0, *fRow1;
    __m128i fWy0, fWy1;
    __m128i operator() (uint32_t p) const
    {
        __m128i zero = _mm_setzero_si128 ();
        __m128i a = _mm_unpacklo_epi8 (_mm_loadl_epi64 ((const __m128i *)(fRow0 + (p >> 16))), zero);
        __m128i b = _mm_unpacklo_epi8 (_mm_loadl_epi64 ((const __m128i *)(fRow1 + (p >> 16))), zero);
        return _mm_add_epi16 (_mm_mullo_epi16 (a, fWy0), _mm_mullo_epi16 (b, fWy1));
    }
};

// Columns blended once each beforehand, positions taken from the first of them: a step of
// at most one pixel reads each column about 1 / step times.
struct BlendedColumns {
    const uint16_t *fBlended;
    __m128i operator() (uint32_t p) const { return _mm_loadu_si128 ((const __m128i *)(fBlended + 4 * (p >> 16))); }
};

template <bool Alpha, bool Upscale> void clamp_filter_run_sse2 (const State &s, int x, int y, SkPMColor colors[], int count)
{
    SkClampFilterRun row = SkClampFilterRow (s, x, y);
    __m128i wy0 = _mm_set1_epi16 ((short)(16 - row.fWeightY)), wy1 = _mm_set1_epi16 ((short)row.fWeightY);
    __m128i scale = _mm_set1_epi16 ((short)s.fAlphaScale);
    uint32_t step = (uint32_t)row.fStep;
    // A chunk holds at most 254 pixels, which read at most 255 columns at a step of one.
    alignas (16) uint16_t blended[kMaxColumns * 4 + 8];
    SkForEachClampFilterChunk (s, x, y, colors, count, [&] (const SkClampFilterRun &run, SkPMColor out[], int n) {
        for (int i = 0; i < run.fFirstInner; i++) out[i] = run.fLeftColor;
        int inner = run.fEndInner - run.fFirstInner;
        if (!Upscale) {
            inner_pixels<Alpha> (RowColumns { run.fRow0, run.fRow1, wy0, wy1 }, run.fInnerPos, step, inner, scale, out + run.fFirstInner);
        } else if (inner > 0) {
            uint32_t p = run.fInnerPos;
            unsigned first = p >> 16, last = ((p + (uint32_t)(inner - 1) * step) >> 16) + 1;
            blend_rows (run.fRow0, run.fRow1, first, last, wy0, wy1, blended);
            inner_pixels<Alpha> (BlendedColumns { blended }, p - (first << 16), step, inner, scale, out + run.fFirstInner);
        }
        for (int i = run.fEndInner; i < n; i++) out[i] = run.fRightColor;
    });
}

} // namespace

SkBitmapProcState::ShaderProc32 SkGetClampFilterShaderProc32_sse2 (bool alpha, bool upscale)
{
    if (upscale) return alpha ? clamp_filter_run_sse2<true, true> : clamp_filter_run_sse2<false, true>;
    return alpha ? clamp_filter_run_sse2<true, false> : clamp_filter_run_sse2<false, false>;
}

void SkFilterSample32_sse2 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    filter_dx_sse2<false> (s, xy, count, colors);
}

void SkFilterSampleAlpha32_sse2 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    filter_dx_sse2<true> (s, xy, count, colors);
}
