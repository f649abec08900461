/*
 * Clipping of line segments to a rectangle in float coordinates. ClipLine keeps the winding:
 * what lies above or below the clip is cut away, what lies left or right of it becomes a
 * vertical line on that side, so every scan line still crosses the same edges.
 */
#ifndef GRAPHICS_RASTER_SKLINECLIPPER_H_
#define GRAPHICS_RASTER_SKLINECLIPPER_H_

#include "graphics/geometry/SkRect.h"

class SkLineClipper {
public:
    enum { kMaxPoints = 4, kMaxClippedLineSegments = kMaxPoints - 1 };

    // The part of src inside clip, in dst; false when nothing is left.
    static bool IntersectLine (const SkPoint src[2], const SkRect &clip, SkPoint dst[2]);

    // The winding-keeping clip of pts: returns the number of lines (0 to 3); lines holds
    // that many + 1 points forming a polyline in the segment's own direction.
    static int ClipLine (const SkPoint pts[2], const SkRect &clip, SkPoint lines[kMaxPoints]);
};

// The x where the segment crosses the horizontal Y, and the y where it crosses the vertical X
// (the midpoint for a nearly parallel segment).
SkScalar SkLineClipperSectWithHorizontal (const SkPoint src[2], SkScalar Y);
SkScalar SkLineClipperSectWithVertical (const SkPoint src[2], SkScalar X);

#endif
