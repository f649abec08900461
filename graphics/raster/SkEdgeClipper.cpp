/*
 * Curve clipping for the edge builder. Pieces are made monotonic in y and then in x so that
 * each clip edge is crossed at most once; a root that cannot be found falls back to pinning
 * the points or to a vertical line, which keeps the winding right.
 */
#include "graphics/raster/SkEdgeClipper.h"

#include "graphics/geometry/SkGeometry.h"

namespace {

inline void clamp_ge (SkScalar &v, SkScalar min) { if (v < min) v = min; }
inline void clamp_le (SkScalar &v, SkScalar max) { if (v > max) v = max; }

// Copies src into dst in increasing y (or x) of the end points; returns whether it reversed.
bool sort_increasing (SkPoint dst[], const SkPoint src[], int count, bool byX)
{
    SkScalar first = byX ? src[0].fX : src[0].fY, last = byX ? src[count - 1].fX : src[count - 1].fY;
    bool reverse = first > last;
    for (int i = 0; i < count; i++) dst[i] = src[reverse ? count - 1 - i : i];
    return reverse;
}

SkScalar coord (const SkPoint &p, bool x) { return x ? p.fX : p.fY; }

// t in (0, 1) where a monotonic quad reaches value along one axis.
bool quad_root_at (const SkPoint pts[3], SkScalar value, bool x, SkScalar *t)
{
    SkScalar c0 = coord (pts[0], x), c1 = coord (pts[1], x), c2 = coord (pts[2], x);
    SkScalar roots[2];
    int n = SkFindUnitQuadRoots (c0 - 2 * c1 + c2, 2 * (c1 - c0), c0 - value, roots);
    if (n > 0) *t = roots[0];
    return n > 0;
}

// Bisection for a monotonic increasing cubic along one axis; always gives the last middle.
SkScalar mono_cubic_closest_t (const SkPoint pts[4], SkScalar value, bool x)
{
    SkScalar c0 = coord (pts[0], x), c1 = coord (pts[1], x), c2 = coord (pts[2], x), c3 = coord (pts[3], x);
    SkScalar ca = 3 * (c1 - c2) + c3 - c0, cb = 3 * (c2 - 2 * c1 + c0), cc = 3 * (c1 - c0), cd = c0 - value;
    SkScalar lo = 0, hi = 1, mid = 0;
    for (int i = 0; i < 16; i++) {
        mid = (lo + hi) * 0.5f;
        SkScalar v = ((ca * mid + cb) * mid + cc) * mid + cd;
        if ((v < 0 ? -v : v) < 1.0f / 4096) break;
        if (v < 0) lo = mid;
        else hi = mid;
    }
    return mid;
}

bool y_overlaps (const SkPoint pts[], int count, const SkRect &clip)
{
    SkRect bounds;
    bounds.set (pts, count);
    return !(bounds.fTop >= clip.fBottom || clip.fTop >= bounds.fBottom);
}

// The quad's x is monotonic unless its two legs run in opposite x directions.
bool quad_x_not_monotonic (SkScalar a, SkScalar b, SkScalar c)
{
    SkScalar ab = a - b, bc = b - c;
    if (ab < 0) bc = -bc;
    return ab == 0 || bc < 0;
}

} // namespace

void SkEdgeClipper::reset ()
{
    fPointCount = fVerbCount = 0;
    fNextPoint = fNextVerb = 0;
}

void SkEdgeClipper::finish ()
{
    fVerbs[fVerbCount++] = kDone_Verb;
    fNextPoint = fNextVerb = 0;
}

void SkEdgeClipper::appendPoints (Verb verb, const SkPoint pts[], int count, bool reverse)
{
    // The sizes above cover the worst case; the check keeps a miscount from writing past them.
    if (fVerbCount >= kMaxVerbs - 1 || fPointCount + count > kMaxPoints) return;
    for (int i = 0; i < count; i++) fPoints[fPointCount++] = pts[reverse ? count - 1 - i : i];
    fVerbs[fVerbCount++] = (uint8_t)verb;
}

void SkEdgeClipper::appendVLine (SkScalar x, SkScalar y0, SkScalar y1, bool reverse)
{
    SkPoint pts[2] = { SkPoint::Make (x, y0), SkPoint::Make (x, y1) };
    appendPoints (kLine_Verb, pts, 2, reverse);
}

SkEdgeClipper::Verb SkEdgeClipper::next (SkPoint pts[])
{
    Verb verb = (Verb)fVerbs[fNextVerb];
    static const int kPointCount[6] = { 0, 2, 3, 4, 0, 0 };
    if (verb == kDone_Verb) return verb;
    fNextVerb++;
    for (int i = 0; i < kPointCount[verb]; i++) pts[i] = fPoints[fNextPoint++];
    return verb;
}

// --- quads -----------------------------------------------------------------------------------

bool SkEdgeClipper::clipQuad (const SkPoint srcPts[3], const SkRect &clip)
{
    reset ();
    if (y_overlaps (srcPts, 3, clip)) {
        SkPoint monoY[5];
        int countY = SkChopQuadAtYExtrema (srcPts, monoY);
        for (int y = 0; y <= countY; y++) {
            const SkPoint *piece = &monoY[y * 2];
            SkPoint monoX[5];
            SkScalar t;
            if (quad_x_not_monotonic (piece[0].fX, piece[1].fX, piece[2].fX) &&
                valid_unit_divide (piece[0].fX - piece[1].fX, piece[0].fX - piece[1].fX - piece[1].fX + piece[2].fX, &t)) {
                SkChopQuadAt (piece, monoX, t);
                monoX[1].fX = monoX[3].fX = monoX[2].fX;
                clipMonoQuad (&monoX[0], clip);
                clipMonoQuad (&monoX[2], clip);
            } else {
                monoX[0] = piece[0];
                monoX[1] = piece[1];
                monoX[2] = piece[2];
                if (quad_x_not_monotonic (piece[0].fX, piece[1].fX, piece[2].fX)) {
                    SkScalar d01 = piece[0].fX - piece[1].fX, d12 = piece[1].fX - piece[2].fX;
                    monoX[1].fX = (d12 < 0 ? -d12 : d12) > (d01 < 0 ? -d01 : d01) ? piece[0].fX : piece[2].fX;
                }
                clipMonoQuad (monoX, clip);
            }
        }
    }
    finish ();
    return fVerbs[0] != kDone_Verb;
}

void SkEdgeClipper::clipMonoQuad (const SkPoint srcPts[3], const SkRect &clip)
{
    SkPoint pts[3], tmp[5];
    bool reverse = sort_increasing (pts, srcPts, 3, false);
    if (pts[2].fY <= clip.fTop || pts[0].fY >= clip.fBottom) return;
    SkScalar t;
    if (pts[0].fY < clip.fTop) {
        if (quad_root_at (pts, clip.fTop, false, &t)) {
            SkChopQuadAt (pts, tmp, t);
            clamp_ge (tmp[2].fY, clip.fTop);
            clamp_ge (tmp[3].fY, clip.fTop);
            pts[0] = tmp[2];
            pts[1] = tmp[3];
        } else {
            for (SkPoint &p : pts) clamp_ge (p.fY, clip.fTop);
        }
    }
    if (pts[2].fY > clip.fBottom) {
        if (quad_root_at (pts, clip.fBottom, false, &t)) {
            SkChopQuadAt (pts, tmp, t);
            clamp_le (tmp[1].fY, clip.fBottom);
            clamp_le (tmp[2].fY, clip.fBottom);
            pts[1] = tmp[1];
            pts[2] = tmp[2];
        } else {
            for (SkPoint &p : pts) clamp_le (p.fY, clip.fBottom);
        }
    }
    SkPoint byX[3];
    if (sort_increasing (byX, pts, 3, true)) reverse = !reverse;
    clipMonoQuadX (byX, clip, reverse);
}

// pts[0...last] is y-clipped and in increasing x. A curve wholly left or right of the clip
// still bounds the winding of what lies inside, so it becomes a vertical line on that side.
bool SkEdgeClipper::appendIfOutsideX (const SkPoint pts[], int last, const SkRect &clip, bool reverse)
{
    if (pts[last].fX <= clip.fLeft) {
        appendVLine (clip.fLeft, pts[0].fY, pts[last].fY, reverse);
        return true;
    }
    if (pts[0].fX >= clip.fRight) {
        appendVLine (clip.fRight, pts[0].fY, pts[last].fY, reverse);
        return true;
    }
    return false;
}

// pts is y-clipped and in increasing x.
void SkEdgeClipper::clipMonoQuadX (SkPoint pts[3], const SkRect &clip, bool reverse)
{
    if (appendIfOutsideX (pts, 2, clip, reverse)) return;
    SkPoint tmp[5];
    SkScalar t;
    if (pts[0].fX < clip.fLeft) {
        if (!quad_root_at (pts, clip.fLeft, true, &t)) {
            appendVLine (clip.fLeft, pts[0].fY, pts[2].fY, reverse);
            return;
        }
        SkChopQuadAt (pts, tmp, t);
        appendVLine (clip.fLeft, tmp[0].fY, tmp[2].fY, reverse);
        clamp_ge (tmp[2].fX, clip.fLeft);
        clamp_ge (tmp[3].fX, clip.fLeft);
        pts[0] = tmp[2];
        pts[1] = tmp[3];
    }
    if (pts[2].fX > clip.fRight) {
        if (!quad_root_at (pts, clip.fRight, true, &t)) {
            appendVLine (clip.fRight, pts[0].fY, pts[2].fY, reverse);
            return;
        }
        SkChopQuadAt (pts, tmp, t);
        clamp_le (tmp[1].fX, clip.fRight);
        clamp_le (tmp[2].fX, clip.fRight);
        appendPoints (kQuad_Verb, tmp, 3, reverse);
        appendVLine (clip.fRight, tmp[2].fY, tmp[4].fY, reverse);
        return;
    }
    appendPoints (kQuad_Verb, pts, 3, reverse);
}

// --- cubics ----------------------------------------------------------------------------------

bool SkEdgeClipper::clipCubic (const SkPoint srcPts[4], const SkRect &clip)
{
    reset ();
    if (y_overlaps (srcPts, 4, clip)) {
        SkPoint monoY[10];
        int countY = SkChopCubicAtYExtrema (srcPts, monoY);
        for (int y = 0; y <= countY; y++) {
            const SkPoint *piece = &monoY[y * 3];
            SkScalar qa = 3 * (piece[1].fX - piece[2].fX) + piece[3].fX - piece[0].fX;
            SkScalar qb = 2 * (piece[0].fX - piece[1].fX - piece[1].fX + piece[2].fX);
            SkScalar qc = piece[1].fX - piece[0].fX;
            SkScalar roots[2];
            int countX = SkFindUnitQuadRoots (qa, qb, qc, roots);
            SkPoint monoX[10];
            SkChopCubicAt (piece, monoX, roots, countX);
            for (int i = 1; i <= countX; i++) monoX[3 * i - 1].fX = monoX[3 * i + 1].fX = monoX[3 * i].fX;
            for (int x = 0; x <= countX; x++) clipMonoCubic (&monoX[x * 3], clip);
        }
    }
    finish ();
    return fVerbs[0] != kDone_Verb;
}

void SkEdgeClipper::clipMonoCubic (const SkPoint srcPts[4], const SkRect &clip)
{
    SkPoint pts[4], tmp[7];
    bool reverse = sort_increasing (pts, srcPts, 4, false);
    if (pts[3].fY <= clip.fTop || pts[0].fY >= clip.fBottom) return;
    if (pts[0].fY < clip.fTop) {
        SkChopCubicAt (pts, tmp, mono_cubic_closest_t (pts, clip.fTop, false));
        // Only the cut and its tangent neighbour are pinned: they lie inside by construction
        // and only rounding can move them out. The far control point of a monotonic cubic may
        // legitimately lie above the clip; pinning it would bend the curve.
        tmp[3].fY = clip.fTop;
        clamp_ge (tmp[4].fY, clip.fTop);
        for (int i = 0; i < 4; i++) pts[i] = tmp[i + 3];
    }
    if (pts[3].fY > clip.fBottom) {
        SkChopCubicAt (pts, tmp, mono_cubic_closest_t (pts, clip.fBottom, false));
        clamp_le (tmp[2].fY, clip.fBottom);
        clamp_le (tmp[3].fY, clip.fBottom);
        for (int i = 0; i < 4; i++) pts[i] = tmp[i];
    }
    SkPoint byX[4];
    if (sort_increasing (byX, pts, 4, true)) reverse = !reverse;
    clipMonoCubicX (byX, clip, reverse);
}

// pts is y-clipped and in increasing x.
void SkEdgeClipper::clipMonoCubicX (SkPoint pts[4], const SkRect &clip, bool reverse)
{
    if (appendIfOutsideX (pts, 3, clip, reverse)) return;
    SkPoint tmp[7];
    if (pts[0].fX < clip.fLeft) {
        SkChopCubicAt (pts, tmp, mono_cubic_closest_t (pts, clip.fLeft, true));
        appendVLine (clip.fLeft, tmp[0].fY, tmp[3].fY, reverse);
        clamp_ge (tmp[3].fX, clip.fLeft);
        clamp_ge (tmp[4].fX, clip.fLeft);
        for (int i = 0; i < 4; i++) pts[i] = tmp[i + 3];
    }
    if (pts[3].fX > clip.fRight) {
        SkChopCubicAt (pts, tmp, mono_cubic_closest_t (pts, clip.fRight, true));
        clamp_le (tmp[2].fX, clip.fRight);
        clamp_le (tmp[3].fX, clip.fRight);
        appendPoints (kCubic_Verb, tmp, 4, reverse);
        appendVLine (clip.fRight, tmp[3].fY, tmp[6].fY, reverse);
        return;
    }
    appendPoints (kCubic_Verb, pts, 4, reverse);
}
