/*
 * The six region operations. The short cuts answer the common clip cases without touching
 * run lists; everything else walks both band lists together from the smaller top down.
 */
#include "graphics/region/SkRegion.h"
#include "graphics/region/SkRegionPriv.h"

namespace {

typedef SkRegion::RunType RunType;
const RunType S = SkRegion::kRunTypeSentinel;
const RunType kNoIntervals[] = { S };

// Walks the bands of one run list.
struct BandWalker {
    const RunType *fBand;       // the current band's bottom, or the final sentinel
    RunType fTop;               // the current band's top

    explicit BandWalker (const RunType *runs) : fBand (runs + 1), fTop (runs[0]) {}
    bool done () const { return *fBand == S; }
    RunType bottom () const { return *fBand; }
    const RunType *intervals () const { return fBand + 1; }
    void next ()
    {
        fTop = *fBand;
        const RunType *p = fBand + 1;
        while (*p != S) p += 2;
        fBand = p + 1;
    }
    // Intervals covering row y, or none.
    const RunType *intervalsAt (RunType y) const { return !done () && fTop <= y ? intervals () : kNoIntervals; }
    // The next y above y where this list's coverage may change.
    RunType nextBoundary (RunType y) const { return done () ? S : (fTop > y ? fTop : bottom ()); }
    void advancePast (RunType y) { if (!done () && fTop <= y && bottom () <= y) next (); }
};

// A growable run buffer; a failed allocation makes it fail for good.
class RunBuilder {
public:
    RunBuilder () : fRuns (nullptr), fCount (0), fReserve (0), fFailed (false), fPrevBand (-1), fPrevCount (0) {}
    ~RunBuilder () { sk_free (fRuns); }

    bool reserve (int n)
    {
        if (fFailed) return false;
        if (fCount + n <= fReserve) return true;
        int reserve = (int)SkGrowReserve ((size_t)(fCount + n));
        RunType *p = (RunType *)sk_realloc (fRuns, (size_t)reserve * sizeof (RunType));
        if (p == nullptr) return !(fFailed = true);
        fRuns = p;
        fReserve = reserve;
        return true;
    }

    // Adds the rows [top, bottom) with the intervals in out[0 .. n).
    void addBand (RunType top, RunType bottom, const RunType *iv, int n)
    {
        if (fPrevBand < 0) {
            if (n == 0) return;             // empty bands before the first one move the top
            if (!reserve (1)) return;
            fRuns[fCount++] = top;
        } else if (sameIntervals (iv, n)) {
            fRuns[fPrevBand] = bottom;      // extends the band above
            return;
        }
        if (!reserve (n + 2)) return;
        fPrevBand = fCount;
        fPrevCount = n;
        fRuns[fCount++] = bottom;
        memcpy (fRuns + fCount, iv, (size_t)n * sizeof (RunType));
        fCount += n;
        fRuns[fCount++] = S;
    }

    // Installs the result into dst.
    bool finish (SkRegion *dst)
    {
        if (fPrevBand < 0) return dst->setEmpty ();
        if (!reserve (1)) return dst->setEmpty ();
        fRuns[fCount++] = S;
        return dst->setRuns (fRuns, fCount);
    }

private:
    bool sameIntervals (const RunType *iv, int n) const
    {
        return n == fPrevCount && memcmp (fRuns + fPrevBand + 1, iv, (size_t)n * sizeof (RunType)) == 0;
    }

    RunType *fRuns;
    int fCount, fReserve;
    bool fFailed;
    int fPrevBand, fPrevCount;
};

// Merges two interval lists; a piece covered by a only has code 1, by b only 2, by both 3,
// and is kept when minCode <= code <= maxCode. Returns the number of values written to out.
int merge_intervals (const RunType *a, const RunType *b, int minCode, int maxCode, RunType *out)
{
    int n = 0, code = 0;
    RunType x = SkMin32 (*a, *b);
    for (;;) {
        RunType nx = SkMin32 (*a, *b);
        if (nx == S) break;
        if (x < nx && code >= minCode && code <= maxCode) {
            if (n > 0 && x <= out[n - 1]) {
                out[n - 1] = SkMax32 (out[n - 1], nx);
            } else {
                out[n++] = x;
                out[n++] = nx;
            }
        }
        x = nx;
        if (*a == nx) { code ^= 1; a++; }
        if (*b == nx) { code ^= 2; b++; }
    }
    return n;
}

int count_values (const RunType *iv)
{
    int n = 0;
    while (iv[n] != S) n++;
    return n;
}

bool operate (const RunType *aRuns, const RunType *bRuns, int minCode, int maxCode, SkRegion *dst)
{
    BandWalker a (aRuns), b (bRuns);
    RunBuilder builder;
    RunType *scratch = nullptr;
    int scratchSize = 0;
    RunType y = SkMin32 (a.fTop, b.fTop);
    while (!a.done () || !b.done ()) {
        const RunType *ia = a.intervalsAt (y), *ib = b.intervalsAt (y);
        RunType ny = SkMin32 (a.nextBoundary (y), b.nextBoundary (y));
        int need = count_values (ia) + count_values (ib);
        if (need > scratchSize) {
            sk_free (scratch);
            scratch = (RunType *)sk_malloc ((size_t)need * sizeof (RunType));
            scratchSize = scratch ? need : 0;
            if (scratch == nullptr) break;
        }
        int n = merge_intervals (ia, ib, minCode, maxCode, scratch);
        builder.addBand (y, ny, scratch, n);
        y = ny;
        a.advancePast (y);
        b.advancePast (y);
    }
    sk_free (scratch);
    bool failed = !a.done () || !b.done ();
    return failed ? dst->setEmpty () : builder.finish (dst);
}

} // namespace

bool SkRegion::op (const SkRegion &rgna, const SkRegion &rgnb, Op op)
{
    if ((unsigned)op > (unsigned)kReplace_Op) return !isEmpty ();
    if (op == kReplace_Op) return setRegion (rgnb);
    const SkRegion *a = &rgna, *b = &rgnb;
    if (op == kReverseDifference_Op) {
        SkTSwap (a, b);
        op = kDifference_Op;
    }
    const SkIRect &ab = a->fBounds, &bb = b->fBounds;
    switch (op) {
    case kDifference_Op:
        if (a->isEmpty ()) return setEmpty ();
        if (b->isEmpty () || !SkIRect::Intersects (ab, bb)) return setRegion (*a);
        break;
    case kIntersect_Op:
        if (a->isEmpty () || b->isEmpty () || !SkIRect::Intersects (ab, bb)) return setEmpty ();
        if (a->isRect () && b->isRect ()) {
            SkIRect r;
            r.intersect (ab, bb);
            return setRect (r);
        }
        break;
    case kUnion_Op:
        if (a->isEmpty ()) return setRegion (*b);
        if (b->isEmpty ()) return setRegion (*a);
        if (a->isRect () && ab.contains (bb)) return setRegion (*a);
        if (b->isRect () && bb.contains (ab)) return setRegion (*b);
        break;
    case kXOR_Op:
        if (a->isEmpty ()) return setRegion (*b);
        if (b->isEmpty ()) return setRegion (*a);
        break;
    default:
        break;
    }
    static const int kMin[4] = { 1, 3, 1, 1 }, kMax[4] = { 1, 3, 3, 2 };
    RunType tmpA[6], tmpB[6];
    int countA, countB;
    const RunType *runsA = a->getRuns (tmpA, &countA), *runsB = b->getRuns (tmpB, &countB);
    // The result is built aside: this region may be a or b.
    SkRegion result;
    operate (runsA, runsB, kMin[op], kMax[op], &result);
    return setRegion (result);
}

bool SkRegion::op (const SkRegion &a, const SkIRect &rect, Op op)
{
    SkRegion b (rect);
    return this->op (a, b, op);
}
