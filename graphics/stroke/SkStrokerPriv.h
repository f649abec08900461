/*
 * The cap and join procedures of the stroker, chosen once per stroke from small tables.
 */
#ifndef GRAPHICS_STROKE_SKSTROKERPRIV_H_
#define GRAPHICS_STROKE_SKSTROKERPRIV_H_

#include "graphics/stroke/SkStroke.h"

// Ends an open contour at pivot: normal points to the side the path is on, stop is where the
// cap ends. otherPath, when given, is the side whose last segment is a straight line, so
// that a square cap may extend that line instead of adding a corner.
typedef void (*SkStrokeCapProc) (SkPath *path, const SkPoint &pivot, const SkVector &normal,
                                 const SkPoint &stop, SkPath *otherPath);

// Joins two segments at pivot; both normals have unit length.
typedef void (*SkStrokeJoinProc) (SkPath *outer, SkPath *inner, const SkVector &beforeUnitNormal,
                                  const SkPoint &pivot, const SkVector &afterUnitNormal, SkScalar radius,
                                  SkScalar invMiterLimit, bool prevIsLine, bool currIsLine);

SkStrokeCapProc SkStrokeCapProcFor (SkPaint::Cap cap);
SkStrokeJoinProc SkStrokeJoinProcFor (SkPaint::Join join);

#endif
