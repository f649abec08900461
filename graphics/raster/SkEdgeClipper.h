/*
 * Clipping of quadratic and cubic curves to a rectangle, keeping the winding: the curve is
 * cut into monotonic pieces, parts above and below the clip are cut away, and parts left or
 * right of it become vertical lines on that side. The result is read back as verbs and points.
 */
#ifndef GRAPHICS_RASTER_SKEDGECLIPPER_H_
#define GRAPHICS_RASTER_SKEDGECLIPPER_H_

#include "graphics/geometry/SkRect.h"

class SkEdgeClipper {
public:
    // The path verb numbers of what is emitted.
    enum Verb { kLine_Verb = 1, kQuad_Verb = 2, kCubic_Verb = 3, kDone_Verb = 5 };

    // Each returns whether anything was emitted.
    bool clipQuad (const SkPoint pts[3], const SkRect &clip);
    bool clipCubic (const SkPoint pts[4], const SkRect &clip);

    // The next verb and its points (2, 3 or 4); kDone_Verb at the end.
    Verb next (SkPoint pts[]);

    // Worst case of one call: a cubic has up to 3 y-monotonic pieces, each cut into up to 3
    // x-monotonic ones, and each of those emits at most a line, a cubic and a line.
    enum { kMaxVerbs = 3 * 3 * 3 + 1, kMaxPoints = 3 * 3 * (2 + 4 + 2) };

private:
    void reset ();
    void finish ();
    void clipMonoQuad (const SkPoint src[3], const SkRect &clip);
    void clipMonoCubic (const SkPoint src[4], const SkRect &clip);
    void clipMonoQuadX (SkPoint pts[3], const SkRect &clip, bool reverse);
    void clipMonoCubicX (SkPoint pts[4], const SkRect &clip, bool reverse);
    void appendPoints (Verb verb, const SkPoint pts[], int count, bool reverse);
    void appendVLine (SkScalar x, SkScalar y0, SkScalar y1, bool reverse);
    bool appendIfOutsideX (const SkPoint pts[], int last, const SkRect &clip, bool reverse);

    SkPoint fPoints[kMaxPoints];
    uint8_t fVerbs[kMaxVerbs];
    int fPointCount, fVerbCount;
    int fNextPoint, fNextVerb;      // read cursors
};

#endif
