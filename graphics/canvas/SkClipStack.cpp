/*
 * The clip stack's records and the rule that merges intersections.
 */
#include "graphics/canvas/SkClipStack.h"

#include <Runtime/New.h>

SkClipStack::Rec *SkClipStack::push ()
{
    void *mem = sk_calloc (sizeof (Rec));
    if (mem == nullptr) {
        return nullptr;       // the record is lost; the clip region itself is still right
    }
    Rec *rec = new (mem) Rec;
    rec->fPrev = fTail;
    rec->fNext = nullptr;
    rec->fSaveCount = fSaveCount;
    (fTail != nullptr ? fTail->fNext : fHead) = rec;
    fTail = rec;
    return rec;
}

void SkClipStack::pop ()
{
    Rec *rec = fTail;
    fTail = rec->fPrev;
    (fTail != nullptr ? fTail->fNext : fHead) = nullptr;
    rec->~Rec ();
    sk_free (rec);
}

void SkClipStack::reset ()
{
    while (fTail != nullptr) {
        pop ();
    }
    fSaveCount = 0;
}

void SkClipStack::restore ()
{
    fSaveCount--;
    while (fTail != nullptr && fTail->fSaveCount > fSaveCount) {
        pop ();
    }
}

int SkClipStack::count () const
{
    int n = 0;
    for (const Rec *rec = fHead; rec != nullptr; rec = rec->fNext) n++;
    return n;
}

void SkClipStack::clipDevRect (const SkRect &rect, SkRegion::Op op)
{
    Rec *top = fTail;
    if (top != nullptr && top->fState == kEmpty_State &&
        (op == SkRegion::kDifference_Op || op == SkRegion::kIntersect_Op)) {
        return;     // nothing can come back from an empty clip this way
    }
    if (top != nullptr && top->fSaveCount == fSaveCount && top->fOp == SkRegion::kIntersect_Op &&
        op == SkRegion::kIntersect_Op) {
        if (top->fState == kRect_State) {
            if (!top->fRect.intersect (rect)) {
                top->fRect.setEmpty ();
                top->fState = kEmpty_State;
            }
            return;
        }
        if (top->fState == kPath_State && !SkRect::Intersects (top->fPath.getBounds (), rect)) {
            top->fState = kEmpty_State;
            return;
        }
    }
    Rec *rec = push ();
    if (rec != nullptr) {
        rec->fRect = rect;
        rec->fOp = op;
        rec->fState = kRect_State;
    }
}

void SkClipStack::clipDevPath (const SkPath &path, SkRegion::Op op)
{
    Rec *top = fTail;
    if (top != nullptr && top->fState == kEmpty_State &&
        (op == SkRegion::kDifference_Op || op == SkRegion::kIntersect_Op)) {
        return;
    }
    if (top != nullptr && top->fSaveCount == fSaveCount && top->fOp == SkRegion::kIntersect_Op &&
        op == SkRegion::kIntersect_Op) {
        const SkRect &bounds = top->fState == kRect_State ? top->fRect : top->fPath.getBounds ();
        if (top->fState != kEmpty_State && !SkRect::Intersects (bounds, path.getBounds ())) {
            top->fState = kEmpty_State;
            return;
        }
    }
    Rec *rec = push ();
    if (rec != nullptr) {
        rec->fPath = path;
        rec->fRect.setEmpty ();
        rec->fOp = op;
        rec->fState = kPath_State;
    }
}
