/*
 * Non-anti-aliased rectangle fills and frames, the clip choice of the path fillers, and the
 * coordinate guards every converter shares.
 */
#include "graphics/raster/SkScanPriv.h"

#include "graphics/raster/SkLineClipper.h"

bool sk_scan_clip_line (const SkPoint in[2], const SkRect &limit, SkPoint out[2])
{
    if (!SkLineClipper::IntersectLine (in, limit, out)) return false;
    for (int i = 0; i < 2; i++) out[i].set (sk_scan_pin (out[i].fX), sk_scan_pin (out[i].fY));
    return true;
}

bool sk_scan_path_is_finite (const SkPath &path)
{
    const SkPoint *pts = path.getPoints ();
    float acc = 0;
    // x - x is 0 for finite x and NaN otherwise, and NaN survives the sum.
    for (int i = 0, n = path.countPoints (); i < n; i++) acc += (pts[i].fX - pts[i].fX) + (pts[i].fY - pts[i].fY);
    return acc == 0;
}

bool sk_scan_round_bounds (const SkRect &bounds, SkIRect *ir)
{
    if (!bounds.isFinite ()) return false;
    ir->set (sk_scan_round (bounds.fLeft), sk_scan_round (bounds.fTop), sk_scan_round (bounds.fRight),
             sk_scan_round (bounds.fBottom));
    return true;
}

bool sk_scan_round_out_bounds (const SkRect &bounds, SkIRect *ir)
{
    if (!bounds.isFinite ()) return false;
    // floor(v) is round(v - 0.5) and ceil(v) is -floor(-v), both within the same limits.
    float l = floorf (bounds.fLeft), t = floorf (bounds.fTop);
    float r = ceilf (bounds.fRight), b = ceilf (bounds.fBottom);
    ir->set (sk_scan_round (l), sk_scan_round (t), sk_scan_round (r), sk_scan_round (b));
    return true;
}

const SkRegion *sk_scan_limit_clip (const SkRegion &clip, SkRegion *storage)
{
    static const int32_t kLimit = 32767;
    const SkIRect &b = clip.getBounds ();
    if (b.fLeft >= -kLimit && b.fTop >= -kLimit && b.fRight <= kLimit && b.fBottom <= kLimit) return &clip;
    storage->op (clip, SkIRect::MakeLTRB (-kLimit, -kLimit, kLimit, kLimit), SkRegion::kIntersect_Op);
    return storage;
}

void SkScan::FillIRect (const SkIRect &r, const SkRegion *clip, SkBlitter *blitter)
{
    if (r.isEmpty ()) return;
    if (clip == nullptr) {
        blitter->blitRect (r.fLeft, r.fTop, r.width (), r.height ());
        return;
    }
    if (clip->isRect ()) {
        SkIRect rr;
        if (rr.intersect (r, clip->getBounds ())) blitter->blitRect (rr.fLeft, rr.fTop, rr.width (), rr.height ());
        return;
    }
    if (clip->isEmpty ()) return;
    blitter->blitRectRegion (r, *clip);
}

void SkScan::FillRect (const SkRect &r, const SkRegion *clip, SkBlitter *blitter)
{
    SkIRect ir;
    if (sk_scan_round_bounds (r, &ir)) FillIRect (ir, clip, blitter);
}

void SkScan::FrameRect (const SkRect &r, const SkPoint &strokeSize, const SkRegion *clip, SkBlitter *blitter)
{
    SkScalar dx = strokeSize.fX, dy = strokeSize.fY;
    if (!(dy >= 0) || !(dx >= 0)) return;      // also refuses NaN strokes
    SkRect outer = r;
    outer.outset (dx * 0.5f, dy * 0.5f);
    if (dx >= r.width () || dy >= r.height ()) {
        FillRect (outer, clip, blitter);
        return;
    }
    FillRect (SkRect::MakeLTRB (outer.fLeft, outer.fTop, outer.fRight, outer.fTop + dy), clip, blitter);
    FillRect (SkRect::MakeLTRB (outer.fLeft, outer.fBottom - dy, outer.fRight, outer.fBottom), clip, blitter);
    FillRect (SkRect::MakeLTRB (outer.fLeft, outer.fTop + dy, outer.fLeft + dx, outer.fBottom - dy), clip, blitter);
    FillRect (SkRect::MakeLTRB (outer.fRight - dx, outer.fTop + dy, outer.fRight, outer.fBottom - dy), clip,
              blitter);
}

SkScanClipper::SkScanClipper (SkBlitter *blitter, const SkRegion *clip, const SkIRect &ir)
    : fBlitter (nullptr), fClipRect (nullptr)
{
    if (clip == nullptr) {
        fBlitter = blitter;
        return;
    }
    const SkIRect &bounds = clip->getBounds ();
    if (!SkIRect::Intersects (bounds, ir)) return;
    fClipRect = &bounds;
    if (clip->isComplex ()) {
        fRgnBlitter.init (blitter, clip);
        fBlitter = &fRgnBlitter;
    } else if (bounds.fLeft >= ir.fLeft || bounds.fRight <= ir.fRight) {
        // Clipped edges keep their winding on the clip's sides, so spans can still start
        // or end beyond them (inverse fills always do); the wrapper cuts them. Edge x values
        // are truncated toward zero and stepped with floored products, so a span can also end
        // one pixel beyond the rounded path bounds: a path within a pixel of the clip's left
        // or right side is cut too.
        fRectBlitter.init (blitter, bounds);
        fBlitter = &fRectBlitter;
    } else if (bounds.contains (ir)) {
        fBlitter = blitter;
        fClipRect = nullptr;
    } else {
        fBlitter = blitter;         // only top and bottom clip, which the edges take care of
    }
}
