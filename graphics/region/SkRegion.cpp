/*
 * Region storage, set operations and iterators. Operations walk the two band lists together
 * and build the result band by band, merging a band into the one above when their intervals
 * are equal, so that a rectangle result always comes back as a plain rectangle.
 */
#include "graphics/region/SkRegion.h"

#include "graphics/region/SkRegionPriv.h"

namespace {

const SkRegion::RunType S = SkRegion::kRunTypeSentinel;

// Steps over a band's intervals; returns the next band's bottom (or the final sentinel).
const SkRegion::RunType *skip_intervals (const SkRegion::RunType *p)
{
    while (*p != S) p += 2;
    return p + 1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Storage

SkRegion::SkRegion () : fBounds (SkIRect::MakeEmpty ()), fRunHead (emptyRunHead ()) {}

SkRegion::SkRegion (const SkRegion &src) : fBounds (SkIRect::MakeEmpty ()), fRunHead (emptyRunHead ())
{
    setRegion (src);
}

SkRegion::SkRegion (const SkIRect &rect) : fBounds (SkIRect::MakeEmpty ()), fRunHead (emptyRunHead ())
{
    setRect (rect);
}

SkRegion::~SkRegion () { freeRuns (); }

SkRegion &SkRegion::operator= (const SkRegion &src)
{
    setRegion (src);
    return *this;
}

void SkRegion::freeRuns ()
{
    if (isComplex () && --fRunHead->fRefCnt == 0) sk_free (fRunHead);
}

bool SkRegion::allocateRuns (int count)
{
    fRunHead = (RunHead *)sk_malloc (sizeof (RunHead) + (size_t)count * sizeof (RunType));
    if (fRunHead == nullptr) {
        fRunHead = emptyRunHead ();
        fBounds.setEmpty ();
        return false;
    }
    fRunHead->fRefCnt = 1;
    fRunHead->fRunCount = count;
    return true;
}

bool SkRegion::setEmpty ()
{
    freeRuns ();
    fBounds.setEmpty ();
    fRunHead = emptyRunHead ();
    return false;
}

bool SkRegion::setRect (const SkIRect &r)
{
    if (r.isEmpty ()) return setEmpty ();
    freeRuns ();
    fBounds = r;
    fRunHead = nullptr;
    return true;
}

bool SkRegion::setRect (int32_t l, int32_t t, int32_t r, int32_t b) { return setRect (SkIRect::MakeLTRB (l, t, r, b)); }

bool SkRegion::setRegion (const SkRegion &src)
{
    if (this == &src) return !isEmpty ();
    if (src.isComplex ()) src.fRunHead->fRefCnt++;      // before releasing ours: they may be the same
    freeRuns ();
    fBounds = src.fBounds;
    fRunHead = src.fRunHead;
    return !isEmpty ();
}

const SkRegion::RunType *SkRegion::getRuns (RunType tmp[6], int *count) const
{
    if (isComplex ()) {
        *count = fRunHead->fRunCount;
        return fRunHead->runs ();
    }
    if (isEmpty ()) {
        tmp[0] = S;
        *count = 1;
        return tmp;
    }
    tmp[0] = fBounds.fTop;
    tmp[1] = fBounds.fBottom;
    tmp[2] = fBounds.fLeft;
    tmp[3] = fBounds.fRight;
    tmp[4] = S;
    tmp[5] = S;
    *count = 6;
    return tmp;
}

// Bounds of a run list of more than 6 values with intervals in at least one band.
static SkIRect compute_run_bounds (const SkRegion::RunType *runs)
{
    SkIRect b = { S, runs[0], -S, runs[0] };
    const SkRegion::RunType *p = runs + 1;
    while (*p != S) {
        b.fBottom = *p++;
        if (*p != S) {
            b.fLeft = SkMin32 (b.fLeft, p[0]);
            p = skip_intervals (p);
            b.fRight = SkMax32 (b.fRight, p[-2]);
        } else {
            p++;
        }
    }
    return b;
}

bool SkRegion::setComplexRuns (const RunType runs[], int count)
{
    SkIRect bounds = compute_run_bounds (runs);
    if (bounds.isEmpty ()) return setEmpty ();
    if (isComplex () && fRunHead->fRefCnt == 1 && fRunHead->fRunCount == count) {
        // reuse our own storage
    } else {
        freeRuns ();
        if (!allocateRuns (count)) return false;
    }
    memmove (fRunHead->runs (), runs, (size_t)count * sizeof (RunType));
    fBounds = bounds;
    return true;
}

bool SkRegion::setRuns (RunType runs[], int count)
{
    if (count <= 2) return setEmpty ();
    if (count > 6 && runs[2] == S) {            // leading empty band: the top moves to its bottom
        runs[2] = runs[1];
        runs += 2;
        count -= 2;
    }
    if (count > 6 && runs[count - 4] == S) {    // trailing empty band
        count -= 2;
        runs[count - 1] = S;
    }
    if (count < 6) return setEmpty ();
    if (count == 6) return setRect (runs[2], runs[0], runs[3], runs[1]);
    return setComplexRuns (runs, count);
}

bool SkRegion::operator== (const SkRegion &b) const
{
    if (this == &b) return true;
    if (fBounds != b.fBounds) return false;
    if (!isComplex () || !b.isComplex ()) return fRunHead == b.fRunHead;
    if (fRunHead == b.fRunHead) return true;
    return fRunHead->fRunCount == b.fRunHead->fRunCount &&
           memcmp (fRunHead->runs (), b.fRunHead->runs (), (size_t)fRunHead->fRunCount * sizeof (RunType)) == 0;
}

// ---------------------------------------------------------------------------------------------
// Queries

bool SkRegion::contains (int32_t x, int32_t y) const
{
    if (!fBounds.contains (x, y)) return false;
    if (isRect ()) return true;
    const RunType *p = fRunHead->runs () + 1;
    while (y >= *p) p = skip_intervals (p + 1);
    for (p++; *p != S; p += 2) {
        if (x < p[0]) return false;
        if (x < p[1]) return true;
    }
    return false;
}

bool SkRegion::contains (const SkRegion &other) const
{
    if (isEmpty () || other.isEmpty () || !fBounds.contains (other.fBounds)) return false;
    if (isRect ()) return true;
    SkRegion tmp;
    if (other.isRect () && other.fBounds == fBounds) tmp = other;
    else tmp.op (*this, other, kUnion_Op);
    return tmp == *this;
}

void SkRegion::translate (int32_t dx, int32_t dy, SkRegion *dst) const
{
    if (dst == nullptr) return;
    if (isEmpty ()) {
        dst->setEmpty ();
        return;
    }
    if (isRect ()) {
        SkIRect r = fBounds;
        r.offset (dx, dy);
        dst->setRect (r);
        return;
    }
    if (dst != this) {
        dst->freeRuns ();
        if (!dst->allocateRuns (fRunHead->fRunCount)) return;
    } else if (fRunHead->fRefCnt > 1) {
        RunHead *shared = fRunHead;
        shared->fRefCnt--;
        if (!dst->allocateRuns (shared->fRunCount)) return;
        memcpy (dst->fRunHead->runs (), shared->runs (), (size_t)shared->fRunCount * sizeof (RunType));
    }
    const RunType *sp = fRunHead->runs ();     // still valid: dst holds its own copy now
    if (dst == this) sp = dst->fRunHead->runs ();
    RunType *dp = dst->fRunHead->runs ();
    dst->fBounds = fBounds;
    dst->fBounds.offset (dx, dy);
    *dp++ = *sp++ + dy;                         // top
    while (*sp != S) {
        *dp++ = *sp++ + dy;                     // band bottom
        while (*sp != S) *dp++ = *sp++ + dx;    // left, right
        *dp++ = *sp++;                          // band end
    }
    *dp = S;
}
