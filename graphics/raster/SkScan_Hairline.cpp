/*
 * Non-anti-aliased hairlines: one pixel per step along the major axis, with the position
 * on the minor axis stepped in 16.16; hairline rectangles and hairline paths.
 */
#include "graphics/core/SkMath.h"
#include "graphics/geometry/SkGeometry.h"
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

// One pixel per step along the major axis (26.6 from a0 to a1), at the minor position b
// stepped in 16.16; xMajor says which axis is the major one.
void hair_major (SkFDot6 a0, SkFDot6 b0, SkFDot6 a1, SkFDot6 b1, bool xMajor, SkBlitter *blitter)
{
    if (a0 > a1) {
        SkTSwap (a0, a1);
        SkTSwap (b0, b1);
    }
    int step = SkFDot6Round (a0), stop = SkFDot6Round (a1);
    if (step == stop) return;
    SkFixed slope = SkFixedDiv (b1 - b0, a1 - a0);
    SkFixed b = first_step (a0, b0, slope);
    if (xMajor) {
        for (; step < stop; step++, b += slope) blitter->blitH (step, b >> 16, 1);
    } else {
        for (; step < stop; step++, b += slope) blitter->blitH (b >> 16, step, 1);
    }
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
    if (!limit.intersect (kLimitRect) || !sk_scan_clip_line (pts, limit, pts)) return;
    SkFDot6 x0 = SkFloatToFDot6 (pts[0].fX), y0 = SkFloatToFDot6 (pts[0].fY);
    SkFDot6 x1 = SkFloatToFDot6 (pts[1].fX), y1 = SkFloatToFDot6 (pts[1].fY);
    SkBlitterClipper clipper;
    SkIRect bounds = SkIRect::MakeLTRB (SkMin32 (x0, x1) >> 6, SkMin32 (y0, y1) >> 6, (SkMax32 (x0, x1) >> 6) + 2,
                                        (SkMax32 (y0, y1) >> 6) + 2);
    blitter = clip_blitter (&clipper, blitter, clip, bounds);
    if (blitter == nullptr) return;
    if (SkAbs32 (x1 - x0) <= SkAbs32 (y1 - y0)) hair_major (y0, x0, y1, x1, false, blitter);
    else hair_major (x0, y0, x1, y1, true, blitter);
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

// A quad (count 3) or cubic (count 4) halved level times, each piece drawn as its chord.
void hair_curve (const SkPoint pts[], int count, int level, const SkRegion *clip, SkBlitter *blitter,
                 SkScan::HairLineProc proc)
{
    if (level <= 0) {
        proc (pts[0], pts[count - 1], clip, blitter);
        return;
    }
    SkPoint halves[7];
    if (count == 3) SkChopQuadAtHalf (pts, halves);
    else SkChopCubicAtHalf (pts, halves);
    hair_curve (halves, count, level - 1, clip, blitter, proc);
    hair_curve (halves + count - 1, count, level - 1, clip, blitter, proc);
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
        case SkPath::kQuad_Verb: hair_curve (pts, 3, quad_level (pts), clip, blitter, proc); break;
        case SkPath::kCubic_Verb: hair_curve (pts, 4, 6, clip, blitter, proc); break;
        default: break;
        }
    }
}
