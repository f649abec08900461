/*
 * Caps (butt, round, square) and joins (miter, round, bevel) of the stroker.
 */
#include "graphics/stroke/SkStrokerPriv.h"

#include "graphics/geometry/SkGeometry.h"

namespace {

const SkScalar kCubicArcFactor = 0.5522847f;       // control distance of a quarter circle
const SkScalar kOneOverSqrt2 = 0.70710678f;
const SkScalar kAngleTolerance = 1.0f / 4096;

enum AngleType {
    kNearly180_AngleType = 0,
    kSharp_AngleType = 1,
    kShallow_AngleType = 2,
    kNearlyLine_AngleType = 3,
};

// The kind of turn from the dot product of the two unit normals.
AngleType dot_to_angle_type (SkScalar dot)
{
    if (dot >= 0) {
        return SkScalarAbs (1 - dot) < kAngleTolerance ? kNearlyLine_AngleType : kShallow_AngleType;
    }
    return SkScalarAbs (1 + dot) < kAngleTolerance ? kNearly180_AngleType : kSharp_AngleType;
}

bool is_clockwise (const SkVector &before, const SkVector &after)
{
    return SkPoint::CrossProduct (before, after) > 0;
}

// The inner side goes through the pivot, so that the two offsets overlap there.
void handle_inner_join (SkPath *inner, const SkPoint &pivot, const SkVector &after)
{
    inner->lineTo (pivot);
    inner->lineTo (pivot - after);
}

void butt_capper (SkPath *path, const SkPoint &, const SkVector &, const SkPoint &stop, SkPath *)
{
    path->lineTo (stop);
}

void round_capper (SkPath *path, const SkPoint &pivot, const SkVector &normal, const SkPoint &stop, SkPath *)
{
    SkVector e = SkPoint::Make (-normal.fY, normal.fX);
    const SkScalar k = kCubicArcFactor;
    SkPoint p = pivot;
    path->cubicTo (p.fX + normal.fX + k * e.fX, p.fY + normal.fY + k * e.fY, p.fX + e.fX + k * normal.fX,
                   p.fY + e.fY + k * normal.fY, p.fX + e.fX, p.fY + e.fY);
    path->cubicTo (p.fX + e.fX - k * normal.fX, p.fY + e.fY - k * normal.fY, p.fX - normal.fX + k * e.fX,
                   p.fY - normal.fY + k * e.fY, stop.fX, stop.fY);
}

void square_capper (SkPath *path, const SkPoint &pivot, const SkVector &normal, const SkPoint &stop,
                    SkPath *otherPath)
{
    SkVector e = SkPoint::Make (-normal.fY, normal.fX);
    SkPoint first = pivot + normal + e;
    SkPoint second = pivot - normal + e;
    if (otherPath != nullptr) {
        path->setLastPt (first);
        path->lineTo (second);
    } else {
        path->lineTo (first);
        path->lineTo (second);
        path->lineTo (stop);
    }
}

void bevel_joiner (SkPath *outer, SkPath *inner, const SkVector &beforeUnitNormal, const SkPoint &pivot,
                   const SkVector &afterUnitNormal, SkScalar radius, SkScalar, bool, bool)
{
    SkVector after = afterUnitNormal;
    after.scale (radius);
    if (!is_clockwise (beforeUnitNormal, afterUnitNormal)) {
        SkPath *t = outer; outer = inner; inner = t;
        after.negate ();
    }
    outer->lineTo (pivot + after);
    handle_inner_join (inner, pivot, after);
}

void round_joiner (SkPath *outer, SkPath *inner, const SkVector &beforeUnitNormal, const SkPoint &pivot,
                   const SkVector &afterUnitNormal, SkScalar radius, SkScalar, bool, bool)
{
    SkScalar dot = SkPoint::DotProduct (beforeUnitNormal, afterUnitNormal);
    if (dot_to_angle_type (dot) == kNearlyLine_AngleType) {
        return;
    }
    SkVector before = beforeUnitNormal, after = afterUnitNormal;
    SkRotationDirection dir = kCW_SkRotationDirection;
    if (!is_clockwise (before, after)) {
        SkPath *t = outer; outer = inner; inner = t;
        before.negate ();
        after.negate ();
        dir = kCCW_SkRotationDirection;
    }
    SkMatrix matrix;
    matrix.setScale (radius, radius);
    matrix.postTranslate (pivot.fX, pivot.fY);
    SkPoint pts[kSkBuildQuadArcStorage];
    int count = SkBuildQuadArc (before, after, dir, &matrix, pts);
    if (count > 1) {
        for (int i = 1; i + 1 < count; i += 2) {
            outer->quadTo (pts[i], pts[i + 1]);
        }
        after.scale (radius);
        handle_inner_join (inner, pivot, after);
    }
}

// The direction of the miter point from the pivot, of length radius / sinHalf.
SkVector miter_direction (const SkVector &before, const SkVector &after, AngleType type, SkScalar length)
{
    SkVector mid = before + after;
    if (type == kSharp_AngleType) {
        // b + a is short and imprecise here; (a - b) is long, and of its two quarter turns the
        // one on the side of b + a points away from the inner side.
        SkVector diff = after - before;
        mid.set (diff.fY, -diff.fX);
        if (SkPoint::DotProduct (mid, before + after) < 0) {
            mid.negate ();
        }
    }
    mid.setLength (length);
    return mid;
}

void miter_joiner (SkPath *outer, SkPath *inner, const SkVector &beforeUnitNormal, const SkPoint &pivot,
                   const SkVector &afterUnitNormal, SkScalar radius, SkScalar invMiterLimit, bool prevIsLine,
                   bool currIsLine)
{
    SkScalar dot = SkPoint::DotProduct (beforeUnitNormal, afterUnitNormal);
    AngleType type = dot_to_angle_type (dot);
    if (type == kNearlyLine_AngleType) {
        return;
    }
    if (type == kNearly180_AngleType) {
        bevel_joiner (outer, inner, beforeUnitNormal, pivot, afterUnitNormal, radius, invMiterLimit, prevIsLine,
                      currIsLine);
        return;
    }
    // A miter longer than the limit allows is cut off as a bevel.
    bool rightAngle = dot == 0 && invMiterLimit <= kOneOverSqrt2;
    SkScalar sinHalf = rightAngle ? kOneOverSqrt2 : sqrtf ((1 + dot) * 0.5f);
    if (!rightAngle && invMiterLimit > sinHalf) {
        bevel_joiner (outer, inner, beforeUnitNormal, pivot, afterUnitNormal, radius, invMiterLimit, prevIsLine,
                      currIsLine);
        return;
    }
    SkVector before = beforeUnitNormal, after = afterUnitNormal;
    if (!is_clockwise (before, after)) {
        SkPath *t = outer; outer = inner; inner = t;
        before.negate ();
        after.negate ();
    }
    SkVector mid;
    if (rightAngle) {
        mid = before + after;
        mid.scale (radius);
    } else {
        mid = miter_direction (before, after, type, radius / sinHalf);
    }
    if (prevIsLine) {
        outer->setLastPt (pivot + mid);
    } else {
        outer->lineTo (pivot + mid);
    }
    after.scale (radius);
    if (!currIsLine) {
        outer->lineTo (pivot + after);
    }
    handle_inner_join (inner, pivot, after);
}

// Indexed by the paint's cap and join numbers.
constexpr SkStrokeCapProc kCapProcs[] = { butt_capper, round_capper, square_capper };
constexpr SkStrokeJoinProc kJoinProcs[] = { miter_joiner, round_joiner, bevel_joiner };

} // namespace

SkStrokeCapProc SkStrokeCapProcFor (SkPaint::Cap cap)
{
    return (unsigned)cap < 3 ? kCapProcs[cap] : butt_capper;
}

SkStrokeJoinProc SkStrokeJoinProcFor (SkPaint::Join join)
{
    return (unsigned)join < 3 ? kJoinProcs[join] : miter_joiner;
}
