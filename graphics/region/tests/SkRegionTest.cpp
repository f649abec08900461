// Regions: the run format and operations on hand-made rectangles, and every operation
// against a brute-force pixel-set model on random inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "graphics/region/SkRegion.h"

namespace {

typedef SkRegion::RunType RunType;
const RunType S = SkRegion::kRunTypeSentinel;

std::vector<SkIRect> rects_of (const SkRegion &r)
{
    std::vector<SkIRect> out;
    for (SkRegion::Iterator it (r); !it.done (); it.next ()) out.push_back (it.rect ());
    return out;
}

std::vector<RunType> runs_of (const SkRegion &r)
{
    RunType tmp[6];
    int count;
    const RunType *runs = r.getRuns (tmp, &count);
    return std::vector<RunType> (runs, runs + count);
}

SkIRect R (int l, int t, int r, int b) { return SkIRect::MakeLTRB (l, t, r, b); }

} // namespace

TEST (SkRegion, EmptyRectAndCopiesShareRuns)
{
    SkRegion r;
    EXPECT_TRUE (r.isEmpty ());
    EXPECT_EQ (R (0, 0, 0, 0), r.getBounds ());
    EXPECT_FALSE (r.setRect (R (5, 5, 5, 9)));
    EXPECT_TRUE (r.isEmpty ());
    EXPECT_TRUE (r.setRect (R (1, 2, 3, 4)));
    EXPECT_TRUE (r.isRect ());
    EXPECT_EQ ((std::vector<RunType>{ 2, 4, 1, 3, S, S }), runs_of (r));
    EXPECT_EQ ((std::vector<RunType>{ S }), runs_of (SkRegion ()));
}

TEST (SkRegion, UnionOfTouchingRectanglesIsOneRectangle)
{
    SkRegion a (R (0, 0, 10, 10)), b (R (10, 0, 20, 10)), u;
    EXPECT_TRUE (u.op (a, b, SkRegion::kUnion_Op));
    EXPECT_TRUE (u.isRect ());
    EXPECT_EQ (R (0, 0, 20, 10), u.getBounds ());
    // Stacked vertically merges the bands too.
    EXPECT_TRUE (u.op (SkRegion (R (0, 0, 10, 5)), SkRegion (R (0, 5, 10, 10)), SkRegion::kUnion_Op));
    EXPECT_TRUE (u.isRect ());
    EXPECT_EQ (R (0, 0, 10, 10), u.getBounds ());
}

TEST (SkRegion, XorWithItselfIsEmpty)
{
    SkRegion a (R (3, 3, 9, 9)), x;
    EXPECT_FALSE (x.op (a, a, SkRegion::kXOR_Op));
    EXPECT_TRUE (x.isEmpty ());
}

TEST (SkRegion, DifferenceMakesThreeBands)
{
    SkRegion d;
    ASSERT_TRUE (d.op (SkRegion (R (0, 0, 10, 10)), SkRegion (R (2, 2, 8, 8)), SkRegion::kDifference_Op));
    EXPECT_TRUE (d.isComplex ());
    EXPECT_EQ (R (0, 0, 10, 10), d.getBounds ());
    EXPECT_EQ ((std::vector<RunType>{ 0, 2, 0, 10, S, 8, 0, 2, 8, 10, S, 10, 0, 10, S, S }), runs_of (d));
    std::vector<SkIRect> want = { R (0, 0, 10, 2), R (0, 2, 2, 8), R (8, 2, 10, 8), R (0, 8, 10, 10) };
    EXPECT_EQ (want, rects_of (d));
    // A complex region does not contain its bounding rectangle; it contains its parts.
    EXPECT_FALSE (d.contains (SkRegion (d.getBounds ())));
    EXPECT_TRUE (d.contains (SkRegion (R (0, 0, 10, 2))));
    EXPECT_FALSE (d.contains (SkRegion (R (1, 1, 3, 3))));
    EXPECT_TRUE (d.contains (1, 5));
    EXPECT_FALSE (d.contains (5, 5));
    EXPECT_FALSE (d.contains (10, 5));
    // Filling the hole back gives the rectangle again, stored as a rectangle.
    SkRegion u;
    u.op (d, R (2, 2, 8, 8), SkRegion::kUnion_Op);
    EXPECT_TRUE (u.isRect ());
    EXPECT_EQ (R (0, 0, 10, 10), u.getBounds ());
}

TEST (SkRegion, ShortCutsAndOpNumbers)
{
    SkRegion a (R (0, 0, 10, 10)), b (R (20, 20, 30, 30)), r;
    EXPECT_TRUE (r.op (a, b, SkRegion::kDifference_Op));
    EXPECT_EQ (a, r);
    EXPECT_FALSE (r.op (a, b, SkRegion::kIntersect_Op));
    EXPECT_TRUE (r.op (a, b, SkRegion::kReverseDifference_Op));
    EXPECT_EQ (b, r);
    EXPECT_TRUE (r.op (a, b, SkRegion::kReplace_Op));
    EXPECT_EQ (b, r);
    EXPECT_TRUE (r.op (a, R (5, 5, 15, 15), SkRegion::kIntersect_Op));
    EXPECT_TRUE (r.isRect ());
    EXPECT_EQ (R (5, 5, 10, 10), r.getBounds ());
    // An op number above 5 changes nothing.
    EXPECT_TRUE (r.op (a, b, (SkRegion::Op)6));
    EXPECT_EQ (R (5, 5, 10, 10), r.getBounds ());
    // The region may be its own operand.
    r.setRect (R (0, 0, 4, 4));
    r.op (r, R (2, 2, 6, 6), SkRegion::kUnion_Op);
    EXPECT_EQ (R (0, 0, 6, 6), r.getBounds ());
    EXPECT_TRUE (r.isComplex ());
}

TEST (SkRegion, SetRunsDropsEmptyEndBands)
{
    // An empty leading band (0..2) and an empty trailing band (8..12) around one rectangle.
    RunType runs[] = { 0, 2, S, 8, 1, 5, S, 12, S, S };
    SkRegion r;
    EXPECT_TRUE (r.setRuns (runs, 10));
    EXPECT_TRUE (r.isRect ());
    EXPECT_EQ (R (1, 2, 5, 8), r.getBounds ());
    RunType tiny[] = { 0, S };
    EXPECT_FALSE (r.setRuns (tiny, 2));
}

TEST (SkRegion, TranslateOfSharedRegionLeavesTheSharerAlone)
{
    SkRegion d;
    d.op (SkRegion (R (0, 0, 10, 10)), SkRegion (R (2, 2, 8, 8)), SkRegion::kDifference_Op);
    SkRegion shared (d);
    d.translate (5, -3);
    EXPECT_EQ (R (0, 0, 10, 10), shared.getBounds ());
    EXPECT_TRUE (shared.contains (0, 0));
    EXPECT_EQ (R (5, -3, 15, 7), d.getBounds ());
    EXPECT_TRUE (d.contains (5, -3));
    EXPECT_FALSE (d.contains (10, 2));
    SkRegion moved;
    shared.translate (1, 1, &moved);
    EXPECT_EQ (R (1, 1, 11, 11), moved.getBounds ());
    EXPECT_EQ (R (0, 0, 10, 10), shared.getBounds ());
}

TEST (SkRegion, CliperatorAndSpanerator)
{
    SkRegion d;
    d.op (SkRegion (R (0, 0, 10, 10)), SkRegion (R (2, 2, 8, 8)), SkRegion::kDifference_Op);
    std::vector<SkIRect> got;
    for (SkRegion::Cliperator c (d, R (1, 1, 9, 3)); !c.done (); c.next ()) got.push_back (c.rect ());
    std::vector<SkIRect> want = { R (1, 1, 9, 2), R (1, 2, 2, 3), R (8, 2, 9, 3) };
    EXPECT_EQ (want, got);

    std::vector<std::pair<int, int>> spans;
    int l, r;
    for (SkRegion::Spanerator s (d, 5, 1, 9); s.next (&l, &r);) spans.push_back ({ l, r });
    EXPECT_EQ ((std::vector<std::pair<int, int>>{ { 1, 2 }, { 8, 9 } }), spans);
    spans.clear ();
    for (SkRegion::Spanerator s (d, 5, 3, 7); s.next (&l, &r);) spans.push_back ({ l, r });
    EXPECT_TRUE (spans.empty ());
    spans.clear ();
    for (SkRegion::Spanerator s (SkRegion (R (0, 0, 4, 4)), 2, -5, 2); s.next (&l, &r);) spans.push_back ({ l, r });
    EXPECT_EQ ((std::vector<std::pair<int, int>>{ { 0, 2 } }), spans);
}

// --- Brute-force model -----------------------------------------------------------------------

namespace {

const int kGrid = 20;
typedef std::set<std::pair<int, int>> PixelSet;

PixelSet pixels_of_rect (const SkIRect &r)
{
    PixelSet s;
    for (int y = r.fTop; y < r.fBottom; y++) for (int x = r.fLeft; x < r.fRight; x++) s.insert ({ x, y });
    return s;
}

PixelSet model_op (const PixelSet &a, const PixelSet &b, SkRegion::Op op)
{
    PixelSet out;
    for (int y = -1; y <= kGrid; y++)
        for (int x = -1; x <= kGrid; x++) {
            bool ia = a.count ({ x, y }) > 0, ib = b.count ({ x, y }) > 0, in = false;
            switch (op) {
            case SkRegion::kDifference_Op: in = ia && !ib; break;
            case SkRegion::kIntersect_Op: in = ia && ib; break;
            case SkRegion::kUnion_Op: in = ia || ib; break;
            case SkRegion::kXOR_Op: in = ia != ib; break;
            case SkRegion::kReverseDifference_Op: in = ib && !ia; break;
            case SkRegion::kReplace_Op: in = ib; break;
            }
            if (in) out.insert ({ x, y });
        }
    return out;
}

// A random region from a few random rectangles and random ops, with its pixel set.
std::pair<SkRegion, PixelSet> random_region (std::mt19937 &rng)
{
    SkRegion r;
    PixelSet s;
    int n = 1 + rng () % 4;
    for (int i = 0; i < n; i++) {
        int l = rng () % kGrid, t = rng () % kGrid;
        SkIRect rect = R (l, t, l + 1 + rng () % (kGrid - l), t + 1 + rng () % (kGrid - t));
        SkRegion::Op op = i == 0 ? SkRegion::kUnion_Op : (SkRegion::Op)(rng () % 4);
        r.op (rect, op);
        s = model_op (s, pixels_of_rect (rect), op);
    }
    return { r, s };
}

void expect_matches (const SkRegion &r, const PixelSet &s, const char *what)
{
    ASSERT_EQ (s.empty (), r.isEmpty ()) << what;
    PixelSet covered;
    SkIRect bounds = SkIRect::MakeEmpty ();
    for (SkRegion::Iterator it (r); !it.done (); it.next ()) {
        PixelSet p = pixels_of_rect (it.rect ());
        ASSERT_FALSE (p.empty ()) << what;
        for (auto &px : p) ASSERT_TRUE (covered.insert (px).second) << what << ": rectangles overlap";
        bounds.join (it.rect ());
    }
    ASSERT_EQ (s, covered) << what;
    ASSERT_EQ (bounds, r.getBounds ()) << what;
    for (int y = -1; y <= kGrid; y++)
        for (int x = -1; x <= kGrid; x++) ASSERT_EQ (s.count ({ x, y }) > 0, r.contains (x, y)) << what;
    // A set that is a rectangle is always stored as one.
    if (!s.empty () && s == pixels_of_rect (bounds)) {
        ASSERT_TRUE (r.isRect ()) << what;
    }
}

} // namespace

TEST (SkRegionModel, OperationsMatchPixelSets)
{
    std::mt19937 rng (20261206);
    static const char *kNames[] = { "difference", "intersect", "union", "xor", "reverse difference", "replace" };
    for (int iter = 0; iter < 300; iter++) {
        auto [a, sa] = random_region (rng);
        auto [b, sb] = random_region (rng);
        expect_matches (a, sa, "input");
        for (int op = 0; op <= 5; op++) {
            SkRegion r;
            bool nonEmpty = r.op (a, b, (SkRegion::Op)op);
            PixelSet want = model_op (sa, sb, (SkRegion::Op)op);
            ASSERT_EQ (!want.empty (), nonEmpty) << kNames[op] << " iteration " << iter;
            expect_matches (r, want, kNames[op]);
            // Equal pixel sets give equal (canonical) runs, whichever way they were built.
            SkRegion viaSwap;
            if (op == SkRegion::kUnion_Op || op == SkRegion::kIntersect_Op || op == SkRegion::kXOR_Op) {
                viaSwap.op (b, a, (SkRegion::Op)op);
                ASSERT_EQ (r, viaSwap) << kNames[op] << " iteration " << iter;
            }
        }
        bool sub = std::includes (sa.begin (), sa.end (), sb.begin (), sb.end ());
        ASSERT_EQ (!sa.empty () && !sb.empty () && sub, a.contains (b)) << "contains, iteration " << iter;
        SkRegion t;
        a.translate (3, -2, &t);
        PixelSet moved;
        for (auto &p : sa) moved.insert ({ p.first + 3, p.second - 2 });
        for (auto &p : moved) ASSERT_TRUE (t.contains (p.first, p.second));
        ASSERT_EQ (a.isEmpty (), t.isEmpty ());
    }
}

TEST (SkRegionModel, SpaneratorMatchesRows)
{
    std::mt19937 rng (7);
    for (int iter = 0; iter < 200; iter++) {
        auto [r, s] = random_region (rng);
        int y = (int)(rng () % (kGrid + 2)) - 1, left = (int)(rng () % kGrid) - 2, right = left + 1 + (int)(rng () % kGrid);
        PixelSet got;
        int l, rr, prevRight = INT32_MIN;
        for (SkRegion::Spanerator sp (r, y, left, right); sp.next (&l, &rr);) {
            ASSERT_LT (l, rr);
            ASSERT_GT (l, prevRight);
            prevRight = rr;
            for (int x = l; x < rr; x++) got.insert ({ x, y });
        }
        PixelSet want;
        for (int x = left; x < right; x++) if (s.count ({ x, y })) want.insert ({ x, y });
        ASSERT_EQ (want, got) << "iteration " << iter;
    }
}

// The run format of results with a band that holds no interval between two that do, of
// neighbouring equal bands merged into one, and of a translated complex region.
TEST (SkRegion, ExactRunsOfGapsMergesAndTranslation)
{
    SkRegion gap;
    ASSERT_TRUE (gap.op (SkRegion (R (0, 0, 10, 5)), SkRegion (R (0, 10, 10, 15)), SkRegion::kUnion_Op));
    EXPECT_EQ ((std::vector<RunType>{ 0, 5, 0, 10, S, 10, S, 15, 0, 10, S, S }), runs_of (gap));
    EXPECT_EQ (R (0, 0, 10, 15), gap.getBounds ());
    // Two side-by-side rectangles of different heights: the band where both are present and
    // the band of the taller one only; the shorter one's top band comes first.
    SkRegion two;
    ASSERT_TRUE (two.op (SkRegion (R (0, 0, 4, 6)), SkRegion (R (6, 2, 9, 6)), SkRegion::kUnion_Op));
    EXPECT_EQ ((std::vector<RunType>{ 0, 2, 0, 4, S, 6, 0, 4, 6, 9, S, S }), runs_of (two));
    // Xor of overlapping rectangles: the overlap's rows split into two intervals.
    SkRegion x;
    ASSERT_TRUE (x.op (SkRegion (R (0, 0, 6, 4)), SkRegion (R (4, 2, 10, 6)), SkRegion::kXOR_Op));
    EXPECT_EQ ((std::vector<RunType>{ 0, 2, 0, 6, S, 4, 0, 4, 6, 10, S, 6, 4, 10, S, S }), runs_of (x));
    // Translation moves every y and x and keeps the sentinels.
    gap.translate (-3, 7);
    EXPECT_EQ ((std::vector<RunType>{ 7, 12, -3, 7, S, 17, S, 22, -3, 7, S, S }), runs_of (gap));
    EXPECT_EQ (R (-3, 7, 7, 22), gap.getBounds ());
}
