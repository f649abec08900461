/*
 * The sampler's sample procedures for 8888 bitmaps: read the coordinates a matrix procedure
 * wrote and fetch (unfiltered) or blend four (filtered) pixels, scaling by the paint alpha in
 * the alpha forms. The table is indexed by alpha (1) | scale-only (2) | filter (4).
 */
#include "graphics/effects/SkBitmapProcStatePriv.h"

namespace {

typedef SkBitmapProcState State;

template <bool Alpha> SkPMColor finish (const State &s, SkPMColor c) { return Alpha ? SkScalePMColor (c, s.fAlphaScale) : c; }

template <bool Alpha> void dxdy_nofilter (const State &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    for (int i = 0; i < count; i++) {
        uint32_t v = xy[i];
        colors[i] = finish<Alpha> (s, SkSampledRow (s, v >> 16)[v & 0xFFFF]);
    }
}

template <bool Alpha> void dx_nofilter (const State &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    const SkPMColor *row = SkSampledRow (s, xy[0]);
    xy++;
    if (s.fBitmap->width () == 1) {
        SkPMColor c = finish<Alpha> (s, row[0]);
        for (int i = 0; i < count; i++) colors[i] = c;
        return;
    }
    for (int i = 0; i < count; i++) colors[i] = finish<Alpha> (s, row[(xy[i >> 1] >> ((i & 1) * 16)) & 0xFFFF]);
}

template <bool Alpha> void dxdy_filter (const State &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    for (int i = 0; i < count; i++, xy += 2) {
        uint32_t yy = xy[0], xx = xy[1];
        const SkPMColor *r0 = SkSampledRow (s, SkFilterCoordI0 (yy)), *r1 = SkSampledRow (s, SkFilterCoordI1 (yy));
        unsigned x0 = SkFilterCoordI0 (xx), x1 = SkFilterCoordI1 (xx);
        SkPMColor c = SkBilerp32 (SkFilterCoordWeight (xx), SkFilterCoordWeight (yy), r0[x0], r0[x1], r1[x0], r1[x1]);
        colors[i] = finish<Alpha> (s, c);
    }
}

template <bool Alpha> void dx_filter (const State &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    uint32_t yy = *xy++;
    const SkPMColor *r0 = SkSampledRow (s, SkFilterCoordI0 (yy)), *r1 = SkSampledRow (s, SkFilterCoordI1 (yy));
    unsigned wy = SkFilterCoordWeight (yy);
    for (int i = 0; i < count; i++) {
        uint32_t xx = xy[i];
        unsigned x0 = SkFilterCoordI0 (xx), x1 = SkFilterCoordI1 (xx);
        colors[i] = finish<Alpha> (s, SkBilerp32 (SkFilterCoordWeight (xx), wy, r0[x0], r0[x1], r1[x0], r1[x1]));
    }
}

void fill (SkPMColor colors[], int from, int to, SkPMColor c)
{
    for (int i = from; i < to; i++) colors[i] = c;
}

// The filtered scale of a clamped bitmap in one pass: each chunk's three parts straight from
// the stepped position.
template <bool Alpha> void clamp_filter_run (const State &s, int x, int y, SkPMColor colors[], int count)
{
    SkForEachClampFilterChunk (s, x, y, colors, count, [&s] (const SkClampFilterRun &run, SkPMColor out[], int n) {
        fill (out, 0, run.fFirstInner, run.fLeftColor);
        uint32_t p = run.fInnerPos;
        for (int i = run.fFirstInner; i < run.fEndInner; i++, p += (uint32_t)run.fStep) {
            unsigned x0 = p >> 16;
            SkPMColor c = SkBilerp32 ((p >> 12) & 0xF, run.fWeightY, run.fRow0[x0], run.fRow0[x0 + 1], run.fRow1[x0], run.fRow1[x0 + 1]);
            out[i] = finish<Alpha> (s, c);
        }
        fill (out, run.fEndInner, n, run.fRightColor);
    });
}

const State::SampleProc32 kPlainProcs[8] = {
    dxdy_nofilter<false>, dxdy_nofilter<true>, dx_nofilter<false>, dx_nofilter<true>,
    dxdy_filter<false>,   dxdy_filter<true>,   SkFilterSample32,   SkFilterSampleAlpha32,
};

} // namespace

void SkFilterSample32 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    dx_filter<false> (s, xy, count, colors);
}

void SkFilterSampleAlpha32 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[])
{
    dx_filter<true> (s, xy, count, colors);
}

SkBitmapProcState::SampleProc32 SkGetSampleProc32 (int index)
{
    if (index < 0 || index >= 8) return nullptr;
#if SK_PROCS_HAVE_VECTOR
    if (SkGetProcForm () == kVector_SkProcForm) {
        if (index == 6) return SkFilterSample32_sse2;
        if (index == 7) return SkFilterSampleAlpha32_sse2;
    }
#endif
    return kPlainProcs[index];
}

SkBitmapProcState::ShaderProc32 SkGetClampFilterShaderProc32 (bool alpha, bool upscale)
{
#if SK_PROCS_HAVE_VECTOR
    if (SkGetProcForm () == kVector_SkProcForm) return SkGetClampFilterShaderProc32_sse2 (alpha, upscale);
#endif
    (void)upscale;      // the plain form reads every pixel's columns directly at any step
    return alpha ? clamp_filter_run<true> : clamp_filter_run<false>;
}
