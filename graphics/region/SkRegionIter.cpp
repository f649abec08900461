/*
 * Walking a region: its rectangles (optionally clipped), and the spans of one row.
 */
#include "graphics/region/SkRegion.h"
#include "graphics/region/SkRegionPriv.h"

namespace {
const SkRegion::RunType S = SkRegion::kRunTypeSentinel;
}

// fRuns points at the next interval of the current band, or at the band's end sentinel;
// fRect carries the band's top and bottom between calls.
void SkRegion::Iterator::reset (const SkRegion &rgn)
{
    fRgn = &rgn;
    fRuns = nullptr;
    fDone = rgn.isEmpty ();
    if (fDone || rgn.isRect ()) {
        fRect = rgn.fBounds;
        return;
    }
    const RunType *runs = rgn.fRunHead->runs ();
    fRect.fBottom = runs[0];        // the first band's top
    enterBand (runs + 1);
}

// p points at a band's bottom or at the final sentinel: loads the first interval of the next
// band that has one.
void SkRegion::Iterator::enterBand (const RunType *p)
{
    for (;;) {
        if (*p == S) {
            fDone = true;
            return;
        }
        fRect.fTop = fRect.fBottom;
        fRect.fBottom = *p++;
        if (*p != S) break;
        p++;                        // a band without intervals
    }
    fRect.fLeft = p[0];
    fRect.fRight = p[1];
    fRuns = p + 2;
}

void SkRegion::Iterator::next ()
{
    if (fDone) return;
    if (fRuns == nullptr) {         // a rectangle yields its bounds once
        fDone = true;
        return;
    }
    if (*fRuns == S) {
        enterBand (fRuns + 1);
        return;
    }
    fRect.fLeft = fRuns[0];
    fRect.fRight = fRuns[1];
    fRuns += 2;
}

SkRegion::Cliperator::Cliperator (const SkRegion &rgn, const SkIRect &clip) : fIter (rgn), fClip (clip), fDone (true)
{
    if (clip.isEmpty () || !SkIRect::Intersects (clip, rgn.getBounds ())) {
        return;
    }
    fDone = false;
    next ();
}

void SkRegion::Cliperator::next ()
{
    for (; !fIter.done (); fIter.next ()) {
        if (fIter.rect ().fTop >= fClip.fBottom) break;
        if (fRect.intersect (fIter.rect (), fClip)) {
            fIter.next ();
            return;
        }
    }
    fDone = true;
}

SkRegion::Spanerator::Spanerator (const SkRegion &rgn, int32_t y, int32_t left, int32_t right)
    : fRuns (nullptr), fLeft (left), fRight (right), fDone (true)
{
    const SkIRect &b = rgn.getBounds ();
    if (rgn.isEmpty () || y < b.fTop || y >= b.fBottom || right <= b.fLeft || left >= b.fRight) return;
    fDone = false;
    if (rgn.isRect ()) {
        fLeft = SkMax32 (left, b.fLeft);
        fRight = SkMin32 (right, b.fRight);
        return;
    }
    const RunType *p = rgn.fRunHead->runs () + 1;
    while (y >= *p) {               // band bottoms; y < bounds bottom stops this in the list
        p++;
        while (*p != S) p += 2;
        p++;
    }
    for (p++; *p != S && p[1] <= left; p += 2) {}
    fRuns = p;
}

bool SkRegion::Spanerator::next (int32_t *left, int32_t *right)
{
    if (fDone) return false;
    if (fRuns == nullptr) {         // a rectangle: one span
        fDone = true;
        *left = fLeft;
        *right = fRight;
        return true;
    }
    if (*fRuns == S || fRuns[0] >= fRight) {
        fDone = true;
        return false;
    }
    *left = SkMax32 (fLeft, fRuns[0]);
    *right = SkMin32 (fRight, fRuns[1]);
    fRuns += 2;
    return true;
}
