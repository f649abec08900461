/*
 * Non-anti-aliased hairlines: one pixel per step along the major axis, with the position
 * on the minor axis stepped in 16.16; hairline rectangles and hairline paths.
 */
#include "graphics/core/SkMath.h"
#include "graphics/geometry/SkGeometry.h"
#include "graphics/raster/SkLineClipper.h"
#include "graphics/raster/SkScanPriv.h"

namespace {

const SkRect kLimitRect = { -SK_ScanMaxCoord, -SK_ScanMaxCoord, SK_ScanMaxCoord, SK_ScanMaxCoord };

bool points_are_finite (const SkPoint &p0, const SkPoint &p1)
{
    return SkScalarIsFinite (p0.fX) && SkScalarIsFinite (p0.fY) && SkScalarIsFinite (p1.fX) &&
           SkScalarIsFinite (p1.fY);
}

// The 16.16 position on the minor axis at the centre of the first major step: a0 is where
// the line starts on the major axis, b0 on the minor one (both 26.6).
SkFixed first_step (SkFDot6 a0, SkFDot6 b0, SkFixed slope)
{
    // The centre of the first pixel at or after a0: 1..64 away (a line starting half-way
    // between two pixels starts on the next one, a full pixel on).
    SkFDot6 toCentre = ((SkFDot6Round (a0) << 6) + 32) - a0;
    return SkFDot6ToFixed (b0) + (SkFixed)(((int64_t)toCentre * slope) >> 6);
}

void hair_y_major (SkFDot6 x0, SkFDot6 y0, SkFDot6 x1, SkFDot6 y1, SkBlitter *blitter)
{
    if (y0 > y1) {
        SkTSwap (x0, x1);
        SkTSwap (y0, y1);
    }
    int row = SkFDot6Round (y0), stop = SkFDot6Round (y1);
    if (row == stop) return;
    SkFixed slope = SkFixedDiv (x1 - x0, y1 - y0);
    SkFixed x = first_step (y0, x0, slope);
    for (; row < stop; row++, x += slope) blitter->blitH (x >> 16, row, 1);
}

void hair_x_major (SkFDot6 x0, SkFDot6 y0, SkFDot6 x1, SkFDot6 y1, SkBlitter *blitter)
{
    if (x0 > x1) {
        SkTSwap (x0, x1);
        SkTSwap (y0, y1);
    }
    int col = SkFDot6Round (x0), stop = SkFDot6Round (x1);
    if (col == stop) return;
    SkFixed slope = SkFixedDiv (y1 - y0, x1 - x0);
    SkFixed y = first_step (x0, y0, slope);
    for (; col < stop; col++, y += slope) blitter->blitH (col, y >> 16, 1);
}

// The blitter to draw bounds (pixels) through for clip, or null when nothing shows.
SkBlitter *clip_blitter (SkBlitterClipper *clipper, SkBlitter *blitter, const SkRegion *clip, const SkIRect &bounds)
{
    if (clip == nullptr) return blitter;
    if (!SkIRect::Intersects (clip->getBounds (), bounds)) return nullptr;
    if (clip->isRect () && clip->getBounds ().contains (bounds)) return blitter;
    return clipper->apply (blitter, clip, &bounds);
}

} // namespace

void SkScan::HairLine (const SkPoint &p0, const SkPoint &p1, const SkRegion *clip, SkBlitter *blitter)
{
    if (!points_are_finite (p0, p1) || (clip != nullptr && clip->isEmpty ())) return;
    SkPoint pts[2] = { p0, p1 };
    // Outside the reach of 26.6 nothing can show; clipping there keeps the line's slope.
    SkRect limit = kLimitRect;
    if (clip != nullptr) limit.set (clip->getBounds ());
    if (!limit.intersect (kLimitRect) || !SkLineClipper::IntersectLine (pts, limit, pts)) return;
    SkFDot6 x0 = SkFloatToFDot6 (pts[0].fX), y0 = SkFloatToFDot6 (pts[0].fY);
    SkFDot6 x1 = SkFloatToFDot6 (pts[1].fX), y1 = SkFloatToFDot6 (pts[1].fY);
    SkBlitterClipper clipper;
    SkIRect bounds = SkIRect::MakeLTRB (SkMin32 (x0, x1) >> 6, SkMin32 (y0, y1) >> 6, (SkMax32 (x0, x1) >> 6) + 2,
                                        (SkMax32 (y0, y1) >> 6) + 2);
    blitter = clip_blitter (&clipper, blitter, clip, bounds);
    if (blitter == nullptr) return;
    if (SkAbs32 (x1 - x0) <= SkAbs32 (y1 - y0)) hair_y_major (x0, y0, x1, y1, blitter);
    else hair_x_major (x0, y0, x1, y1, blitter);
}

void SkScan::HairRect (const SkRect &rect, const SkRegion *clip, SkBlitter *blitter)
{
    if (!rect.isFinite () || (clip != nullptr && clip->isEmpty ())) return;
    SkFixed left = SkFloatToFixed (sk_scan_pin (rect.fLeft)), top = SkFloatToFixed (sk_scan_pin (rect.fTop));
    SkFixed right = SkFloatToFixed (sk_scan_pin (rect.fRight)), bottom = SkFloatToFixed (sk_scan_pin (rect.fBottom));
    int x0 = left >> 16, y0 = top >> 16, x1 = (right >> 16) + 1, y1 = (bottom >> 16) + 1;
    int width = x1 - x0, height = y1 - y0;
    if (width <= 0 || height <= 0) return;
    SkBlitterClipper clipper;
    blitter = clip_blitter (&clipper, blitter, clip, SkIRect::MakeLTRB (x0, y0, x1, y1));
    if (blitter == nullptr) return;
    if (width >= 3 && height >= 3) {
        blitter->blitH (x0, y0, width);
        blitter->blitRect (x0, y0 + 1, 1, height - 2);
        blitter->blitRect (right >> 16, y0 + 1, 1, height - 2);
        blitter->blitH (x0, y1 - 1, width);
    } else {
        blitter->blitRect (x0, y0, width, height);
    }
}

void SkScan::AntiHairRect (const SkRect &r, const SkRegion *clip, SkBlitter *blitter)
{
    AntiHairLine (SkPoint::Make (r.fLeft, r.fTop), SkPoint::Make (r.fRight, r.fTop), clip, blitter);
    AntiHairLine (SkPoint::Make (r.fRight, r.fBottom), SkPoint::Make (r.fRight, r.fTop), clip, blitter);
    AntiHairLine (SkPoint::Make (r.fRight, r.fBottom), SkPoint::Make (r.fLeft, r.fBottom), clip, blitter);
    AntiHairLine (SkPoint::Make (r.fLeft, r.fTop), SkPoint::Make (r.fLeft, r.fBottom), clip, blitter);
}

namespace {

// |v| rounded up, for a subdivision estimate; NaN and huge values give the largest level.
int ceil_abs (SkScalar v)
{
    v = fabsf (v);
    return v < 65536.0f ? (int)ceilf (v) : 65536;
}

void hair_quad (const SkPoint pts[3], int level, const SkRegion *clip, SkBlitter *blitter, SkScan::HairLineProc proc)
{
    if (level <= 0) {
        proc (pts[0], pts[2], clip, blitter);
        return;
    }
    SkPoint halves[5];
    SkChopQuadAtHalf (pts, halves);
    hair_quad (halves, level - 1, clip, blitter, proc);
    hair_quad (halves + 2, level - 1, clip, blitter, proc);
}

void hair_cubic (const SkPoint pts[4], int level, const SkRegion *clip, SkBlitter *blitter, SkScan::HairLineProc proc)
{
    if (level <= 0) {
        proc (pts[0], pts[3], clip, blitter);
        return;
    }
    SkPoint halves[7];
    SkChopCubicAtHalf (pts, halves);
    hair_cubic (halves, level - 1, clip, blitter, proc);
    hair_cubic (halves + 3, level - 1, clip, blitter, proc);
}

// Halvings of a quad: enough that each piece's deviation from its chord is under a pixel.
int quad_level (const SkPoint pts[3])
{
    int dx = ceil_abs (SkScalarAve (pts[0].fX, pts[2].fX) - pts[1].fX);
    int dy = ceil_abs (SkScalarAve (pts[0].fY, pts[2].fY) - pts[1].fY);
    int d = dx > dy ? dx + (dy >> 1) : dy + (dx >> 1);
    return SkMin32 ((33 - SkCLZ ((uint32_t)d)) >> 1, 5);
}

} // namespace

void SkScan::HairPath (const SkPath &path, const SkRegion *clip, SkBlitter *blitter, HairLineProc proc)
{
    if (path.isEmpty ()) return;
    if (clip != nullptr) {
        SkIRect bounds;
        if (clip->isEmpty () || !sk_scan_round_out_bounds (path.getBounds (), &bounds)) return;
        bounds.inset (-1, -1);
        if (!SkIRect::Intersects (bounds, clip->getBounds ())) return;
        if (clip->isRect () && clip->getBounds ().contains (bounds)) clip = nullptr;
    }
    SkPath::Iter iter (path, false);
    SkPoint pts[4];
    for (SkPath::Verb verb; (verb = iter.next (pts)) != SkPath::kDone_Verb;) {
        switch (verb) {
        case SkPath::kLine_Verb: proc (pts[0], pts[1], clip, blitter); break;
        case SkPath::kQuad_Verb: hair_quad (pts, quad_level (pts), clip, blitter, proc); break;
        case SkPath::kCubic_Verb: hair_cubic (pts, 6, clip, blitter, proc); break;
        default: break;
        }
    }
}
