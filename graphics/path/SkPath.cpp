/*
 * SkPath: storage, building and shapes.
 */
#include "graphics/path/SkPathPriv.h"

namespace {

// tan(pi / 8) and sqrt(2) / 2: quads through the octant points of an ellipse.
const SkScalar kOvalTan = 0.41421357f;
const SkScalar kOvalRoot2 = 0.70710677f;
// Control-point distance of a cubic quarter circle, relative to the radius.
const SkScalar kCubicArc = 0.5522847f;

} // namespace

// Shapes added to an empty path leave it convex with exact bounds; added to anything else
// they leave it concave, keeping clean bounds clean by a union.
class SkAutoPathBoundsUpdate {
public:
    SkAutoPathBoundsUpdate (SkPath *path, const SkRect &rect) : fPath (path), fRect (rect)
    {
        fRect.sort ();
        fEmpty = path->isEmpty ();
        fDirty = path->fBoundsDirty != 0;
    }
    ~SkAutoPathBoundsUpdate ()
    {
        if (fEmpty) {
            fPath->fConvexity = SkPath::kConvex_Convexity;
            fPath->fBounds = fRect;
            fPath->fBoundsDirty = 0;
        } else {
            fPath->fConvexity = SkPath::kConcave_Convexity;
            if (!fDirty) {
                fPath->fBounds.join (fRect);
                fPath->fBoundsDirty = 0;
            }
        }
    }

private:
    SkPath *fPath;
    SkRect fRect;
    bool fEmpty;
    bool fDirty;
};

SkPath::SkPath ()
    : fPoints (nullptr), fPointReserve (0), fPointCount (0), fVerbs (nullptr), fVerbReserve (0),
      fVerbCount (0), fBounds (SkRect::MakeEmpty ()), fFillType (0), fSegmentMask (0),
      fBoundsDirty (1), fConvexity (kUnknown_Convexity)
{
}

SkPath::SkPath (const SkPath &other) : SkPath ()
{
    *this = other;
}

SkPath::~SkPath ()
{
    sk_free (fVerbs);
    sk_free (fPoints);
}

SkPath &SkPath::operator= (const SkPath &other)
{
    if (this == &other) {
        return *this;
    }
    fBounds = other.fBounds;
    bool ok = SkPathPriv::copy_array ((void **)&fPoints, &fPointReserve, &fPointCount, other.fPoints,
                          other.fPointCount, sizeof (SkPoint)) &&
              SkPathPriv::copy_array ((void **)&fVerbs, &fVerbReserve, &fVerbCount, other.fVerbs,
                          other.fVerbCount, sizeof (uint8_t));
    if (!ok) {
        // Out of memory: an empty path rather than a half copy.
        reset ();
        return *this;
    }
    fFillType = other.fFillType;
    fBoundsDirty = other.fBoundsDirty;
    fConvexity = other.fConvexity;
    fSegmentMask = other.fSegmentMask;
    return *this;
}

void SkPath::swap (SkPath &other)
{
    SkTSwap (fPoints, other.fPoints);
    SkTSwap (fPointReserve, other.fPointReserve);
    SkTSwap (fPointCount, other.fPointCount);
    SkTSwap (fVerbs, other.fVerbs);
    SkTSwap (fVerbReserve, other.fVerbReserve);
    SkTSwap (fVerbCount, other.fVerbCount);
    SkTSwap (fBounds, other.fBounds);
    SkTSwap (fFillType, other.fFillType);
    SkTSwap (fSegmentMask, other.fSegmentMask);
    SkTSwap (fBoundsDirty, other.fBoundsDirty);
    SkTSwap (fConvexity, other.fConvexity);
}

void SkPath::reset ()
{
    sk_free (fVerbs);
    sk_free (fPoints);
    fPoints = nullptr;
    fVerbs = nullptr;
    fPointReserve = fPointCount = 0;
    fVerbReserve = fVerbCount = 0;
    fBoundsDirty = 1;
    fConvexity = kUnknown_Convexity;
    fSegmentMask = 0;
}

bool SkPath::growPoints (size_t n)
{
    return SkPathPriv::grow_array ((void **)&fPoints, &fPointReserve, fPointCount, n, sizeof (SkPoint));
}

bool SkPath::growVerbs (size_t n)
{
    return SkPathPriv::grow_array ((void **)&fVerbs, &fVerbReserve, fVerbCount, n, sizeof (uint8_t));
}

void SkPath::incReserve (int n)
{
    if (n > 0) {
        growPoints ((size_t)n);
        growVerbs ((size_t)n);
    }
}

SkPoint *SkPath::appendVerb (Verb verb, int n)
{
    if (!growPoints ((size_t)n) || !growVerbs (1)) {
        return nullptr;
    }
    SkPoint *pts = fPoints + fPointCount;
    fPointCount += (uint64_t)n;
    fVerbs[fVerbCount++] = verb;
    edited ();
    return pts;
}

bool SkPath::getLastPt (SkPoint *pt) const
{
    if (fPointCount == 0) {
        if (pt != nullptr) pt->set (0, 0);
        return false;
    }
    if (pt != nullptr) *pt = fPoints[fPointCount - 1];
    return true;
}

void SkPath::setLastPt (SkScalar x, SkScalar y)
{
    if (fPointCount == 0) {
        moveTo (x, y);
        return;
    }
    fPoints[fPointCount - 1].set (x, y);
    edited ();
}

const SkRect &SkPath::getBounds () const
{
    if (fBoundsDirty) {
        if (fPointCount > 1) {
            fBounds.set (fPoints, (int)fPointCount);
        } else {
            fBounds.setEmpty ();
        }
        fBoundsDirty = 0;
    }
    return fBounds;
}

void SkPath::moveTo (SkScalar x, SkScalar y)
{
    if (fVerbCount > 0 && fVerbs[fVerbCount - 1] == kMove_Verb) {
        fPoints[fPointCount - 1].set (x, y);
        edited ();
        return;
    }
    SkPoint *pt = appendVerb (kMove_Verb, 1);
    if (pt != nullptr) {
        pt->set (x, y);
    }
}

void SkPath::injectMoveToIfNeeded ()
{
    if (fVerbCount == 0) {
        moveTo (0, 0);
    }
}

void SkPath::lineTo (SkScalar x, SkScalar y)
{
    injectMoveToIfNeeded ();
    SkPoint *pt = appendVerb (kLine_Verb, 1);
    if (pt != nullptr) {
        pt[0].set (x, y);
        fSegmentMask |= kLine_SegmentMask;
    }
}

void SkPath::quadTo (SkScalar x1, SkScalar y1, SkScalar x2, SkScalar y2)
{
    injectMoveToIfNeeded ();
    SkPoint *pt = appendVerb (kQuad_Verb, 2);
    if (pt != nullptr) {
        pt[0].set (x1, y1);
        pt[1].set (x2, y2);
        fSegmentMask |= kQuad_SegmentMask;
    }
}

void SkPath::cubicTo (SkScalar x1, SkScalar y1, SkScalar x2, SkScalar y2, SkScalar x3, SkScalar y3)
{
    injectMoveToIfNeeded ();
    SkPoint *pt = appendVerb (kCubic_Verb, 3);
    if (pt != nullptr) {
        pt[0].set (x1, y1);
        pt[1].set (x2, y2);
        pt[2].set (x3, y3);
        fSegmentMask |= kCubic_SegmentMask;
    }
}

void SkPath::close ()
{
    if (fVerbCount == 0) {
        return;
    }
    uint8_t last = fVerbs[fVerbCount - 1];
    if (last == kLine_Verb || last == kQuad_Verb || last == kCubic_Verb) {
        if (growVerbs (1)) {
            fVerbs[fVerbCount++] = kClose_Verb;
        }
    }
}

void SkPath::addRect (const SkRect &rect)
{
    SkAutoPathBoundsUpdate update (this, rect);
    incReserve (5);
    moveTo (rect.fLeft, rect.fTop);
    lineTo (rect.fRight, rect.fTop);
    lineTo (rect.fRight, rect.fBottom);
    lineTo (rect.fLeft, rect.fBottom);
    close ();
}

void SkPath::addOval (const SkRect &oval)
{
    SkAutoPathBoundsUpdate update (this, oval);
    SkScalar cx = oval.centerX (), cy = oval.centerY ();
    SkScalar rx = oval.width () * 0.5f, ry = oval.height () * 0.5f;
    SkScalar sx = rx * kOvalTan, sy = ry * kOvalTan;
    SkScalar mx = rx * kOvalRoot2, my = ry * kOvalRoot2;
    SkScalar L = oval.fLeft, T = oval.fTop, R = oval.fRight, B = oval.fBottom;
    incReserve (17);
    moveTo (R, cy);
    quadTo (R, cy + sy, cx + mx, cy + my);
    quadTo (cx + sx, B, cx, B);
    quadTo (cx - sx, B, cx - mx, cy + my);
    quadTo (L, cy + sy, L, cy);
    quadTo (L, cy - sy, cx - mx, cy - my);
    quadTo (cx - sx, T, cx, T);
    quadTo (cx + sx, T, cx + mx, cy - my);
    quadTo (R, cy - sy, R, cy);
    close ();
}

void SkPath::addCircle (SkScalar x, SkScalar y, SkScalar radius)
{
    if (radius > 0) {
        addOval (SkRect::MakeLTRB (x - radius, y - radius, x + radius, y + radius));
    }
}

void SkPath::addRoundRect (const SkRect &rect, SkScalar rx, SkScalar ry)
{
    SkScalar halfW = rect.width () * 0.5f;
    SkScalar halfH = rect.height () * 0.5f;
    if (halfW <= 0 || halfH <= 0) {
        return;
    }
    if (rx >= halfW && ry >= halfH) {
        addOval (rect);
        return;
    }
    // Only one radius is clamped; the straight sides along the clamped one vanish.
    bool skipHoriz = false, skipVert = false;
    if (rx >= halfW) {
        rx = halfW;
        skipHoriz = true;
    } else if (ry >= halfH) {
        ry = halfH;
        skipVert = true;
    }
    SkScalar sx = rx * kCubicArc, sy = ry * kCubicArc;
    SkScalar L = rect.fLeft, T = rect.fTop, R = rect.fRight, B = rect.fBottom;
    SkAutoPathBoundsUpdate update (this, rect);
    incReserve (17);
    moveTo (R - rx, T);
    cubicTo (R - rx + sx, T, R, T + ry - sy, R, T + ry);
    if (!skipVert) lineTo (R, B - ry);
    cubicTo (R, B - ry + sy, R - rx + sx, B, R - rx, B);
    if (!skipHoriz) lineTo (L + rx, B);
    cubicTo (L + rx - sx, B, L, B - ry + sy, L, B - ry);
    if (!skipVert) lineTo (L, T + ry);
    cubicTo (L, T + ry - sy, L + rx - sx, T, L + rx, T);
    if (!skipHoriz) lineTo (R - rx, T);
    close ();
}
