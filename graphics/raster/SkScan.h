/*
 * Scan conversion: paths, rectangles and hairlines turned into spans and coverage handed to a
 * blitter. Every function clips to the region it is given (or draws everything when the clip
 * is null) and never writes outside it; degenerate, empty or non-finite input draws nothing.
 *
 * Non-anti-aliased fills sample each pixel at its centre. Anti-aliased path fills sample 4x4
 * points per pixel; anti-aliased rectangles use exact area in 24.8 fixed point.
 */
#ifndef GRAPHICS_RASTER_SKSCAN_H_
#define GRAPHICS_RASTER_SKSCAN_H_

#include "graphics/core/SkFixed.h"
#include "graphics/path/SkPath.h"
#include "graphics/raster/SkBlitter.h"

// A rectangle of four 16.16 values.
struct SkXRect {
    SkFixed fLeft, fTop, fRight, fBottom;
};

class SkScan {
public:
    // The line procedure of a hairline path: HairLine, or AntiHairLine for anti-aliasing.
    typedef void (*HairLineProc) (const SkPoint &p0, const SkPoint &p1, const SkRegion *clip,
                                  SkBlitter *blitter);

    // --- non-anti-aliased fills ---------------------------------------------------------
    static void FillIRect (const SkIRect &rect, const SkRegion *clip, SkBlitter *blitter);
    // Each side rounded by floor(v + 0.5), then FillIRect.
    static void FillRect (const SkRect &rect, const SkRegion *clip, SkBlitter *blitter);
    // The frame of rect with a stroke of strokeSize.fX across and strokeSize.fY down,
    // centred on the edges; a stroke at least as large as the rectangle fills it.
    static void FrameRect (const SkRect &rect, const SkPoint &strokeSize, const SkRegion *clip,
                           SkBlitter *blitter);
    // The path under its fill type (winding, even-odd, and their inverses within clip).
    static void FillPath (const SkPath &path, const SkRegion &clip, SkBlitter *blitter);

    // --- anti-aliased fills ---------------------------------------------------------------
    static void AntiFillPath (const SkPath &path, const SkRegion &clip, SkBlitter *blitter);
    static void AntiFillRect (const SkRect &rect, const SkRegion *clip, SkBlitter *blitter);
    static void AntiFillXRect (const SkXRect &rect, const SkRegion *clip, SkBlitter *blitter);
    static void AntiFrameRect (const SkRect &rect, const SkPoint &strokeSize, const SkRegion *clip,
                               SkBlitter *blitter);

    // --- hairlines (one pixel wide whatever the matrix) --------------------------------------
    static void HairLine (const SkPoint &p0, const SkPoint &p1, const SkRegion *clip, SkBlitter *blitter);
    static void AntiHairLine (const SkPoint &p0, const SkPoint &p1, const SkRegion *clip,
                              SkBlitter *blitter);
    static void HairRect (const SkRect &rect, const SkRegion *clip, SkBlitter *blitter);
    static void AntiHairRect (const SkRect &rect, const SkRegion *clip, SkBlitter *blitter);
    // Every segment of path (contours not closed) drawn with lineProc; curves are cut into lines.
    static void HairPath (const SkPath &path, const SkRegion *clip, SkBlitter *blitter,
                          HairLineProc lineProc);
};

// Picks what a path fill draws through for a clip: the blitter itself, or one of the clip
// wrappers it holds, and the rectangle the edges must be clipped to. Lives on the stack for
// one fill.
class SkScanClipper {
public:
    // bounds: the pixel bounds of what will be drawn.
    SkScanClipper (SkBlitter *blitter, const SkRegion *clip, const SkIRect &bounds);

    // Null when nothing can be drawn.
    SkBlitter *getBlitter () const { return fBlitter; }
    // Null when the edges need no clipping.
    const SkIRect *getClipRect () const { return fClipRect; }

private:
    SkRectClipBlitter fRectBlitter;
    SkRegionClipBlitter fRgnBlitter;
    SkBlitter *fBlitter;
    const SkIRect *fClipRect;
};

// Fills path through blitter for the rows [startRow, stopRow), with edges scaled up by
// 2^shiftEdgesUp (startRow, stopRow and clipRect are in the scaled coordinates). clipRect,
// when given, clips the edges; clipRegion bounds what an inverse fill covers.
void sk_fill_path (const SkPath &path, const SkIRect *clipRect, SkBlitter *blitter, int startRow, int stopRow,
                   int shiftEdgesUp, const SkRegion &clipRegion);

#endif
