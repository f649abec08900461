/*
 * Regions from paths: the path is filled without anti-aliasing into a blitter that records
 * each row's spans, merging a row into the one above when their spans are equal; the rows
 * then become the region's bands.
 */
#include "graphics/path/SkPath.h"
#include "graphics/raster/SkScan.h"
#include "graphics/region/SkRegion.h"

namespace {

const SkRegion::RunType S = SkRegion::kRunTypeSentinel;

// Row records in one buffer: {last row covered, interval count, left0, right0, ...}.
class SkRgnBuilder : public SkBlitter {
public:
    SkRgnBuilder () : fStorage (nullptr), fEnd (nullptr), fCurr (nullptr), fPrev (nullptr), fTop (0), fFailed (false) {}
    ~SkRgnBuilder () override { sk_free (fStorage); }

    // Room for rows records of up to transitions values each.
    bool init (int64_t rows, int64_t transitions);
    void blitH (int x, int y, int width) override;
    // Closes the last record; false when nothing was recorded or a row overflowed.
    bool done ();
    // Writes the runs: top, then per record (bottom, intervals, S), then S. Returns the count.
    int computeRuns (SkRegion::RunType runs[]) const;
    // Values computeRuns writes.
    int64_t runCount () const;

private:
    struct Row {
        int32_t fY;
        int32_t fCount;
        int32_t *intervals () { return (int32_t *)(this + 1); }
        Row *next () { return (Row *)(intervals () + fCount); }
        bool equalIntervals (Row *other)
        {
            return fCount == other->fCount && memcmp (intervals (), other->intervals (), (size_t)fCount * 4) == 0;
        }
    };

    void closeRow ();
    bool room (const int32_t *p, int64_t values) const { return (int64_t)(fEnd - p) >= values; }

    int32_t *fStorage;
    int32_t *fEnd;
    Row *fCurr;
    Row *fPrev;
    int32_t fTop;
    bool fFailed;
};

bool SkRgnBuilder::init (int64_t rows, int64_t transitions)
{
    int64_t count = rows * transitions;
    if (rows <= 0 || transitions <= 0 || count / transitions != rows || count > (INT64_MAX / 4) ||
        (uint64_t)count * 4 > SIZE_MAX)
        return false;
    fStorage = (int32_t *)sk_malloc ((size_t)count * 4);
    if (fStorage == nullptr) return false;
    fEnd = fStorage + count;
    return true;
}

// A record equal to the one above it on the row just below it only moves that one's
// bottom down.
void SkRgnBuilder::closeRow ()
{
    if (fPrev != nullptr && fPrev->fY == fCurr->fY - 1 && fPrev->equalIntervals (fCurr)) {
        fPrev->fY = fCurr->fY;
        fCurr = fPrev;
        fPrev = nullptr;        // the earlier neighbour is unknown now; merging stops there
    }
}

void SkRgnBuilder::blitH (int x, int y, int width)
{
    if (fFailed || width <= 0) return;
    if (fCurr == nullptr) {
        fTop = y;
        fCurr = (Row *)fStorage;
    } else if (y == fCurr->fY) {
        int32_t *last = fCurr->intervals () + fCurr->fCount;
        if (fCurr->fCount > 0 && last[-1] == x) {
            last[-1] = x + width;
            return;
        }
        if (!room (last, 2)) fFailed = true;
        else {
            last[0] = x;
            last[1] = x + width;
            fCurr->fCount += 2;
        }
        return;
    } else {
        closeRow ();
        Row *next = fCurr->next ();
        if (y - fCurr->fY > 1) {
            // Rows without spans in between: one empty record covers them.
            if (!room ((int32_t *)next, 2)) {
                fFailed = true;
                return;
            }
            next->fY = y - 1;
            next->fCount = 0;
            fCurr = next;
            next = next->next ();
        }
        fPrev = fCurr;
        fCurr = next;
    }
    if (!room ((int32_t *)fCurr, 4)) {
        fFailed = true;
        return;
    }
    fCurr->fY = y;
    fCurr->fCount = 2;
    fCurr->intervals ()[0] = x;
    fCurr->intervals ()[1] = x + width;
}

bool SkRgnBuilder::done ()
{
    if (fCurr == nullptr || fFailed) return false;
    closeRow ();
    return true;
}

int64_t SkRgnBuilder::runCount () const
{
    int64_t count = 2;                  // top and the final sentinel
    Row *stop = fCurr->next ();
    for (Row *row = (Row *)fStorage; row != stop; row = row->next ()) count += 2 + row->fCount;
    return count;
}

int SkRgnBuilder::computeRuns (SkRegion::RunType runs[]) const
{
    SkRegion::RunType *p = runs;
    *p++ = fTop;
    Row *stop = fCurr->next ();
    for (Row *row = (Row *)fStorage; row != stop; row = row->next ()) {
        *p++ = row->fY + 1;
        memcpy (p, row->intervals (), (size_t)row->fCount * 4);
        p += row->fCount;
        *p++ = S;
    }
    *p++ = S;
    return (int)(p - runs);
}

// The widest band of the clip, as values of a row record: 2 per interval.
int64_t clip_transitions (const SkRegion &clip)
{
    if (clip.isRect ()) return 2;
    SkRegion::RunType tmp[6];
    int count;
    const SkRegion::RunType *p = clip.getRuns (tmp, &count) + 1;
    int64_t widest = 0;
    while (*p != S) {
        int64_t n = 0;
        for (p++; *p != S; p += 2) n += 2;
        widest = n > widest ? n : widest;
        p++;
    }
    return widest;
}

// Edges of the closed path, and its vertical extent rounded to rows.
int64_t count_path (const SkPath &path, int32_t *top, int32_t *bottom)
{
    static const int kPointsOf[] = { 0, 1, 2, 3, 0, 0 };
    SkPath::Iter iter (path, true);
    SkPoint pts[4];
    int64_t edges = 0;
    float lo = 32767, hi = -32767;
    for (SkPath::Verb v; (v = iter.next (pts)) != SkPath::kDone_Verb;) {
        int n = kPointsOf[v];
        edges += n;
        for (int i = v == SkPath::kMove_Verb ? 0 : 1; i <= n; i++) {
            lo = SkTMin (lo, pts[i].fY);
            hi = SkTMax (hi, pts[i].fY);
        }
    }
    *top = (int32_t)floorf (SkTMax (lo, -32767.0f) + 0.5f);
    *bottom = (int32_t)floorf (SkTMin (hi, 32767.0f) + 0.5f);
    return edges;
}

bool path_is_finite (const SkPath &path)
{
    const SkPoint *pts = path.getPoints ();
    for (int i = 0, n = path.countPoints (); i < n; i++)
        if (!SkScalarIsFinite (pts[i].fX) || !SkScalarIsFinite (pts[i].fY)) return false;
    return true;
}

} // namespace

bool SkRegion::setPath (const SkPath &path, const SkRegion &clip)
{
    if (clip.isEmpty ()) return setEmpty ();
    if (path.isEmpty ()) return path.isInverseFillType () ? setRegion (clip) : setEmpty ();
    if (!path_is_finite (path)) return setEmpty ();
    if (path.isInverseFillType ()) {
        // The clip less the path's own region. Filled directly, the clip above and below
        // the path arrives rectangle by rectangle, so rows of a band with several intervals
        // would come out of order; and those rows lie outside the path's extent.
        SkPath inside (path);
        inside.toggleInverseFillType ();
        SkRegion covered;
        covered.setPath (inside, clip);
        return op (clip, covered, kDifference_Op);
    }
    int32_t pathTop, pathBottom;
    int64_t edges = count_path (path, &pathTop, &pathBottom);
    const SkIRect &cb = clip.getBounds ();
    int32_t top = SkMax32 (pathTop, cb.fTop), bottom = SkMin32 (pathBottom, cb.fBottom);
    if (top >= bottom) return setEmpty ();
    // A row holds at most the path's spans cut by the clip's intervals: their counts added,
    // which the larger of the two alone can fall short of.
    int64_t transitions = edges + clip_transitions (clip) + 1;
    SkRgnBuilder builder;
    if (!builder.init ((int64_t)(bottom - top) + 1, transitions + 3)) return setEmpty ();
    SkScan::FillPath (path, clip, &builder);
    if (!builder.done ()) return setEmpty ();
    int64_t count = builder.runCount ();
    RunType *runs = (RunType *)sk_malloc ((size_t)count * sizeof (RunType));
    if (runs == nullptr) return setEmpty ();
    bool result = setRuns (runs, builder.computeRuns (runs));
    sk_free (runs);
    return result;
}
