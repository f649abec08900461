/*
 * Anti-aliased hairlines: each step along the major axis spreads the line over the two pixels
 * nearest to it on the minor axis, in 8-bit coverage scaled by how much of the step's pixel
 * column (or row) the line covers.
 */
#include "graphics/raster/SkScanPriv.h"

namespace {

// Longest major-axis extent drawn in one piece (511 px in 26.6): keeps the 16.16 slope
// arithmetic in range.
const int kMaxExtent = 32704;

inline unsigned scaled (unsigned alpha, int mod64) { return (alpha * (unsigned)mod64) >> 6; }

// Each procedure draws the steps [a, stopA) and returns the advanced minor position.
typedef SkFixed (*LineProc) (int a, int stopA, SkFixed f, SkFixed slope, SkBlitter *blitter, int mod64);

SkFixed horizontal_proc (int x, int stopX, SkFixed fy, SkFixed, SkBlitter *blitter, int mod64)
{
    int y = (fy + 0x8000) >> 16;
    unsigned a = ((fy + 0x8000) >> 8) & 0xFF;
    unsigned lower = scaled (a, mod64), upper = scaled (255 - a, mod64);
    if (lower != 0) sk_blit_aa_row (blitter, x, y, stopX - x, (SkAlpha)lower);
    if (upper != 0) sk_blit_aa_row (blitter, x, y - 1, stopX - x, (SkAlpha)upper);
    return fy;
}

void blit_one (SkBlitter *blitter, int x, int y, unsigned alpha)
{
    if (alpha == 0) return;
    SkAlpha aa[2] = { (SkAlpha)alpha, 0 };
    int16_t runs[2] = { 1, 0 };
    blitter->blitAntiH (x, y, aa, runs);
}

SkFixed horizontalish_proc (int x, int stopX, SkFixed fy, SkFixed slope, SkBlitter *blitter, int mod64)
{
    fy += 0x8000;
    for (; x < stopX; x++, fy += slope) {
        int lower = fy >> 16;
        unsigned a = (fy >> 8) & 0xFF;
        blit_one (blitter, x, lower, scaled (a, mod64));
        blit_one (blitter, x, lower - 1, scaled (255 - a, mod64));
    }
    return fy - 0x8000;
}

SkFixed vertical_proc (int y, int stopY, SkFixed fx, SkFixed, SkBlitter *blitter, int mod64)
{
    int x = (fx + 0x8000) >> 16;
    unsigned a = ((fx + 0x8000) >> 8) & 0xFF;
    unsigned right = scaled (a, mod64), left = scaled (255 - a, mod64);
    if (right != 0) blitter->blitV (x, y, stopY - y, (SkAlpha)right);
    if (left != 0) blitter->blitV (x - 1, y, stopY - y, (SkAlpha)left);
    return fx;
}

SkFixed verticalish_proc (int y, int stopY, SkFixed fx, SkFixed slope, SkBlitter *blitter, int mod64)
{
    fx += 0x8000;
    for (; y < stopY; y++, fx += slope) {
        int x = fx >> 16;
        unsigned a = (fx >> 8) & 0xFF;
        SkAlpha aa[3] = { (SkAlpha)scaled (255 - a, mod64), (SkAlpha)scaled (a, mod64), 0 };
        int16_t runs[3] = { 1, 1, 0 };
        blitter->blitAntiH (x - 1, y, aa, runs);
    }
    return fx - 0x8000;
}

// One line along its major axis a (26.6 from a0 to a1, a0 < a1 after ordering) with the
// minor axis b; the clip's ranges along both axes, or null.
struct MajorLine {
    SkFDot6 a0, b0, a1, b1;
    bool xMajor;
};

// The rows (or columns) of the minor axis the steps can touch: [*lo, *hi).
void minor_range (SkFixed fstart, SkFixed slope, int steps, int *lo, int *hi)
{
    SkFixed fend = fstart + slope * (steps - 1);
    SkFixed low = SkMin32 (fstart, fend), high = SkMax32 (fstart, fend);
    *lo = ((low - 0x8000) >> 16) - 1;
    *hi = ((high + 0x17FFF) >> 16) + 1;
}

void draw_major (const MajorLine &line, const SkIRect *clip, SkBlitter *blitter)
{
    SkFDot6 a0 = line.a0, b0 = line.b0, a1 = line.a1, b1 = line.b1;
    if (a0 > a1) {
        SkTSwap (a0, a1);
        SkTSwap (b0, b1);
    }
    int istart = a0 >> 6, istop = (a1 + 63) >> 6;
    SkFixed fstart = SkFDot6ToFixed (b0), slope = 0;
    LineProc proc = line.xMajor ? horizontal_proc : vertical_proc;
    if (b0 != b1) {
        slope = (SkFixed)(((int64_t)(b1 - b0) << 16) / (a1 - a0));
        fstart += (((32 - (a0 & 63)) * slope) + 32) >> 6;
        proc = line.xMajor ? horizontalish_proc : verticalish_proc;
    }
    int scaleStart, scaleStop;
    if (istop - istart == 1) {
        scaleStart = a1 - a0;
        scaleStop = 0;
    } else {
        scaleStart = 64 - (a0 & 63);
        scaleStop = a1 & 63;
    }
    SkRectClipBlitter rectClipper;
    if (clip != nullptr) {
        int clipLo = line.xMajor ? clip->fLeft : clip->fTop, clipHi = line.xMajor ? clip->fRight : clip->fBottom;
        if (istart >= clipHi || istop <= clipLo) return;
        if (istart < clipLo) {
            fstart += slope * (clipLo - istart);
            istart = clipLo;
            scaleStart = 64;
        }
        if (istop > clipHi) {
            istop = clipHi;
            scaleStop = 64;
        }
        if (istart >= istop) return;
        int lo, hi;
        minor_range (fstart, slope, istop - istart, &lo, &hi);
        int minorLo = line.xMajor ? clip->fTop : clip->fLeft, minorHi = line.xMajor ? clip->fBottom : clip->fRight;
        if (lo >= minorHi || hi <= minorLo) return;
        if (lo < minorLo || hi > minorHi) {
            rectClipper.init (blitter, *clip);
            blitter = &rectClipper;
        }
        if (istop - istart == 1 && scaleStop > 0) {
            // One step left after clipping: drawing it as both first and last step would
            // blend it twice. Its coverage is the smaller of the two scales (a clipped side
            // covers the whole step).
            proc (istart, istop, fstart, slope, blitter, SkMin32 (scaleStart, scaleStop));
            return;
        }
    }
    fstart = proc (istart, istart + 1, fstart, slope, blitter, scaleStart);
    istart += 1;
    int full = istop - istart - (scaleStop > 0 ? 1 : 0);
    if (full > 0) fstart = proc (istart, istart + full, fstart, slope, blitter, 64);
    if (scaleStop > 0) proc (istop - 1, istop, fstart, slope, blitter, scaleStop);
}

void do_anti_hairline (SkFDot6 x0, SkFDot6 y0, SkFDot6 x1, SkFDot6 y1, const SkIRect *clip, SkBlitter *blitter)
{
    if (SkAbs32 (x1 - x0) > kMaxExtent || SkAbs32 (y1 - y0) > kMaxExtent) {
        SkFDot6 hx = (x0 >> 1) + (x1 >> 1), hy = (y0 >> 1) + (y1 >> 1);
        do_anti_hairline (x0, y0, hx, hy, clip, blitter);
        do_anti_hairline (hx, hy, x1, y1, clip, blitter);
        return;
    }
    if (SkAbs32 (x1 - x0) > SkAbs32 (y1 - y0)) {
        draw_major (MajorLine { x0, y0, x1, y1, true }, clip, blitter);
    } else if (x0 != x1 || y0 != y1) {
        draw_major (MajorLine { y0, x0, y1, x1, false }, clip, blitter);
    }
}

} // namespace

void SkScan::AntiHairLine (const SkPoint &p0, const SkPoint &p1, const SkRegion *clip, SkBlitter *blitter)
{
    if (clip != nullptr && clip->isEmpty ()) return;
    if (!SkScalarIsFinite (p0.fX) || !SkScalarIsFinite (p0.fY) || !SkScalarIsFinite (p1.fX) || !SkScalarIsFinite (p1.fY))
        return;
    SkPoint pts[2] = { p0, p1 };
    // Beyond the reach of 26.6 nothing can show; clipping there keeps the line's slope.
    SkRect limit = { -SK_ScanMaxCoord, -SK_ScanMaxCoord, SK_ScanMaxCoord, SK_ScanMaxCoord };
    if (clip != nullptr) {
        SkIRect grown = clip->getBounds ();
        grown.inset (-1, -1);
        SkRect r;
        r.set (grown);
        if (!limit.intersect (r)) return;
    }
    if (!sk_scan_clip_line (pts, limit, pts)) return;
    SkFDot6 x0 = SkFloatToFDot6 (pts[0].fX), y0 = SkFloatToFDot6 (pts[0].fY);
    SkFDot6 x1 = SkFloatToFDot6 (pts[1].fX), y1 = SkFloatToFDot6 (pts[1].fY);
    if (clip == nullptr) {
        do_anti_hairline (x0, y0, x1, y1, nullptr, blitter);
        return;
    }
    SkIRect bounds = SkIRect::MakeLTRB ((SkMin32 (x0, x1) >> 6) - 1, (SkMin32 (y0, y1) >> 6) - 1,
                                        ((SkMax32 (x0, x1) + 63) >> 6) + 1, ((SkMax32 (y0, y1) + 63) >> 6) + 1);
    if (!SkIRect::Intersects (bounds, clip->getBounds ())) return;
    if (clip->isRect () && clip->getBounds ().contains (bounds)) {
        do_anti_hairline (x0, y0, x1, y1, nullptr, blitter);
        return;
    }
    for (SkRegion::Cliperator it (*clip, bounds); !it.done (); it.next ()) {
        // The part of each region rectangle the line can touch: it is clipped to it while
        // drawing.
        SkIRect r = it.rect ();
        do_anti_hairline (x0, y0, x1, y1, &r, blitter);
    }
}
