/*
 * Edge building: clipping or chopping of each segment, then one edge record per piece.
 */
#include "graphics/raster/SkEdgeBuilder.h"

#include "graphics/geometry/SkGeometry.h"
#include "graphics/raster/SkEdgeClipper.h"
#include "graphics/raster/SkLineClipper.h"

namespace {

// Halvings of a curve too large for its differences; each halves its extent, and the
// coordinates are bounded, so a few suffice.
const int kMaxHalvings = 10;

} // namespace

void SkEdgeBuilder::reset ()
{
    fAlloc.reset ();
    sk_free (fList);
    fList = nullptr;
    fCount = fReserve = 0;
}

bool SkEdgeBuilder::push (SkEdge *edge)
{
    if (fCount >= fReserve) {
        int reserve = fCount + 5 + (fCount + 5) / 4;
        SkEdge **list = (SkEdge **)sk_realloc (fList, (size_t)reserve * sizeof (SkEdge *));
        if (list == nullptr) {
            fFailed = true;
            return false;
        }
        fList = list;
        fReserve = reserve;
    }
    fList[fCount++] = edge;
    return true;
}

bool SkEdgeBuilder::tooLarge (const SkPoint pts[], int count, int limit) const
{
    SkRect bounds;
    bounds.set (pts, count);
    float scale = (float)(1 << (6 + fShiftUp));
    // Written so that a NaN extent counts as too large.
    return !(SkTMax (bounds.width (), bounds.height ()) * scale < (float)limit);
}

bool SkEdgeBuilder::outOfReach (const SkPoint pts[], int count) const
{
    // Half the 16.16 range (16384 px at the device's resolution): forward differences land
    // slightly off the curve, so its points need room to spare.
    float reach = (float)(1 << 20) / (float)(1 << (6 + fShiftUp));
    for (int i = 0; i < count; i++)
        if (!(fabsf (pts[i].fX) < reach && fabsf (pts[i].fY) < reach)) return true;
    return false;
}

void SkEdgeBuilder::addChord (const SkPoint &p0, const SkPoint &p1)
{
    SkPoint chord[2] = { p0, p1 };
    SkRect bounds;
    bounds.set (chord, 2);
    if (!bounds.isFinite ()) return;
    // Without a clip every point lies within the path's bounds, which the callers keep within
    // what a line edge can step.
    if (fHasClip) addClippedLine (chord, fClip);
    else addLine (chord);
}

void SkEdgeBuilder::addLine (const SkPoint pts[2])
{
    SkEdge *edge = (SkEdge *)fAlloc.alloc (sizeof (SkEdge));
    if (edge == nullptr) {
        fFailed = true;
        return;
    }
    if (edge->setLine (pts[0], pts[1], nullptr, fShiftUp)) push (edge);
}

void SkEdgeBuilder::addCurve (const SkPoint pts[], int count, int depth)
{
    bool quad = count == 3;
    if (outOfReach (pts, count)) {
        addChord (pts[0], pts[count - 1]);
        return;
    }
    if (tooLarge (pts, count, quad ? kSkEdgeMaxQuadExtent : kSkEdgeMaxCubicExtent)) {
        if (depth >= kMaxHalvings) {
            addChord (pts[0], pts[count - 1]);
            return;
        }
        SkPoint halves[7];
        if (quad) SkChopQuadAtHalf (pts, halves);
        else SkChopCubicAtHalf (pts, halves);
        addCurve (halves, count, depth + 1);
        addCurve (halves + count - 1, count, depth + 1);
        return;
    }
    void *edge = fAlloc.alloc (quad ? sizeof (SkQuadraticEdge) : sizeof (SkCubicEdge));
    if (edge == nullptr) {
        fFailed = true;
        return;
    }
    int made = quad ? ((SkQuadraticEdge *)edge)->setQuadratic (pts, fShiftUp)
                    : ((SkCubicEdge *)edge)->setCubic (pts, nullptr, fShiftUp);
    if (made) push ((SkEdge *)edge);
}

void SkEdgeBuilder::addClippedLine (const SkPoint pts[2], const SkRect &clip)
{
    SkPoint lines[SkLineClipper::kMaxPoints];
    int count = SkLineClipper::ClipLine (pts, clip, lines);
    // The crossings lie on the clip; a nearly parallel piece gets a midpoint instead, which
    // may lie anywhere, so every point is held to the clip.
    for (int i = 0; i <= count && count > 0; i++) {
        lines[i].fX = SkTMin (SkTMax (lines[i].fX, clip.fLeft), clip.fRight);
        lines[i].fY = SkTMin (SkTMax (lines[i].fY, clip.fTop), clip.fBottom);
    }
    for (int i = 0; i < count; i++) addLine (&lines[i]);
}

void SkEdgeBuilder::addClippedCurve (const SkPoint pts[], SkPath::Verb verb, const SkRect &clip)
{
    SkEdgeClipper clipper;
    bool any = verb == SkPath::kQuad_Verb ? clipper.clipQuad (pts, clip) : clipper.clipCubic (pts, clip);
    if (!any) return;
    SkPoint piece[4];
    for (SkEdgeClipper::Verb v; (v = clipper.next (piece)) != SkEdgeClipper::kDone_Verb;) {
        if (v == SkEdgeClipper::kLine_Verb) addLine (piece);
        else addCurve (piece, v == SkEdgeClipper::kQuad_Verb ? 3 : 4, 0);
    }
}

void SkEdgeBuilder::addChopped (const SkPoint pts[], SkPath::Verb verb)
{
    if (verb == SkPath::kQuad_Verb) {
        SkPoint mono[5];
        int n = SkChopQuadAtYExtrema (pts, mono);
        for (int i = 0; i <= n; i++) addCurve (&mono[i * 2], 3, 0);
    } else {
        SkPoint mono[10];
        int n = SkChopCubicAtYExtrema (pts, mono);
        for (int i = 0; i <= n; i++) addCurve (&mono[i * 3], 4, 0);
    }
}

int SkEdgeBuilder::build (const SkPath &path, const SkIRect *iclip, int shiftUp)
{
    reset ();
    fShiftUp = shiftUp;
    fFailed = false;
    SkRect &clip = fClip;
    fHasClip = iclip != nullptr;
    if (fHasClip) {
        clip.iset (iclip->fLeft >> shiftUp, iclip->fTop >> shiftUp, iclip->fRight >> shiftUp, iclip->fBottom >> shiftUp);
    }
    SkPath::Iter iter (path, true);
    SkPoint pts[4];
    for (SkPath::Verb verb; (verb = iter.next (pts)) != SkPath::kDone_Verb && !fFailed;) {
        switch (verb) {
        case SkPath::kLine_Verb:
            if (iclip != nullptr) addClippedLine (pts, clip);
            else addLine (pts);
            break;
        case SkPath::kQuad_Verb:
        case SkPath::kCubic_Verb:
            if (iclip != nullptr) addClippedCurve (pts, verb, clip);
            else addChopped (pts, verb);
            break;
        default: break;
        }
    }
    return fCount;
}
