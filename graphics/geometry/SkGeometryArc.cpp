/*
 * Circular arcs of the unit circle as chained quads.
 */
#include "graphics/geometry/SkGeometry.h"

namespace {

const SkScalar kTan = 0.41421357f;     // tan(pi / 8)
const SkScalar kRoot2 = 0.70710677f;   // sqrt(2) / 2

// Finds where the table quad starting at `quad` reaches (x, y) and writes the new control
// and end point to dst[1], dst[2]. False when the arc should end at the quad's start.
bool truncate_last_curve (const SkPoint quad[3], SkScalar x, SkScalar y, SkPoint dst[3])
{
    // Solve along the axis on which the quad moves fastest near the target.
    bool alongX = fabsf (y) > fabsf (x);
    SkScalar target = alongX ? x : y;
    SkScalar p0 = alongX ? quad[0].fX : quad[0].fY;
    SkScalar p1 = alongX ? quad[1].fX : quad[1].fY;
    SkScalar p2 = alongX ? quad[2].fX : quad[2].fY;
    SkScalar roots[2];
    int count = SkFindUnitQuadRoots (p0 - 2 * p1 + p2, 2 * (p1 - p0), p0 - target, roots);
    if (count == 1) {
        SkPoint tmp[5];
        SkChopQuadAt (quad, tmp, roots[0]);
        dst[1] = tmp[1];
        dst[2].set (x, y);
        return true;
    }
    // No root: at an octant boundary the target sits at (or a rounding step past) the quad's
    // end, where the root is 1; the whole quad is then kept. A target on the start side of
    // the control point means the root is 0 and nothing is added.
    bool towardEnd = (p2 - p1) * (target - p1) > 0;
    if (towardEnd) {
        dst[1] = quad[1];
        dst[2].set (x, y);
        return true;
    }
    return false;
}

int arc_octant (SkScalar x, SkScalar y)
{
    if (y == 0) {
        return 4;
    }
    if (x == 0) {
        return y > 0 ? 2 : 6;
    }
    bool sameSign = (x < 0) == (y < 0);
    int octant = 0;
    if (y < 0) {
        octant += 4;
    }
    if (!sameSign) {
        octant += 2;
    }
    if ((fabsf (x) < fabsf (y)) == sameSign) {
        octant += 1;
    }
    return octant;
}

} // namespace

const SkPoint gQuadCirclePts[17] = {
    { 1, 0 }, { 1, kTan }, { kRoot2, kRoot2 }, { kTan, 1 },
    { 0, 1 }, { -kTan, 1 }, { -kRoot2, kRoot2 }, { -1, kTan },
    { -1, 0 }, { -1, -kTan }, { -kRoot2, -kRoot2 }, { -kTan, -1 },
    { 0, -1 }, { kTan, -1 }, { kRoot2, -kRoot2 }, { 1, -kTan },
    { 1, 0 },
};

int SkBuildQuadArc (const SkVector &uStart, const SkVector &uStop, SkRotationDirection dir,
                    const SkMatrix *matrix, SkPoint quadPoints[])
{
    SkScalar x = SkPoint::DotProduct (uStart, uStop);
    SkScalar y = SkPoint::CrossProduct (uStart, uStop);
    bool clockwise = dir == kCW_SkRotationDirection;
    int pointCount;
    if (fabsf (y) <= SK_ScalarNearlyZero && x > 0 && ((y >= 0 && clockwise) || (y <= 0 && !clockwise))) {
        quadPoints[0].set (1, 0);
        pointCount = 1;
    } else {
        if (!clockwise) {
            y = -y;
        }
        int octant = arc_octant (x, y);
        int wholeCount = 2 * octant + 1;
        memcpy (quadPoints, gQuadCirclePts, (size_t)wholeCount * sizeof (SkPoint));
        pointCount = wholeCount;
        if (truncate_last_curve (&gQuadCirclePts[2 * octant], x, y, &quadPoints[wholeCount - 1])) {
            pointCount += 2;
        }
    }
    SkMatrix m;
    m.setAll (uStart.fX, -uStart.fY, 0, uStart.fY, uStart.fX, 0, 0, 0, 1);
    if (!clockwise) {
        m.preScale (1, -1);
    }
    if (matrix != nullptr) {
        m.postConcat (*matrix);
    }
    m.mapPoints (quadPoints, pointCount);
    return pointCount;
}
