/*
 * SkPath::Iter and the operations that replay a path: addPath, reversePathTo, transform.
 */
#include "graphics/geometry/SkGeometry.h"
#include "graphics/path/SkPathPriv.h"

namespace {

enum SegmentState : uint8_t {
    kAfterClose = 0,
    kAfterMove = 1,
    kAfterSegment = 2,
};

int points_in_verb (uint8_t verb)
{
    switch (verb) {
    case SkPath::kMove_Verb:
    case SkPath::kLine_Verb:
        return 1;
    case SkPath::kQuad_Verb:
        return 2;
    case SkPath::kCubic_Verb:
        return 3;
    default:
        return 0;
    }
}

} // namespace

SkPath::Iter::Iter ()
    : fPts (nullptr), fVerbs (nullptr), fVerbStop (nullptr), fMoveTo (SkPoint::Make (0, 0)),
      fLastPt (SkPoint::Make (0, 0)), fForceClose (0), fNeedClose (0),
      fSegmentState (kAfterSegment), fCloseLine (0)
{
}

void SkPath::Iter::setPath (const SkPath &path, bool forceClose)
{
    fPts = path.fPoints;
    fVerbs = path.fVerbs;
    fVerbStop = path.fVerbs + path.fVerbCount;
    fMoveTo.set (0, 0);
    fLastPt.set (0, 0);
    fForceClose = forceClose ? 1 : 0;
    fNeedClose = 0;
    fSegmentState = kAfterSegment;
    fCloseLine = 0;
}

SkPath::Verb SkPath::Iter::autoClose (SkPoint pts[])
{
    if (fLastPt == fMoveTo) {
        pts[0] = fMoveTo;
        return kClose_Verb;
    }
    if (SkScalarIsNaN (fLastPt.fX) || SkScalarIsNaN (fLastPt.fY) || SkScalarIsNaN (fMoveTo.fX) ||
        SkScalarIsNaN (fMoveTo.fY)) {
        return kClose_Verb;
    }
    pts[0] = fLastPt;
    pts[1] = fMoveTo;
    fLastPt = fMoveTo;
    fCloseLine = 1;
    return kLine_Verb;
}

// A segment that follows a close without its own move starts a new contour at the last
// move point: report that move first (true), taking the segment back.
bool SkPath::Iter::consMoveTo (SkPoint pts[])
{
    if (fSegmentState == kAfterClose) {
        fVerbs--;
        pts[0] = fMoveTo;
        fNeedClose = fForceClose;
        fSegmentState = kAfterMove;
        return true;
    }
    if (fSegmentState == kAfterMove) {
        pts[0] = fMoveTo;
        fSegmentState = kAfterSegment;
    } else {
        pts[0] = fLastPt;
    }
    return false;
}

SkPath::Verb SkPath::Iter::next (SkPoint pts[4])
{
    if (fVerbs == fVerbStop) {
        if (fNeedClose) {
            if (autoClose (pts) == kLine_Verb) {
                return kLine_Verb;
            }
            fNeedClose = 0;
            return kClose_Verb;
        }
        return kDone_Verb;
    }
    Verb verb = (Verb)*fVerbs++;
    const SkPoint *src = fPts;
    switch (verb) {
    case kMove_Verb:
        if (fNeedClose) {
            fVerbs--;
            verb = autoClose (pts);
            if (verb == kClose_Verb) {
                fNeedClose = 0;
            }
            return verb;
        }
        if (fVerbs == fVerbStop) {
            return kDone_Verb;   // a trailing move draws nothing
        }
        fMoveTo = *src;
        pts[0] = *src;
        src += 1;
        fSegmentState = kAfterMove;
        fNeedClose = fForceClose;
        break;
    case kLine_Verb:
    case kQuad_Verb:
    case kCubic_Verb: {
        if (consMoveTo (pts)) {
            return kMove_Verb;
        }
        int n = points_in_verb (verb);
        memcpy (&pts[1], src, (size_t)n * sizeof (SkPoint));
        fLastPt = src[n - 1];
        if (verb == kLine_Verb) {
            fCloseLine = 0;
        }
        src += n;
        break;
    }
    case kClose_Verb:
        verb = autoClose (pts);
        if (verb == kLine_Verb) {
            fVerbs--;          // the close comes again after the closing line
        } else {
            fNeedClose = 0;
        }
        fSegmentState = kAfterClose;
        break;
    default:
        return kDone_Verb;
    }
    fPts = src;
    return verb;
}

// -----------------------------------------------------------------------------------------

void SkPath::addPath (const SkPath &src, const SkMatrix &matrix)
{
    if (&src == this) {
        SkPath copy (src);
        addPath (copy, matrix);
        return;
    }
    incReserve (src.countPoints ());
    SkMatrix::MapPtsProc proc = matrix.getMapPtsProc ();
    Iter iter (src, false);
    SkPoint pts[4];
    Verb verb;
    while ((verb = iter.next (pts)) != kDone_Verb) {
        switch (verb) {
        case kMove_Verb:
            proc (matrix, &pts[0], &pts[0], 1);
            moveTo (pts[0]);
            break;
        case kLine_Verb:
            proc (matrix, &pts[1], &pts[1], 1);
            lineTo (pts[1]);
            break;
        case kQuad_Verb:
            proc (matrix, &pts[1], &pts[1], 2);
            quadTo (pts[1], pts[2]);
            break;
        case kCubic_Verb:
            proc (matrix, &pts[1], &pts[1], 3);
            cubicTo (pts[1], pts[2], pts[3]);
            break;
        case kClose_Verb:
            close ();
            break;
        default:
            break;
        }
    }
}

void SkPath::addPath (const SkPath &src, SkScalar dx, SkScalar dy)
{
    SkMatrix m;
    m.setTranslate (dx, dy);
    addPath (src, m);
}

void SkPath::reversePathTo (const SkPath &src)
{
    if (&src == this) {
        SkPath copy (src);
        reversePathTo (copy);
        return;
    }
    if (src.fVerbCount == 0) {
        return;
    }
    // Forward over the first contour: the verbs after the first, up to the first close.
    uint64_t verbEnd = 1;
    uint64_t lastPt = 0;
    while (verbEnd < src.fVerbCount && src.fVerbs[verbEnd] != kClose_Verb) {
        lastPt += (uint64_t)points_in_verb (src.fVerbs[verbEnd]);
        verbEnd++;
    }
    const SkPoint *pts = src.fPoints;
    for (uint64_t i = verbEnd - 1; i >= 1; i--) {
        uint8_t verb = src.fVerbs[i];
        int n = points_in_verb (verb);
        switch (verb) {
        case kLine_Verb:
            lineTo (pts[lastPt - 1]);
            break;
        case kQuad_Verb:
            quadTo (pts[lastPt - 1], pts[lastPt - 2]);
            break;
        case kCubic_Verb:
            cubicTo (pts[lastPt - 1], pts[lastPt - 2], pts[lastPt - 3]);
            break;
        default:
            break;   // a move adds nothing
        }
        lastPt -= (uint64_t)n;
    }
}

void SkPath::offset (SkScalar dx, SkScalar dy, SkPath *dst) const
{
    SkMatrix m;
    m.setTranslate (dx, dy);
    transform (m, dst);
}

namespace {

// Under perspective, curves are split into quarters first so that mapping their control
// points stays close to the projected curve.
void subdivide_into (const SkPath &src, SkPath *tmp)
{
    SkPath::Iter iter (src, false);
    SkPoint pts[4];
    SkPath::Verb verb;
    while ((verb = iter.next (pts)) != SkPath::kDone_Verb) {
        switch (verb) {
        case SkPath::kMove_Verb:
            tmp->moveTo (pts[0]);
            break;
        case SkPath::kLine_Verb:
            tmp->lineTo (pts[1]);
            break;
        case SkPath::kQuad_Verb: {
            SkPoint halves[5], quarters[5];
            SkChopQuadAtHalf (pts, halves);
            for (int h = 0; h < 2; h++) {
                SkChopQuadAtHalf (&halves[2 * h], quarters);
                tmp->quadTo (quarters[1], quarters[2]);
                tmp->quadTo (quarters[3], quarters[4]);
            }
            break;
        }
        case SkPath::kCubic_Verb: {
            SkPoint halves[7], quarters[7];
            SkChopCubicAtHalf (pts, halves);
            for (int h = 0; h < 2; h++) {
                SkChopCubicAtHalf (&halves[3 * h], quarters);
                tmp->cubicTo (quarters[1], quarters[2], quarters[3]);
                tmp->cubicTo (quarters[4], quarters[5], quarters[6]);
            }
            break;
        }
        case SkPath::kClose_Verb:
            tmp->close ();
            break;
        default:
            break;
        }
    }
}

} // namespace

void SkPath::transform (const SkMatrix &matrix, SkPath *dst) const
{
    if (dst == nullptr) {
        dst = const_cast<SkPath *> (this);
    }
    if (matrix.hasPerspective ()) {
        SkPath tmp;
        tmp.fFillType = fFillType;
        subdivide_into (*this, &tmp);
        dst->swap (tmp);
        matrix.mapPoints (dst->fPoints, (int)dst->fPointCount);
        dst->fBoundsDirty = 1;
        return;
    }
    bool cleanBounds = !fBoundsDirty && matrix.rectStaysRect () && fPointCount > 1;
    if (dst != this) {
        bool ok = SkPathPriv::copy_array ((void **)&dst->fVerbs, &dst->fVerbReserve, &dst->fVerbCount, fVerbs,
                              fVerbCount, sizeof (uint8_t)) &&
                  dst->growPoints (fPointCount > dst->fPointCount ? (size_t)(fPointCount - dst->fPointCount) : 0);
        if (!ok) {
            dst->reset ();
            return;
        }
        dst->fPointCount = fPointCount;
        dst->fFillType = fFillType;
        dst->fSegmentMask = fSegmentMask;
        // Affine maps keep convex outlines convex, so the hint carries over.
        dst->fConvexity = fConvexity;
    }
    if (cleanBounds) {
        matrix.mapRect (&dst->fBounds, fBounds);
        dst->fBoundsDirty = 0;
    } else {
        dst->fBoundsDirty = 1;
    }
    matrix.mapPoints (dst->fPoints, fPoints, (int)fPointCount);
}
