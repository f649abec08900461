/*
 * SkEdgeBuilder turns a path into the edges of the scan converter: clipped to a rectangle
 * (keeping the winding) or cut at the y extrema of its curves, one edge per piece that
 * crosses a row centre. The edges live in the builder's allocator until the next build.
 */
#ifndef GRAPHICS_RASTER_SKEDGEBUILDER_H_
#define GRAPHICS_RASTER_SKEDGEBUILDER_H_

#include "graphics/core/SkChunkAlloc.h"
#include "graphics/path/SkPath.h"
#include "graphics/raster/SkEdge.h"

class SkEdgeBuilder : SkNoncopyable {
public:
    SkEdgeBuilder () : fAlloc (16384), fList (nullptr), fCount (0), fReserve (0), fShiftUp (0), fFailed (false), fHasClip (false), fClip (SkRect::MakeEmpty ()) {}
    ~SkEdgeBuilder () { sk_free (fList); }

    // The edges of path; clip (in coordinates scaled by 2^shiftUp) or null. Returns the edge
    // count; when memory runs out the edges are incomplete and failed() tells so.
    int build (const SkPath &path, const SkIRect *clip, int shiftUp);
    SkEdge **edgeList () { return fList; }
    bool failed () const { return fFailed; }
    // Frees the edges and the pointer array.
    void reset ();

private:
    void addLine (const SkPoint pts[2]);
    // A monotonic quad (count 3) or cubic (count 4); depth counts the halvings so far of a
    // curve too large for its forward differences.
    void addCurve (const SkPoint pts[], int count, int depth);
    // A curve too far out, or still too large after every halving (a clipped piece whose
    // control points lie far outside the clip): its chord, clipped, stands for it.
    void addChord (const SkPoint &p0, const SkPoint &p1);
    void addClippedLine (const SkPoint pts[2], const SkRect &clip);
    void addClippedCurve (const SkPoint pts[], SkPath::Verb verb, const SkRect &clip);
    void addChopped (const SkPoint pts[], SkPath::Verb verb);
    bool push (SkEdge *edge);
    // Whether a point lies too far out for a curve's 16.16 steps (a clipped piece of a far
    // curve, or a curve near the edge of the coordinate range): its chord stands for it.
    bool outOfReach (const SkPoint pts[], int count) const;
    // Whether the points' extent, once scaled, is too large for the curve's differences.
    bool tooLarge (const SkPoint pts[], int count, int limit) const;

    SkChunkAlloc fAlloc;
    SkEdge **fList;
    int fCount, fReserve;
    int fShiftUp;
    bool fFailed;
    bool fHasClip;
    SkRect fClip;
};

#endif
