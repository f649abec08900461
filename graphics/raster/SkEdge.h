/*
 * Edges of the scan converter: a line piece in fixed point stepped one row at a time, and
 * the quadratic and cubic edges that restart it piece by piece by forward differencing.
 * Coordinates are scaled by 2^(6 + shiftUp) into 26.6; rows are sampled at their centres.
 */
#ifndef GRAPHICS_RASTER_SKEDGE_H_
#define GRAPHICS_RASTER_SKEDGE_H_

#include "graphics/core/SkFixed.h"
#include "graphics/geometry/SkRect.h"

struct SkEdge {
    SkEdge *fNext;
    SkEdge *fPrev;
    SkFixed fX;             // x at the centre of the current row
    SkFixed fDX;            // change of x per row
    int32_t fFirstY;        // first and last row of the current piece, inclusive
    int32_t fLastY;
    int8_t fCurveCount;     // 0 line; > 0 quad pieces left; < 0 minus the cubic pieces left
    uint8_t fCurveShift;
    uint8_t fCubicDShift;
    int8_t fWinding;        // +1 going down, -1 reversed to go down

    // 1 when the segment crosses a row centre (an edge), else 0. Edges are clipped before
    // they are set, so clip is not consulted.
    int setLine (const SkPoint &p0, const SkPoint &p1, const SkIRect *clip, int shiftUp);
    // Restarts the edge on the piece (x0, y0) to (x1, y1) (16.16); 1 when it crosses a row
    // centre going down, else 0. The winding stays.
    int updateLine (SkFixed x0, SkFixed y0, SkFixed x1, SkFixed y1);
};

struct SkQuadraticEdge : SkEdge {
    SkFixed fQx, fQy;
    SkFixed fQDx, fQDy;
    SkFixed fQDDx, fQDDy;
    SkFixed fQLastX, fQLastY;

    // pts must be monotonic in y.
    int setQuadratic (const SkPoint pts[3], int shiftUp);
    int updateQuadratic ();
};

struct SkCubicEdge : SkEdge {
    SkFixed fCx, fCy;
    SkFixed fCDx, fCDy;
    SkFixed fCDDx, fCDDy;
    SkFixed fCDDDx, fCDDDy;
    SkFixed fCLastX, fCLastY;

    // pts must be monotonic in y.
    int setCubic (const SkPoint pts[4], const SkIRect *clip, int shiftUp);
    int updateCubic ();
};

// Largest extent (26.6 units, after scaling) of a curve's points for which the forward
// differences stay within 32 bits; larger curves are halved first.
enum { kSkEdgeMaxQuadExtent = 1 << 19, kSkEdgeMaxCubicExtent = 1 << 17 };

#endif
