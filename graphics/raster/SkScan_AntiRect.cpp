/*
 * Anti-aliased rectangles in 24.8 fixed point: exact area coverage of axis-aligned edges,
 * for fills and for frames (whose inner edges combine the stroke's coverage in both axes).
 */
#include "graphics/raster/SkScanPriv.h"

void sk_blit_aa_row (SkBlitter *blitter, int x, int y, int count, SkAlpha alpha)
{
    // Runs of at most 100 pixels from a small stack buffer, refilled for every piece since
    // the callee may change both arrays.
    enum { kMaxRun = 100 };
    SkAlpha aa[kMaxRun + 1];
    int16_t runs[kMaxRun + 1];
    while (count > 0) {
        int n = SkMin32 (count, kMaxRun);
        aa[0] = alpha;
        runs[0] = (int16_t)n;
        runs[n] = 0;
        blitter->blitAntiH (x, y, aa, runs);
        x += n;
        count -= n;
    }
}

namespace {

// One pixel row of the rectangle [L, R) with vertical coverage alpha.
void do_scanline (SkFDot8 L, int row, SkFDot8 R, unsigned alpha, SkBlitter *blitter)
{
    if (alpha == 0) return;
    if ((L >> 8) == ((R - 1) >> 8)) {
        blitter->blitV (L >> 8, row, 1, (SkAlpha)(((R - L) * alpha) >> 8));
        return;
    }
    if ((L & 0xFF) != 0) {
        blitter->blitV (L >> 8, row, 1, (SkAlpha)(((256 - (L & 0xFF)) * alpha) >> 8));
        L = ((L >> 8) + 1) << 8;
    }
    sk_blit_aa_row (blitter, L >> 8, row, (R >> 8) - (L >> 8), (SkAlpha)alpha);
    if ((R & 0xFF) != 0) blitter->blitV (R >> 8, row, 1, (SkAlpha)(((R & 0xFF) * alpha) >> 8));
}

// The whole rows [top, top + height) of the rectangle.
void fill_full_rows (SkFDot8 L, int top, int height, SkFDot8 R, SkBlitter *blitter, bool fillInner)
{
    if (height <= 0) return;
    if ((L >> 8) == ((R - 1) >> 8)) {
        blitter->blitV (L >> 8, top, height, (SkAlpha)(R - L - 1));
        return;
    }
    if ((L & 0xFF) != 0) blitter->blitV (L >> 8, top, height, (SkAlpha)(256 - (L & 0xFF)));
    int left = (L + 0xFF) >> 8, right = R >> 8;
    if (fillInner && left < right) blitter->blitRect (left, top, right - left, height);
    if ((R & 0xFF) != 0) blitter->blitV (R >> 8, top, height, (SkAlpha)(R & 0xFF));
}

} // namespace

void sk_antifillrect (SkFDot8 L, SkFDot8 T, SkFDot8 R, SkFDot8 B, SkBlitter *blitter, bool fillInner)
{
    if (L >= R || T >= B) return;
    int top = T >> 8;
    if (((B - 1) >> 8) == top) {
        do_scanline (L, top, R, (unsigned)(B - T - 1), blitter);
        return;
    }
    if ((T & 0xFF) != 0) {
        do_scanline (L, top, R, 256 - (T & 0xFF), blitter);
        top += 1;
    }
    fill_full_rows (L, top, (B >> 8) - top, R, blitter, fillInner);
    if ((B & 0xFF) != 0) do_scanline (L, B >> 8, R, B & 0xFF, blitter);
}

namespace {

void antifillrect (const SkXRect &xr, SkBlitter *blitter)
{
    sk_antifillrect (SkFixedToFDot8 (xr.fLeft), SkFixedToFDot8 (xr.fTop), SkFixedToFDot8 (xr.fRight),
                     SkFixedToFDot8 (xr.fBottom), blitter, true);
}

// 16.16 of a coordinate: truncated, after limiting it to what 16.16 holds.
SkFixed to_fixed (float v) { return SkFloatToFixed (sk_scan_pin (v)); }

SkXRect to_xrect (const SkRect &r)
{
    SkXRect xr = { to_fixed (r.fLeft), to_fixed (r.fTop), to_fixed (r.fRight), to_fixed (r.fBottom) };
    return xr;
}

// A 16.16 value of an integer, limited to the 16.16 range.
SkFixed int_to_fixed (int32_t v) { return SkIntToFixed (SkPin32 (v, -32767, 32767)); }

// xr intersected with r; false when nothing is left.
bool xrect_intersect (const SkXRect &xr, const SkIRect &r, SkXRect *out)
{
    out->fLeft = SkMax32 (xr.fLeft, int_to_fixed (r.fLeft));
    out->fTop = SkMax32 (xr.fTop, int_to_fixed (r.fTop));
    out->fRight = SkMin32 (xr.fRight, int_to_fixed (r.fRight));
    out->fBottom = SkMin32 (xr.fBottom, int_to_fixed (r.fBottom));
    return out->fLeft < out->fRight && out->fTop < out->fBottom;
}

SkIRect xrect_round_out (const SkXRect &xr)
{
    return SkIRect::MakeLTRB (xr.fLeft >> 16, xr.fTop >> 16, SkFixedCeil (xr.fRight), SkFixedCeil (xr.fBottom));
}

// For each rectangle of a complex clip that meets bounds: xr intersected with it.
void fill_xrect_in_region (const SkXRect &xr, const SkIRect &bounds, const SkRegion &clip, SkBlitter *blitter)
{
    for (SkRegion::Cliperator it (clip, bounds); !it.done (); it.next ()) {
        SkXRect part;
        if (xrect_intersect (xr, it.rect (), &part)) antifillrect (part, blitter);
    }
}

} // namespace

void SkScan::AntiFillXRect (const SkXRect &xr, const SkRegion *clip, SkBlitter *blitter)
{
    if (clip == nullptr) {
        antifillrect (xr, blitter);
        return;
    }
    if (clip->isEmpty ()) return;
    SkIRect outer = xrect_round_out (xr);
    if (clip->isRect ()) {
        SkXRect part;
        if (clip->getBounds ().contains (outer)) antifillrect (xr, blitter);
        else if (xrect_intersect (xr, clip->getBounds (), &part)) antifillrect (part, blitter);
        return;
    }
    fill_xrect_in_region (xr, outer, *clip, blitter);
}

void SkScan::AntiFillRect (const SkRect &r, const SkRegion *clip, SkBlitter *blitter)
{
    if (!r.isFinite ()) return;
    SkXRect xr = to_xrect (r);
    if (clip == nullptr) {
        antifillrect (xr, blitter);
        return;
    }
    SkXRect part;
    if (clip->isEmpty () || !xrect_intersect (xr, clip->getBounds (), &part)) return;
    if (clip->isRect ()) antifillrect (part, blitter);
    else fill_xrect_in_region (part, xrect_round_out (part), *clip, blitter);
}

namespace {

// Coverage of the union of two coverages a and b of one pixel (a + b - a*b in 8 bits).
unsigned coverage_union (unsigned a, unsigned b)
{
    unsigned x = a * b + 128;
    return (a + b - ((x + (x >> 8)) >> 8)) & 0xFF;
}

// One row of the hole's edge: alpha is the stroke's coverage of the row; the partial pixels
// at L and R add the stroke's coverage across.
void inner_row (SkFDot8 L, int row, SkFDot8 R, unsigned alpha, SkBlitter *blitter)
{
    if ((L >> 8) == ((R - 1) >> 8)) {
        // The hole lies within one pixel: the stroke covers the rest of its width.
        blitter->blitV (L >> 8, row, 1, (SkAlpha)coverage_union (alpha, 256 - (R - L)));
        return;
    }
    if ((L & 0xFF) != 0) blitter->blitV (L >> 8, row, 1, (SkAlpha)coverage_union (alpha, L & 0xFF));
    int left = (L + 0xFF) >> 8;
    sk_blit_aa_row (blitter, left, row, (R >> 8) - left, (SkAlpha)alpha);
    if ((R & 0xFF) != 0) blitter->blitV (R >> 8, row, 1, (SkAlpha)coverage_union (alpha, 255 - (R & 0xFF)));
}

// The partial pixels around the hole [L2, R2) x [T2, B2), which is not empty.
void inner_edges (SkFDot8 L2, SkFDot8 T2, SkFDot8 R2, SkFDot8 B2, SkBlitter *blitter)
{
    int top = T2 >> 8;
    if (top == ((B2 - 1) >> 8)) {
        inner_row (L2, top, R2, 256 - (B2 - T2), blitter);
        return;
    }
    if ((T2 & 0xFF) != 0) {
        inner_row (L2, top, R2, T2 & 0xFF, blitter);
        top += 1;
    }
    int height = (B2 >> 8) - top;
    if (height > 0) {
        if ((L2 & 0xFF) != 0) blitter->blitV (L2 >> 8, top, height, (SkAlpha)(L2 & 0xFF));
        if ((R2 & 0xFF) != 0) blitter->blitV (R2 >> 8, top, height, (SkAlpha)(255 - (R2 & 0xFF)));
    }
    if ((B2 & 0xFF) != 0) inner_row (L2, B2 >> 8, R2, 255 - (B2 & 0xFF), blitter);
}

void blit_rect_if (SkBlitter *blitter, int l, int t, int r, int b)
{
    if (l < r && t < b) blitter->blitRect (l, t, r - l, b - t);
}

SkFDot8 to_fdot8 (float v) { return (SkFDot8)(sk_scan_pin (v) * 256.0f); }

// A stroke thinner than a pixel puts the outer and inner edges into the same pixels; an
// even-odd pair of rectangles gives each pixel its coverage once.
void thin_frame (const SkRect &outer, const SkRect &inner, const SkRegion *clip, SkBlitter *blitter)
{
    SkPath path;
    path.setFillType (SkPath::kEvenOdd_FillType);
    path.addRect (outer);
    if (!inner.isEmpty ()) path.addRect (inner);
    SkRegion storage;
    if (clip == nullptr) {
        SkIRect bounds;
        if (!sk_scan_round_out_bounds (outer, &bounds)) return;
        storage.setRect (bounds);
        clip = &storage;
    }
    SkScan::AntiFillPath (path, *clip, blitter);
}

} // namespace

void SkScan::AntiFrameRect (const SkRect &r, const SkPoint &strokeSize, const SkRegion *clip, SkBlitter *blitter)
{
    SkScalar sx = strokeSize.fX, sy = strokeSize.fY;
    if (!r.isFinite () || !(sx >= 0) || !(sy >= 0) || !SkScalarIsFinite (sx) || !SkScalarIsFinite (sy)) return;
    SkScalar dx = sx * 0.5f, dy = sy * 0.5f;
    SkRect outer = SkRect::MakeLTRB (r.fLeft - dx, r.fTop - dy, r.fRight + dx, r.fBottom + dy);
    SkRect inner = SkRect::MakeLTRB (r.fLeft + (sx - dx), r.fTop + (sy - dy), r.fRight - (sx - dx),
                                     r.fBottom - (sy - dy));
    if ((sx < 1 || sy < 1) && !inner.isEmpty ()) {
        thin_frame (outer, inner, clip, blitter);
        return;
    }
    SkFDot8 L = to_fdot8 (outer.fLeft), T = to_fdot8 (outer.fTop), R = to_fdot8 (outer.fRight), B = to_fdot8 (outer.fBottom);
    SkIRect outerBounds = SkIRect::MakeLTRB (L >> 8, T >> 8, (R + 0xFF) >> 8, (B + 0xFF) >> 8);
    SkBlitterClipper clipper;
    if (clip != nullptr) {
        if (clip->isEmpty () || !SkIRect::Intersects (clip->getBounds (), outerBounds)) return;
        if (!clip->isRect () || !clip->getBounds ().contains (outerBounds))
            blitter = clipper.apply (blitter, clip, &outerBounds);
    }
    sk_antifillrect (L, T, R, B, blitter, false);
    SkFDot8 L2 = to_fdot8 (inner.fLeft), T2 = to_fdot8 (inner.fTop), R2 = to_fdot8 (inner.fRight), B2 = to_fdot8 (inner.fBottom);
    int OL = (L + 0xFF) >> 8, OT = (T + 0xFF) >> 8, OR = R >> 8, OB = B >> 8;
    if (L2 < R2 && T2 < B2) {
        int holeTop = T2 >> 8, holeBottom = (B2 + 0xFF) >> 8;
        blit_rect_if (blitter, OL, OT, OR, holeTop);
        blit_rect_if (blitter, OL, holeTop, L2 >> 8, holeBottom);
        blit_rect_if (blitter, (R2 + 0xFF) >> 8, holeTop, OR, holeBottom);
        blit_rect_if (blitter, OL, holeBottom, OR, OB);
        inner_edges (L2, T2, R2, B2, blitter);
    } else {
        blit_rect_if (blitter, OL, OT, OR, OB);
    }
}
