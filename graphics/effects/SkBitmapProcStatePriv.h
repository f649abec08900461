/*
 * The pieces of the bitmap sampler shared between its files: the procedure tables, the
 * one-pixel bilinear formula the plain and SSE2 forms agree on, and the SSE2 forms.
 */
#ifndef GRAPHICS_EFFECTS_SKBITMAPPROCSTATEPRIV_H_
#define GRAPHICS_EFFECTS_SKBITMAPPROCSTATEPRIV_H_

#include "graphics/core/SkProcForm.h"
#include "graphics/effects/SkBitmapProcState.h"

enum SkMatrixProcTable {
    kClamp_MatrixProcTable,     // clamp in both directions, in pixel space
    kRepeat_MatrixProcTable,    // repeat in both directions, in the unit square
    kGeneral_MatrixProcTable,   // any other pair, through the tile procedures
};

// index: filter (1) + affine (2) or perspective (4).
SkBitmapProcState::MatrixProc SkGetMatrixProc (SkMatrixProcTable table, int index);
// The translate-only procedure for the x tile mode.
SkBitmapProcState::MatrixProc SkGetTranslateMatrixProc (unsigned tileModeX);
// index: alpha (1) | scale-only (2) | filter (4), in the form SkGetProcForm names.
SkBitmapProcState::SampleProc32 SkGetSampleProc32 (int index);

// Row y of the bitmap being sampled.
static inline const SkPMColor *SkSampledRow (const SkBitmapProcState &s, unsigned y)
{
    return (const SkPMColor *)((const char *)s.fBitmap->getPixels () + (size_t)y * s.fBitmap->rowBytes ());
}

// Packed filter coordinates.
static inline uint32_t SkPackFilterCoord (unsigned i0, unsigned weight, unsigned i1)
{
    return (i0 << 18) | (weight << 14) | i1;
}
static inline unsigned SkFilterCoordI0 (uint32_t packed) { return packed >> 18; }
static inline unsigned SkFilterCoordWeight (uint32_t packed) { return (packed >> 14) & 0xF; }
static inline unsigned SkFilterCoordI1 (uint32_t packed) { return packed & 0x3FFF; }

// The four pixels weighted by x and y (0..15), red-blue and alpha-green lanes summed apart.
static inline SkPMColor SkBilerp32 (unsigned x, unsigned y, SkPMColor a00, SkPMColor a01, SkPMColor a10, SkPMColor a11)
{
    unsigned xy = x * y;
    unsigned w00 = 256 - 16 * x - 16 * y + xy, w01 = 16 * x - xy, w10 = 16 * y - xy, w11 = xy;
    uint32_t lo = (a00 & 0xFF00FF) * w00 + (a01 & 0xFF00FF) * w01 + (a10 & 0xFF00FF) * w10 + (a11 & 0xFF00FF) * w11;
    uint32_t hi = ((a00 >> 8) & 0xFF00FF) * w00 + ((a01 >> 8) & 0xFF00FF) * w01 +
                  ((a10 >> 8) & 0xFF00FF) * w10 + ((a11 >> 8) & 0xFF00FF) * w11;
    return ((lo >> 8) & 0xFF00FF) | (hi & 0xFF00FF00);
}

// Every channel times scale (0..256), shifted right by 8.
static inline SkPMColor SkScalePMColor (SkPMColor c, unsigned scale)
{
    return ((((c & 0xFF00FF) * scale) >> 8) & 0xFF00FF) | ((((c >> 8) & 0xFF00FF) * scale) & 0xFF00FF00);
}

// A filtered scale-only run under clamp tiling with a forward step. Its row is the same for
// every pixel; its pixels come in the chunks the split procedures take, each from a freshly
// mapped centre, and each chunk in three parts: the pixels before column 0's centre blend
// column 0 with itself, those past the last column's centre the last column with itself (one
// colour each, whatever the weight), and the ones between blend column p >> 16 with the next
// by (p >> 12) & 15, no clamping needed.
struct SkClampFilterRun {
    const SkPMColor *fRow0;     // the rows blended by 16 - fWeightY and fWeightY
    const SkPMColor *fRow1;
    unsigned fWeightY;
    SkFixed fStep;
    SkPMColor fLeftColor;       // scaled by the alpha scale, as every colour of the run
    SkPMColor fRightColor;
    // The chunk:
    int fFirstInner;            // pixels before it take fLeftColor
    int fEndInner;              // pixels from it on take fRightColor
    uint32_t fInnerPos;         // 16.16 position of pixel fFirstInner (when there is one)
};

// The row of the run at (x, y); the state's inverse is scale-only with fInvSx > 0.
SkClampFilterRun SkClampFilterRow (const SkBitmapProcState &s, int x, int y);
// The parts of the chunk of count pixels from (x, y).
void SkClampFilterChunk (const SkBitmapProcState &s, int x, int y, int count, SkClampFilterRun *run);

// Runs shade (run, colors, count) over each chunk of the count pixels from (x, y).
template <typename Shade> void SkForEachClampFilterChunk (const SkBitmapProcState &s, int x, int y, SkPMColor colors[], int count, Shade shade)
{
    SkClampFilterRun run = SkClampFilterRow (s, x, y);
    int max = s.maxCountPerCall ();
    for (int done = 0; done < count;) {
        int n = count - done < max ? count - done : max;
        SkClampFilterChunk (s, x + done, y, n, &run);
        shade (run, colors + done, n);
        done += n;
    }
}

// The whole-run procedure for a filtered scale-only clamped bitmap, in the form SkGetProcForm
// names; upscale: the step is at most one pixel, so the columns a run reads can be blended
// once each.
SkBitmapProcState::ShaderProc32 SkGetClampFilterShaderProc32 (bool alpha, bool upscale);

#if SK_PROCS_HAVE_VECTOR
SkBitmapProcState::ShaderProc32 SkGetClampFilterShaderProc32_sse2 (bool alpha, bool upscale);
void SkFilterSample32_sse2 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[]);
void SkFilterSampleAlpha32_sse2 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[]);
#endif

#endif
