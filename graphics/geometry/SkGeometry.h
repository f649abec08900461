/*
 * Quadratic and cubic Bezier routines: evaluation, splitting (at t, at the half, at y
 * extrema, at maximum curvature), root finding in the open unit interval, and circular arcs
 * built from quads. A quad is 3 points, a cubic 4; split results share the seam point.
 */
#ifndef GRAPHICS_GEOMETRY_SKGEOMETRY_H_
#define GRAPHICS_GEOMETRY_SKGEOMETRY_H_

#include "graphics/geometry/SkMatrix.h"

// numer / denom when it lies strictly inside (0, 1): stores it and returns 1; else 0.
int valid_unit_divide (SkScalar numer, SkScalar denom, SkScalar *ratio);

// Roots of A t^2 + B t + C in (0, 1), sorted ascending, a double root once. Returns 0..2.
int SkFindUnitQuadRoots (SkScalar A, SkScalar B, SkScalar C, SkScalar roots[2]);

// Real roots of a t^3 + b t^2 + c t + d strictly inside (0, 1), sorted ascending; 0..3.
int solve_cubic_polynomial (SkScalar a, SkScalar b, SkScalar c, SkScalar d, SkScalar roots[3]);

// --- quads -----------------------------------------------------------------------------------
void SkEvalQuadAt (const SkPoint src[3], SkScalar t, SkPoint *pt, SkVector *tangent = nullptr);
void SkChopQuadAt (const SkPoint src[3], SkPoint dst[5], SkScalar t);
void SkChopQuadAtHalf (const SkPoint src[3], SkPoint dst[5]);
// Splits at the y extremum and flattens it: 1 (5 points) or 0 (3 points, monotonic).
int SkChopQuadAtYExtrema (const SkPoint src[3], SkPoint dst[5]);
// Splits where the curvature is greatest: 2 pieces (5 points) or 1 (3 points).
int SkChopQuadAtMaxCurvature (const SkPoint src[3], SkPoint dst[5]);

// --- cubics ----------------------------------------------------------------------------------
// Any output may be null.
void SkEvalCubicAt (const SkPoint src[4], SkScalar t, SkPoint *loc, SkVector *tangent,
                    SkVector *curvature);
void SkChopCubicAt (const SkPoint src[4], SkPoint dst[7], SkScalar t);
// Successive splits at ascending t values: 3 * count + 1 points.
void SkChopCubicAt (const SkPoint src[4], SkPoint dst[], const SkScalar tValues[], int count);
void SkChopCubicAtHalf (const SkPoint src[4], SkPoint dst[7]);
// Splits at the y extrema (flattened); dst may be null. Returns the number of extrema (0..2).
int SkChopCubicAtYExtrema (const SkPoint src[4], SkPoint dst[10]);
// The parameters of maximum curvature strictly inside (0, 1); returns their count (0..3).
int SkFindCubicMaxCurvature (const SkPoint src[4], SkScalar tValues[3]);
// Splits at them (dst and tValues may be null); returns the number of pieces (1..4).
int SkChopCubicAtMaxCurvature (const SkPoint src[4], SkPoint dst[13], SkScalar tValues[3]);

// --- arcs ------------------------------------------------------------------------------------
enum SkRotationDirection {
    kCW_SkRotationDirection = 0,
    kCCW_SkRotationDirection = 1,
};

// The unit circle as eight 45-degree quads from (1, 0), 17 points (the last repeats the first).
extern const SkPoint gQuadCirclePts[17];
enum { kSkBuildQuadArcStorage = 17 };

// The arc of the unit circle from unit vector uStart to uStop as chained quads, mapped by a
// rotation to uStart, a y flip for counter-clockwise, then matrix when given. Returns the
// point count (odd: the start plus two per quad); quadPoints holds up to 17 points.
int SkBuildQuadArc (const SkVector &uStart, const SkVector &uStop, SkRotationDirection dir,
                    const SkMatrix *matrix, SkPoint quadPoints[]);

#endif
