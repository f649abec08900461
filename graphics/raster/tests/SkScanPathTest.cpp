// Edges and the non-anti-aliased path fill: edge set-up in fixed point, fill rules, inverse
// fills, clipping by rectangles and regions, curves against a point-in-shape test, and
// input that is huge, non-finite or degenerate.
#include <cmath>
#include <random>

#include "graphics/raster/SkEdge.h"
#include "graphics/raster/SkEdgeBuilder.h"
#include "graphics/raster/tests/ScanTestSupport.h"

namespace {

SkPath square (float l, float t, float r, float b, bool clockwise = true)
{
    SkPath p;
    p.moveTo (l, t);
    if (clockwise) {
        p.lineTo (r, t);
        p.lineTo (r, b);
        p.lineTo (l, b);
    } else {
        p.lineTo (l, b);
        p.lineTo (r, b);
        p.lineTo (r, t);
    }
    p.close ();
    return p;
}

TEST (ScanEdge, HorizontalLineMakesNoEdge)
{
    SkEdge e;
    EXPECT_EQ (e.setLine (SkPoint::Make (0, 3), SkPoint::Make (10, 3), nullptr, 0), 0);
    EXPECT_EQ (e.setLine (SkPoint::Make (0, 3.1f), SkPoint::Make (10, 3.4f), nullptr, 0), 0);
}

TEST (ScanEdge, LineFromHalfToOneAndAHalfCoversRowOne)
{
    SkEdge e;
    ASSERT_EQ (e.setLine (SkPoint::Make (2, 1.5f), SkPoint::Make (2, 0.5f), nullptr, 0), 1);
    EXPECT_EQ (e.fFirstY, 1);
    EXPECT_EQ (e.fLastY, 1);
    EXPECT_EQ (e.fWinding, -1);
    EXPECT_EQ (e.fX, SkIntToFixed (2));
}

TEST (ScanEdge, StartHalfWayBetweenRowsIsSampledAtTheNextRowCentre)
{
    // From y = 0.5 the first row is 1, whose centre 1.5 lies a whole row further on. Taking
    // the offset as 0 there put x at the start point and shifted the edge by one row.
    SkEdge e;
    ASSERT_EQ (e.setLine (SkPoint::Make (0, 0.5f), SkPoint::Make (10, 10.5f), nullptr, 0), 1);
    EXPECT_EQ (e.fFirstY, 1);
    EXPECT_EQ (e.fX, SkIntToFixed (1));
    EXPECT_EQ (e.fDX, SK_Fixed1);
}

TEST (ScanEdge, QuadAndCubicPiecesNeverGoUp)
{
    // Forward differences of long flat curves round; a piece going up used to make an edge
    // whose last row lay above its first, which was never retired.
    std::mt19937 rng (7);
    std::uniform_real_distribution<float> coord (-2000, 2000);
    for (int i = 0; i < 2000; i++) {
        SkPoint pts[4] = { { coord (rng), coord (rng) }, { coord (rng), coord (rng) },
                           { coord (rng), coord (rng) }, { coord (rng), coord (rng) } };
        SkPath path;
        path.moveTo (pts[0]);
        if (i & 1) path.cubicTo (pts[1], pts[2], pts[3]);
        else path.quadTo (pts[1], pts[2]);
        SkEdgeBuilder builder;
        int n = builder.build (path, nullptr, i % 3);
        for (int k = 0; k < n; k++) {
            SkEdge *e = builder.edgeList ()[k];
            ASSERT_LE (e->fFirstY, e->fLastY);
            for (int guard = 0; guard < 200 && e->fCurveCount != 0; guard++) {
                int lastY = e->fLastY;
                int ok = e->fCurveCount < 0 ? ((SkCubicEdge *)e)->updateCubic ()
                                            : ((SkQuadraticEdge *)e)->updateQuadratic ();
                if (!ok) break;
                ASSERT_EQ (e->fFirstY, lastY + 1);
                ASSERT_LE (e->fFirstY, e->fLastY);
            }
        }
    }
}

TEST (ScanFillPath, PathWithOneEdgeDrawsNothingUnlessInverse)
{
    SkRegion clip (SkIRect::MakeWH (10, 10));
    SkPath p;
    p.moveTo (2, 2);
    p.lineTo (2, 8);
    p.lineTo (2.2f, 8);
    CoverageBlitter b (10, 10);
    SkScan::FillPath (p, clip, &b);
    EXPECT_EQ (b.countNonZero (), 0);
    p.setFillType (SkPath::kInverseWinding_FillType);
    SkScan::FillPath (p, clip, &b);
    // Every pixel of the clip exactly once: the rows above and below the path are not
    // covered a second time by the rows of the path.
    EXPECT_EQ (b.countNonZero (), 100);
    EXPECT_EQ (b.maxCover (), 255);
}

TEST (ScanFillPath, EvenOddEmptiesNestedSquareWindingFillsIt)
{
    SkRegion clip (SkIRect::MakeWH (40, 40));
    SkPath p = square (5, 5, 25, 25);
    p.addPath (square (10, 10, 20, 20));
    CoverageBlitter winding (40, 40);
    SkScan::FillPath (p, clip, &winding);
    EXPECT_EQ (winding.countNonZero (), 400);
    p.setFillType (SkPath::kEvenOdd_FillType);
    CoverageBlitter evenOdd (40, 40);
    SkScan::FillPath (p, clip, &evenOdd);
    EXPECT_EQ (evenOdd.countNonZero (), 300);
    EXPECT_EQ (evenOdd.at (15, 15), 0);
    SkPath opposite = square (5, 5, 25, 25);
    opposite.addPath (square (10, 10, 20, 20, false));
    CoverageBlitter windingOpposite (40, 40);
    SkScan::FillPath (opposite, clip, &windingOpposite);
    EXPECT_EQ (windingOpposite.countNonZero (), 300);
    EXPECT_EQ (windingOpposite.maxCover (), 255);
}

TEST (ScanFillPath, InverseFillIsTheComplementWithinTheClip)
{
    SkRegion clip (SkIRect::MakeLTRB (0, 0, 30, 30));
    SkPath p = square (5.5f, 3.5f, 20.5f, 25.5f);
    p.setFillType (SkPath::kInverseWinding_FillType);
    CoverageBlitter b (-5, -5, 40, 40);
    SkScan::FillPath (p, clip, &b);
    EXPECT_EQ (b.countNonZero (), 900 - 15 * 22);
    EXPECT_EQ (b.maxCover (), 255);
    EXPECT_EQ (b.countOutside (SkIRect::MakeWH (30, 30)), 0);
    EXPECT_EQ (b.at (10, 10), 0);
}

TEST (ScanFillPath, InversePathMissingTheClipFillsTheClipInBothFillers)
{
    // The complement of a path outside the clip covers the whole clip; the plain filler used
    // to draw nothing while the anti-aliased one filled the clip.
    SkRegion clip (SkIRect::MakeLTRB (0, 0, 10, 10));
    SkPath p = square (20, 20, 30, 30);
    p.setFillType (SkPath::kInverseEvenOdd_FillType);
    for (auto fill : { SkScan::FillPath, SkScan::AntiFillPath }) {
        CoverageBlitter b (40, 40);
        fill (p, clip, &b);
        EXPECT_EQ (b.countNonZero (), 100);
        EXPECT_EQ (b.countOutside (SkIRect::MakeWH (10, 10)), 0);
    }
}

TEST (ScanFillPath, StarUnderBothRules)
{
    SkRegion clip (SkIRect::MakeWH (100, 100));
    SkPath p = star_path (50, 50, 40, 5, 2);
    CoverageBlitter winding (100, 100);
    SkScan::FillPath (p, clip, &winding);
    p.setFillType (SkPath::kEvenOdd_FillType);
    CoverageBlitter evenOdd (100, 100);
    SkScan::FillPath (p, clip, &evenOdd);
    EXPECT_EQ (winding.at (50, 50), 255);       // the centre pentagon winds twice
    EXPECT_EQ (evenOdd.at (50, 50), 0);
    EXPECT_EQ (winding.at (50, 15), 255);       // a point
    EXPECT_EQ (evenOdd.at (50, 15), 255);
    EXPECT_GT (winding.countNonZero (), evenOdd.countNonZero ());
}

// Pixels whose centre lies further than this from the path's outline must be decided as a
// double-precision point-in-path test decides them. Lines: 26.6 coordinates move an edge by
// at most 1/64 px. Curves: a monotonic piece with chord deviation d (in 1/64 px) is cut into
// 2^s lines where s is half the bit length of (d + 16) / 32, so 4^s can be as small as half of
// that quotient and each line then strays from the curve by up to d / 4^s, about 64/64 px.
const double kLineTolerance = 1.0 / 32, kCurveTolerance = 1.0;

// steps: reference pieces per curve, enough that the reference itself strays far less than
// the tolerance.
void expect_matches_reference (const SkPath &p, int size, int steps = 256)
{
    const double tolerance = p.getSegmentMasks () == SkPath::kLine_SegmentMask ? kLineTolerance : kCurveTolerance;
    SkRegion clip (SkIRect::MakeWH (size, size));
    CoverageBlitter b (size, size);
    SkScan::FillPath (p, clip, &b);
    ReferencePolygon ref (p, steps);
    bool evenOdd = (p.getFillType () & 1) != 0;
    int checked = 0;
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            bool in = b.at (x, y) != 0, want = ref.inside (x + 0.5, y + 0.5, evenOdd);
            if (in == want) continue;
            ASSERT_LT (ref.distance (x + 0.5, y + 0.5), tolerance) << x << "," << y;
            checked++;
        }
    EXPECT_EQ (b.maxCover (), 255);
    EXPECT_LE (checked, 2 * size);
}

TEST (ScanFillPath, CirclesAndCurvesMatchPixelCentreSampling)
{
    for (float r : { 3.3f, 17.0f, 60.5f, 120.0f }) {
        SkPath p;
        p.addCircle (125.3f, 125.7f, r);
        expect_matches_reference (p, 250, 32);
    }
    SkPath round;
    round.addRoundRect (SkRect::MakeLTRB (10.2f, 20.7f, 180.4f, 90.1f), 30, 20);
    expect_matches_reference (round, 200);
    SkPath curves;
    curves.moveTo (10, 190);
    curves.cubicTo (200, -100, -50, 100, 190, 180);
    curves.quadTo (100, -50, 10, 190);
    curves.setFillType (SkPath::kEvenOdd_FillType);
    expect_matches_reference (curves, 200);
    SkPath s = star_path (100, 100, 90, 7, 2);
    expect_matches_reference (s, 200);
    s.setFillType (SkPath::kEvenOdd_FillType);
    expect_matches_reference (s, 200);
}

TEST (ScanFillPath, ClipByRegionNeverWritesOutside)
{
    SkRegion clip = region_of ({ SkIRect::MakeLTRB (10, 10, 40, 40), SkIRect::MakeLTRB (50, 20, 70, 30) });
    clip.op (SkIRect::MakeLTRB (20, 20, 25, 25), SkRegion::kDifference_Op);
    std::mt19937 rng (3);
    std::uniform_real_distribution<float> coord (-20, 100);
    for (int i = 0; i < 300; i++) {
        SkPath p;
        p.moveTo (coord (rng), coord (rng));
        p.lineTo (coord (rng), coord (rng));
        p.quadTo (coord (rng), coord (rng), coord (rng), coord (rng));
        p.cubicTo (coord (rng), coord (rng), coord (rng), coord (rng), coord (rng), coord (rng));
        p.setFillType ((SkPath::FillType)(i & 3));
        CoverageBlitter b (-30, -30, 160, 160);
        SkScan::FillPath (p, clip, &b);
        ASSERT_EQ (b.countOutside (clip), 0) << i;
        ASSERT_LE (b.maxCover (), 255) << i;
    }
}

// A stroked one-pixel line at x = 0, its left edge from x = -0.4999999 down to -0.5 and its
// right one from 0.5000001 to 0.5: every row's pixel centre at x = 0.5 is inside and the one
// at -0.5 outside, so exactly column 0 is painted, rows 0 to 9. The step to the first row
// centre, floored to 1/64, once put the left edge just past -0.5 from row 1 on, painting
// column -1 too: a pixel before the device's left side when that is at 0.
TEST (ScanFillPath, OnePixelStrokeAtTheDeviceEdgePaintsItsOwnColumn)
{
    SkPath stroke;
    stroke.moveTo (0.500000119f, 5.96050942e-09f);
    stroke.lineTo (0.5f, 10);
    stroke.lineTo (-0.5f, 10);
    stroke.lineTo (-0.499999881f, -5.96050942e-09f);
    stroke.close ();
    // A left edge leaning from -0.49 to -0.4999: 1/64 coordinates -31 and -32, and the step
    // to row 0's centre a 20th of a 64th, which flooring made a whole one.
    SkPath leaning = square (-0.49f, 0, 0.6f, 10);
    leaning.setLastPt (-0.4999f, 10);
    for (const SkPath &p : { stroke, leaning }) {
        for (SkIRect device : { SkIRect::MakeLTRB (0, 0, 64, 64), SkIRect::MakeLTRB (-64, 0, 1, 64), SkIRect::MakeLTRB (-8, -8, 72, 72) }) {
            CoverageBlitter b (-8, -8, 80, 80);
            SkScan::FillPath (p, SkRegion (device), &b);
            for (int y = -8; y < 72; y++) {
                for (int x = -8; x < 72; x++) {
                    ASSERT_EQ (b.at (x, y), (x == 0 && y >= 0 && y < 10) ? 255 : 0) << device.fLeft << ": " << x << "," << y;
                }
            }
        }
    }
}

TEST (ScanFillPath, HugeAndNonFiniteCoordinatesStayInTheClipInBothFillers)
{
    SkRegion clip (SkIRect::MakeWH (20, 20));
    for (auto fill : { SkScan::FillPath, SkScan::AntiFillPath }) {
        for (float v : { 1e9f, 3e38f, 65536.0f, 40000.0f, 8191.0f, 8200.0f }) {
            SkPath p;
            p.moveTo (-v, -v);
            p.lineTo (v, -v * 0.5f);
            p.cubicTo (v, v, -v, v * 2, 10, 10);
            p.quadTo (v, 3, -v, v);
            CoverageBlitter b (-10, -10, 40, 40);
            fill (p, clip, &b);
            EXPECT_EQ (b.countOutside (SkIRect::MakeWH (20, 20)), 0) << v;
            EXPECT_LE (b.maxCover (), 255);
        }
        // A NaN point can hide from the bounds; such a path draws nothing, inverse or not.
        SkPath nan;
        nan.moveTo (0, 0);
        nan.lineTo (SK_ScalarNaN, 5);
        nan.lineTo (5, 7);
        CoverageBlitter b (-10, -10, 40, 40);
        fill (nan, clip, &b);
        nan.setFillType (SkPath::kInverseWinding_FillType);
        fill (nan, clip, &b);
        EXPECT_EQ (b.countNonZero (), 0);
    }
}

TEST (ScanFillPath, CurvesAtTheEdgeOfTheCoordinateRange)
{
    // Without a clip rectangle for the edges (the clip holds the whole path), curve points
    // near the limit of 16.16 would step past it; such curves are drawn by their chords.
    for (auto fill : { SkScan::FillPath, SkScan::AntiFillPath }) {
        float hi = fill == SkScan::FillPath ? 32760.0f : 8185.0f, lo = hi - 300;
        SkRegion clip (SkIRect::MakeLTRB ((int)lo - 10, (int)lo - 10, (int)hi + 2, (int)hi + 2));
        SkPath p;
        p.moveTo (lo, hi);
        p.cubicTo (hi + 1, hi, lo, lo - 5, hi, lo);
        p.quadTo (hi + 1, hi + 1, lo, hi);
        CoverageBlitter b ((int)lo - 20, (int)lo - 20, 340, 340);
        fill (p, clip, &b);
        EXPECT_EQ (b.countOutside (clip), 0);
        EXPECT_GT (b.countNonZero (), 1000);
        EXPECT_LE (b.maxCover (), 255);
    }
}

TEST (ScanFillPath, EmptyClipOrPathDrawsNothing)
{
    SkRegion empty, clip (SkIRect::MakeWH (10, 10));
    CoverageBlitter b (10, 10);
    SkScan::FillPath (square (1, 1, 5, 5), empty, &b);
    SkScan::FillPath (SkPath (), clip, &b);
    EXPECT_EQ (b.countNonZero (), 0);
    SkPath inverse;
    inverse.setFillType (SkPath::kInverseWinding_FillType);
    SkScan::FillPath (inverse, clip, &b);
    EXPECT_EQ (b.countNonZero (), 100);
}

} // namespace
