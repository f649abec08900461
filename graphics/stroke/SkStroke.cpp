/*
 * The path stroker: offsets each segment to both sides by the radius, joins consecutive
 * segments on the outer side, caps open contours, and collects the result in one path.
 */
#include "graphics/stroke/SkStroke.h"

#include "graphics/geometry/SkGeometry.h"
#include "graphics/stroke/SkStrokerPriv.h"

namespace {

const SkScalar kPointTolerance = 1.0f / 4096;
const SkScalar kVectorTolerance2 = 1.0f / (1 << 24);   // on squared lengths
const SkScalar kTooCurvy = 0.8071068f;                  // sqrt(2)/2 + 0.1
const SkScalar kCuspDot = -0.999f;
const int kMaxQuadSubdivide = 5;
const int kMaxCubicSubdivide = 4;

bool nearly_equal (const SkPoint &a, const SkPoint &b)
{
    return SkScalarAbs (a.fX - b.fX) <= kPointTolerance && SkScalarAbs (a.fY - b.fY) <= kPointTolerance;
}

// Also true for NaN vectors, which have no direction either.
bool degenerate_vector (const SkVector &v)
{
    return !(SkPoint::DotProduct (v, v) > kVectorTolerance2);
}

// The normals of direction v: the unit one and one of length radius. False when v has no
// direction.
bool set_normal_unit_normal (const SkVector &v, SkScalar radius, SkVector *normal, SkVector *unitNormal)
{
    SkVector u;
    if (!u.setLength (v.fX, v.fY, 1)) {
        return false;
    }
    unitNormal->set (u.fY, -u.fX);
    *normal = *unitNormal;
    normal->scale (radius);
    return true;
}

bool set_normal_unit_normal (const SkPoint &from, const SkPoint &to, SkScalar radius, SkVector *normal,
                             SkVector *unitNormal)
{
    return set_normal_unit_normal (to - from, radius, normal, unitNormal);
}

bool too_curvy (const SkVector &unitA, const SkVector &unitB)
{
    return !(SkPoint::DotProduct (unitA, unitB) > kTooCurvy);
}

class SkPathStroker {
public:
    SkPathStroker (SkScalar radius, SkScalar miterLimit, SkPaint::Cap cap, SkPaint::Join join);

    void moveTo (const SkPoint &pt);
    void lineTo (const SkPoint &pt);
    void quadTo (const SkPoint &pt1, const SkPoint &pt2);
    void cubicTo (const SkPoint &pt1, const SkPoint &pt2, const SkPoint &pt3);
    void close (bool isLine) { finishContour (true, isLine); }
    void done (SkPath *dst, bool isLine);

private:
    bool preJoinTo (const SkPoint &pt, SkVector *normal, SkVector *unitNormal, bool isLine);
    bool preJoinWith (const SkVector &normal, const SkVector &unitNormal, bool isLine);
    void postJoinTo (const SkPoint &pt, const SkVector &normal, const SkVector &unitNormal);
    void lineOffset (const SkPoint &pt, const SkVector &normal);
    void strokeQuad (const SkPoint pts[3], const SkVector &normalAB, const SkVector &unitNormalAB,
                     SkVector *normalBC, SkVector *unitNormalBC, int subDivide);
    void strokeCubic (const SkPoint pts[4], const SkVector &normalAB, const SkVector &unitNormalAB,
                      SkVector *normalCD, SkVector *unitNormalCD, int subDivide);
    void addCuspCircles (const SkPoint pts[4], const SkScalar tValues[], int count);
    void finishContour (bool close, bool currIsLine);

    SkScalar fRadius;
    SkScalar fInvMiterLimit;
    SkVector fFirstNormal, fPrevNormal, fFirstUnitNormal, fPrevUnitNormal;
    SkPoint fFirstPt, fPrevPt, fFirstOuterPt;
    int fSegmentCount;
    bool fPrevIsLine;
    SkStrokeCapProc fCapper;
    SkStrokeJoinProc fJoiner;
    SkPath fInner, fOuter, fExtra;
};

SkPathStroker::SkPathStroker (SkScalar radius, SkScalar miterLimit, SkPaint::Cap cap, SkPaint::Join join)
    : fRadius (radius), fInvMiterLimit (0), fSegmentCount (-1), fPrevIsLine (false)
{
    if (join == SkPaint::kMiter_Join) {
        if (miterLimit <= 1) {
            join = SkPaint::kBevel_Join;
        } else {
            fInvMiterLimit = 1 / miterLimit;
        }
    }
    fCapper = SkStrokeCapProcFor (cap);
    fJoiner = SkStrokeJoinProcFor (join);
    fFirstNormal = fPrevNormal = fFirstUnitNormal = fPrevUnitNormal = SkPoint::Make (0, 0);
    fFirstPt = fPrevPt = fFirstOuterPt = SkPoint::Make (0, 0);
}

bool SkPathStroker::preJoinWith (const SkVector &normal, const SkVector &unitNormal, bool isLine)
{
    if (fSegmentCount == 0) {
        fFirstNormal = normal;
        fFirstUnitNormal = unitNormal;
        fFirstOuterPt = fPrevPt + normal;
        fOuter.moveTo (fFirstOuterPt);
        fInner.moveTo (fPrevPt - normal);
    } else {
        fJoiner (&fOuter, &fInner, fPrevUnitNormal, fPrevPt, unitNormal, fRadius, fInvMiterLimit, fPrevIsLine,
                 isLine);
    }
    fPrevIsLine = isLine;
    return true;
}

bool SkPathStroker::preJoinTo (const SkPoint &pt, SkVector *normal, SkVector *unitNormal, bool isLine)
{
    if (!set_normal_unit_normal (fPrevPt, pt, fRadius, normal, unitNormal)) {
        return false;
    }
    return preJoinWith (*normal, *unitNormal, isLine);
}

void SkPathStroker::postJoinTo (const SkPoint &pt, const SkVector &normal, const SkVector &unitNormal)
{
    fPrevPt = pt;
    fPrevNormal = normal;
    fPrevUnitNormal = unitNormal;
    fSegmentCount += 1;
}

void SkPathStroker::moveTo (const SkPoint &pt)
{
    if (fSegmentCount > 0) {
        finishContour (false, false);
    }
    fSegmentCount = 0;
    fFirstPt = fPrevPt = pt;
}

void SkPathStroker::lineOffset (const SkPoint &pt, const SkVector &normal)
{
    fOuter.lineTo (pt + normal);
    fInner.lineTo (pt - normal);
}

void SkPathStroker::lineTo (const SkPoint &pt)
{
    if (fSegmentCount < 0 || nearly_equal (fPrevPt, pt)) {
        return;
    }
    SkVector normal, unitNormal;
    if (!preJoinTo (pt, &normal, &unitNormal, true)) {
        return;
    }
    lineOffset (pt, normal);
    postJoinTo (pt, normal, unitNormal);
}

void SkPathStroker::strokeQuad (const SkPoint pts[3], const SkVector &normalAB, const SkVector &unitNormalAB,
                                SkVector *normalBC, SkVector *unitNormalBC, int subDivide)
{
    if (!set_normal_unit_normal (pts[1], pts[2], fRadius, normalBC, unitNormalBC)) {
        lineOffset (pts[2], normalAB);
        *normalBC = normalAB;
        *unitNormalBC = unitNormalAB;
        return;
    }
    if (--subDivide >= 0 && too_curvy (unitNormalAB, *unitNormalBC)) {
        SkPoint tmp[5];
        SkVector norm, unit;
        SkChopQuadAtHalf (pts, tmp);
        strokeQuad (&tmp[0], normalAB, unitNormalAB, &norm, &unit, subDivide);
        strokeQuad (&tmp[2], norm, unit, normalBC, unitNormalBC, subDivide);
        return;
    }
    // The control points move along the normal of the chord.
    SkVector m, unitM;
    if (!set_normal_unit_normal (pts[0], pts[2], fRadius, &m, &unitM)) {
        m = *normalBC;
    }
    fOuter.quadTo (pts[1] + m, pts[2] + *normalBC);
    fInner.quadTo (pts[1] - m, pts[2] - *normalBC);
}

void SkPathStroker::quadTo (const SkPoint &pt1, const SkPoint &pt2)
{
    if (fSegmentCount < 0) {
        return;
    }
    // With either leg degenerate the quad is straight: stroke it as the line to its end.
    if (nearly_equal (fPrevPt, pt1) || nearly_equal (pt1, pt2)) {
        lineTo (pt2);
        return;
    }
    SkVector normalAB, unitAB, normalBC, unitBC;
    if (!preJoinTo (pt1, &normalAB, &unitAB, false)) {
        return;
    }
    SkPoint pts[3] = { fPrevPt, pt1, pt2 };
    if (!set_normal_unit_normal (pt1, pt2, fRadius, &normalBC, &unitBC)) {
        normalBC = normalAB;
        unitBC = unitAB;
    }
    if (SkPoint::DotProduct (unitAB, unitBC) <= kCuspDot) {
        // Nearly turns back on itself: stroke both sides of the turning point separately.
        SkPoint tmp[5];
        if (SkChopQuadAtMaxCurvature (pts, tmp) == 2) {
            SkVector normalB, unitB;
            strokeQuad (&tmp[0], normalAB, unitAB, &normalB, &unitB, kMaxQuadSubdivide);
            strokeQuad (&tmp[2], normalB, unitB, &normalBC, &unitBC, kMaxQuadSubdivide);
            postJoinTo (pt2, normalBC, unitBC);
            return;
        }
    }
    strokeQuad (pts, normalAB, unitAB, &normalBC, &unitBC, kMaxQuadSubdivide);
    postJoinTo (pt2, normalBC, unitBC);
}

void SkPathStroker::strokeCubic (const SkPoint pts[4], const SkVector &normalAB, const SkVector &unitNormalAB,
                                 SkVector *normalCD, SkVector *unitNormalCD, int subDivide)
{
    SkVector ab = pts[1] - pts[0];
    SkVector cd = pts[3] - pts[2];
    if (degenerate_vector (ab)) ab = pts[2] - pts[0];
    if (degenerate_vector (cd)) cd = pts[3] - pts[1];
    SkVector normalBC, unitNormalBC;
    if (degenerate_vector (ab) || !set_normal_unit_normal (cd, fRadius, normalCD, unitNormalCD)) {
        lineOffset (pts[3], normalAB);
        *normalCD = normalAB;
        *unitNormalCD = unitNormalAB;
        return;
    }
    bool hasBC = set_normal_unit_normal (pts[1], pts[2], fRadius, &normalBC, &unitNormalBC);
    if (hasBC && !too_curvy (unitNormalAB, unitNormalBC) && !too_curvy (unitNormalBC, *unitNormalCD)) {
        SkVector mB = unitNormalAB + unitNormalBC;
        SkVector mC = *unitNormalCD + unitNormalBC;
        mB.setLength (fRadius / sqrtf ((1 + SkPoint::DotProduct (unitNormalAB, unitNormalBC)) * 0.5f));
        mC.setLength (fRadius / sqrtf ((1 + SkPoint::DotProduct (unitNormalBC, *unitNormalCD)) * 0.5f));
        fOuter.cubicTo (pts[1] + mB, pts[2] + mC, pts[3] + *normalCD);
        fInner.cubicTo (pts[1] - mB, pts[2] - mC, pts[3] - *normalCD);
        return;
    }
    if (--subDivide < 0) {
        lineOffset (pts[3], normalAB);
        *normalCD = normalAB;
        *unitNormalCD = unitNormalAB;
        return;
    }
    SkPoint tmp[7];
    SkVector norm, unit, dummy, unitDummy;
    SkChopCubicAtHalf (pts, tmp);
    strokeCubic (&tmp[0], normalAB, unitNormalAB, &norm, &unit, subDivide);
    // The end normals computed above from the whole piece are the more accurate ones.
    strokeCubic (&tmp[3], norm, unit, &dummy, &unitDummy, subDivide);
}

// A cusp at an inner split leaves a gap between the offsets of its two sides; a circle of
// the stroke's radius fills it.
void SkPathStroker::addCuspCircles (const SkPoint pts[4], const SkScalar tValues[], int count)
{
    for (int i = 0; i < count; i++) {
        SkPoint p;
        SkVector tangent, curvature;
        SkEvalCubicAt (pts, tValues[i], &p, &tangent, &curvature);
        SkScalar dot = SkPoint::DotProduct (curvature, curvature);
        if (!(dot > 0)) {
            continue;
        }
        tangent.scale (1 / dot);
        if (SkScalarAbs (tangent.fX) < kPointTolerance && SkScalarAbs (tangent.fY) < kPointTolerance) {
            fExtra.addCircle (p.fX, p.fY, fRadius);
        }
    }
}

void SkPathStroker::cubicTo (const SkPoint &pt1, const SkPoint &pt2, const SkPoint &pt3)
{
    if (fSegmentCount < 0) {
        return;
    }
    int degenerate = (int)nearly_equal (fPrevPt, pt1) + (int)nearly_equal (pt1, pt2) + (int)nearly_equal (pt2, pt3);
    if (degenerate >= 2) {
        lineTo (pt3);
        return;
    }
    SkVector normalAB, unitAB, normalCD, unitCD;
    // Without a first leg the curve starts towards its second control point.
    if (!preJoinTo (nearly_equal (fPrevPt, pt1) ? pt2 : pt1, &normalAB, &unitAB, false)) {
        return;
    }
    SkPoint pts[4] = { fPrevPt, pt1, pt2, pt3 };
    SkPoint tmp[13];
    SkScalar tValues[3];
    int count = SkChopCubicAtMaxCurvature (pts, tmp, tValues);
    SkVector n = normalAB, u = unitAB;
    normalCD = normalAB;
    unitCD = unitAB;
    for (int i = 0; i < count; i++) {
        strokeCubic (&tmp[i * 3], n, u, &normalCD, &unitCD, kMaxCubicSubdivide);
        n = normalCD;
        u = unitCD;
    }
    addCuspCircles (pts, tValues, count - 1);
    postJoinTo (pt3, normalCD, unitCD);
}

void SkPathStroker::finishContour (bool close, bool currIsLine)
{
    if (fSegmentCount > 0) {
        SkPoint pt;
        if (close) {
            fJoiner (&fOuter, &fInner, fPrevUnitNormal, fFirstPt, fFirstUnitNormal, fRadius, fInvMiterLimit,
                     fPrevIsLine, currIsLine);
            fOuter.close ();
            // The inner side becomes a contour of its own, running the other way.
            fInner.getLastPt (&pt);
            fOuter.moveTo (pt);
            fOuter.reversePathTo (fInner);
            fOuter.close ();
        } else {
            fInner.getLastPt (&pt);
            fCapper (&fOuter, fPrevPt, fPrevNormal, pt, currIsLine ? &fInner : nullptr);
            fOuter.reversePathTo (fInner);
            fCapper (&fOuter, fFirstPt, -fFirstNormal, fFirstOuterPt, fPrevIsLine ? &fInner : nullptr);
            fOuter.close ();
        }
    }
    fInner.reset ();
    fSegmentCount = -1;
}

void SkPathStroker::done (SkPath *dst, bool isLine)
{
    finishContour (false, isLine);
    fOuter.addPath (fExtra);
    dst->swap (fOuter);
}

} // namespace

void SkStroke::setFrom (const SkPaint &paint, SkScalar width)
{
    fWidth = width;
    fMiterLimit = paint.getStrokeMiter ();
    fCap = (uint8_t)paint.getStrokeCap ();
    fJoin = (uint8_t)paint.getStrokeJoin ();
    fDoFill = paint.getStyle () == SkPaint::kStrokeAndFill_Style ? 1 : 0;
}

void SkStroke::strokePath (const SkPath &src, SkPath *dst) const
{
    SkScalar radius = fWidth * 0.5f;
    if (&src == dst) {
        SkPath copy (src);
        strokePath (copy, dst);
        return;
    }
    dst->reset ();
    if (!(radius > 0)) {
        return;
    }
    SkPathStroker stroker (radius, fMiterLimit, (SkPaint::Cap)fCap, (SkPaint::Join)fJoin);
    SkPath::Iter iter (src, false);
    SkPoint pts[4];
    SkPath::Verb verb, lastSegment = SkPath::kMove_Verb;
    while ((verb = iter.next (pts)) != SkPath::kDone_Verb) {
        switch (verb) {
        case SkPath::kMove_Verb: stroker.moveTo (pts[0]); break;
        case SkPath::kLine_Verb: stroker.lineTo (pts[1]); lastSegment = verb; break;
        case SkPath::kQuad_Verb: stroker.quadTo (pts[1], pts[2]); lastSegment = verb; break;
        case SkPath::kCubic_Verb: stroker.cubicTo (pts[1], pts[2], pts[3]); lastSegment = verb; break;
        case SkPath::kClose_Verb: stroker.close (lastSegment == SkPath::kLine_Verb); break;
        default: break;
        }
    }
    stroker.done (dst, lastSegment == SkPath::kLine_Verb);
    if (fDoFill) {
        dst->addPath (src);
    } else if (src.countPoints () == 2) {
        dst->setConvexity (SkPath::kConvex_Convexity);
    }
}
