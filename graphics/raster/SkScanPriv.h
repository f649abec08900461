/*
 * Helpers shared by the scan converters: conversions of float coordinates that never overflow,
 * and the pieces of the rectangle fills that several converters use.
 */
#ifndef GRAPHICS_RASTER_SKSCANPRIV_H_
#define GRAPHICS_RASTER_SKSCANPRIV_H_

#include "graphics/raster/SkScan.h"

// Coordinates are limited to this magnitude before any fixed-point conversion: 16.16 holds
// +-32767, and nothing a device can show lies further out.
#define SK_ScanMaxCoord 32767.0f

// v limited to [-SK_ScanMaxCoord, SK_ScanMaxCoord]; NaN becomes 0.
static inline float sk_scan_pin (float v)
{
    if (!(v > -SK_ScanMaxCoord)) return v != v ? 0.0f : -SK_ScanMaxCoord;
    return v < SK_ScanMaxCoord ? v : SK_ScanMaxCoord;
}

// A line clipped to limit (within the reach of SK_ScanMaxCoord), in out; false when nothing
// is left. The clipper's results are pinned to the reach too: for a nearly parallel line it
// answers with a midpoint, which may lie anywhere.
bool sk_scan_clip_line (const SkPoint in[2], const SkRect &limit, SkPoint out[2]);

// floor(v + 0.5) limited to +-2^30 (NaN gives 0): far beyond any clip, yet differences of
// two such values still fit in 32 bits.
static inline int32_t sk_scan_round (float v)
{
    float r = floorf (v + 0.5f);
    if (!(r > -1073741824.0f)) return r != r ? 0 : -1073741824;
    return r < 1073741824.0f ? (int32_t)r : 1073741824;
}

// Whether every point of path is finite (its bounds may hide a NaN point).
bool sk_scan_path_is_finite (const SkPath &path);

// Bounds of a path rounded like a rectangle: each side floor(v + 0.5). False for non-finite
// bounds, which draw nothing.
bool sk_scan_round_bounds (const SkRect &bounds, SkIRect *ir);
// Floor of left and top, ceiling of right and bottom; false for non-finite bounds.
bool sk_scan_round_out_bounds (const SkRect &bounds, SkIRect *ir);

// The clip's bounds limited to what 16.16 and 26.6 arithmetic can reach: the region itself
// when it lies inside, else its intersection with the limit (empty when nothing remains).
const SkRegion *sk_scan_limit_clip (const SkRegion &clip, SkRegion *storage);

// Anti-aliased fill of a 24.8 rectangle; with fillInner false only its partial edge pixels.
void sk_antifillrect (SkFDot8 L, SkFDot8 T, SkFDot8 R, SkFDot8 B, SkBlitter *blitter, bool fillInner);

// blitAntiH of count pixels from (x, y) with one coverage, in pieces of at most 100 pixels.
void sk_blit_aa_row (SkBlitter *blitter, int x, int y, int count, SkAlpha alpha);

#endif
