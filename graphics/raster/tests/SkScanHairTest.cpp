// Hairlines, plain and anti-aliased, and hairline paths: end points and coverage, long lines,
// clipping by rectangles and regions, and huge or non-finite coordinates.
#include <random>

#include "graphics/raster/tests/ScanTestSupport.h"

namespace {

// Records where each blitAntiH starts, in call order.
class OrderBlitter : public CoverageBlitter {
public:
    using CoverageBlitter::CoverageBlitter;
    void blitAntiH (int x, int y, SkAlpha aa[], int16_t runs[]) override
    {
        starts.push_back (x);
        CoverageBlitter::blitAntiH (x, y, aa, runs);
    }
    std::vector<int> starts;
};

TEST (ScanHairLine, DiagonalFromPixelCentresStaysOnTheDiagonal)
{
    // From (0.5, 0.5) the first row is 1, sampled at its centre 1.5 where x is 1.5. Taking
    // the first-row offset as 0 there drew (k - 1, k) instead.
    CoverageBlitter b (16, 16);
    SkScan::HairLine (SkPoint::Make (0.5f, 0.5f), SkPoint::Make (10.5f, 10.5f), nullptr, &b);
    EXPECT_EQ (b.countNonZero (), 10);
    for (int k = 1; k <= 10; k++) EXPECT_EQ (b.at (k, k), 255) << k;
}

TEST (ScanHairLine, OnePixelPerStepAlongTheMajorAxis)
{
    CoverageBlitter b (20, 20);
    SkScan::HairLine (SkPoint::Make (1, 5.5f), SkPoint::Make (11, 5.5f), nullptr, &b);
    EXPECT_EQ (b.countNonZero (), 10);
    EXPECT_EQ (b.row (5, 0, 13), "0 255 255 255 255 255 255 255 255 255 255 0 0");
    CoverageBlitter steep (20, 20);
    SkScan::HairLine (SkPoint::Make (3.2f, 1), SkPoint::Make (5.8f, 15), nullptr, &steep);
    EXPECT_EQ (steep.countNonZero (), 14);
    EXPECT_EQ (steep.maxCover (), 255);
}

TEST (ScanHairLine, ClippedLinesStayInside)
{
    SkRegion rgn = region_of ({ SkIRect::MakeLTRB (5, 5, 20, 20), SkIRect::MakeLTRB (30, 10, 45, 40) });
    std::mt19937 rng (11);
    std::uniform_real_distribution<float> coord (-20, 70);
    for (int i = 0; i < 500; i++) {
        SkPoint a = { coord (rng), coord (rng) }, c = { coord (rng), coord (rng) };
        CoverageBlitter b (-30, -30, 130, 130);
        SkScan::HairLine (a, c, &rgn, &b);
        CoverageBlitter aa (-30, -30, 130, 130);
        SkScan::AntiHairLine (a, c, &rgn, &aa);
        ASSERT_EQ (b.countOutside (rgn) + aa.countOutside (rgn), 0) << i;
        ASSERT_LE (aa.maxCover (), 255) << i;
    }
}

TEST (ScanHairLine, HugeAndNonFiniteCoordinates)
{
    SkRegion clip (SkIRect::MakeWH (20, 20));
    CoverageBlitter b (-10, -10, 40, 40);
    SkScan::HairLine (SkPoint::Make (-1e30f, 5.5f), SkPoint::Make (1e30f, 5.5f), &clip, &b);
    EXPECT_EQ (b.countNonZero (), 20);
    SkScan::HairLine (SkPoint::Make (SK_ScalarNaN, 5), SkPoint::Make (5, 5), &clip, &b);
    SkScan::AntiHairLine (SkPoint::Make (SK_ScalarInfinity, 5), SkPoint::Make (5, 5), &clip, &b);
    EXPECT_EQ (b.countNonZero (), 20);
    CoverageBlitter aa (-10, -10, 40, 40);
    SkScan::AntiHairLine (SkPoint::Make (-3e38f, -3e38f), SkPoint::Make (3e38f, 3e38f), &clip, &aa);
    EXPECT_EQ (aa.countOutside (SkIRect::MakeWH (20, 20)), 0);
    EXPECT_GT (aa.countNonZero (), 19);
}

TEST (ScanAntiHairLine, RowCentreGivesOneFullRowWholeRowGivesTwoHalves)
{
    CoverageBlitter centre (30, 30);
    SkScan::AntiHairLine (SkPoint::Make (2, 10.5f), SkPoint::Make (12, 10.5f), nullptr, &centre);
    EXPECT_EQ (centre.countNonZero (), 10);
    EXPECT_EQ (centre.at (5, 10), 255);
    CoverageBlitter edge (30, 30);
    SkScan::AntiHairLine (SkPoint::Make (2, 10), SkPoint::Make (12, 10), nullptr, &edge);
    EXPECT_EQ (edge.at (5, 10), 128);
    EXPECT_EQ (edge.at (5, 9), 127);
    EXPECT_EQ (edge.countNonZero (), 20);
    CoverageBlitter vertical (30, 30);
    SkScan::AntiHairLine (SkPoint::Make (7, 2), SkPoint::Make (7, 12), nullptr, &vertical);
    EXPECT_EQ (vertical.at (7, 5), 128);
    EXPECT_EQ (vertical.at (6, 5), 127);
}

TEST (ScanAntiHairLine, PartialEndPixelsAreScaledByTheirLength)
{
    CoverageBlitter b (30, 30);
    // From x = 2.25 to 5.5 on a row centre: a quarter short at the start, half at the end.
    SkScan::AntiHairLine (SkPoint::Make (2.25f, 4.5f), SkPoint::Make (5.5f, 4.5f), nullptr, &b);
    EXPECT_EQ (b.row (4, 1, 7), "0 191 255 255 127 0");
    CoverageBlitter diag (30, 30);
    SkScan::AntiHairLine (SkPoint::Make (2, 2), SkPoint::Make (12, 7), nullptr, &diag);
    EXPECT_NEAR (diag.total (), 10.0, 0.2);     // one pixel of ink per column
    EXPECT_LE (diag.maxCover (), 255);
}

TEST (ScanAntiHairLine, LongLineIsDrawnInTwoHalvesFromItsStart)
{
    OrderBlitter b (0, 0, 700, 20);
    SkScan::AntiHairLine (SkPoint::Make (600, 5.5f), SkPoint::Make (0, 5.5f), nullptr, &b);
    ASSERT_FALSE (b.starts.empty ());
    EXPECT_EQ (b.starts.front (), 300);     // the half from the start point, drawn left to right
    EXPECT_EQ (b.countNonZero (), 600);
    EXPECT_EQ (b.maxCover (), 255);
}

TEST (ScanAntiHairLine, OneColumnLeftAfterClippingIsDrawnOnce)
{
    // Clipped at x = 10, the line from 9.3 to 10.7 keeps column 9 only; it used to be drawn
    // as both first and last column, blending it twice.
    SkRegion clip (SkIRect::MakeLTRB (0, 0, 10, 20));
    clip.op (SkIRect::MakeLTRB (0, 30, 5, 40), SkRegion::kUnion_Op);
    CoverageBlitter b (-5, -5, 40, 50);
    SkScan::AntiHairLine (SkPoint::Make (9.3f, 5.5f), SkPoint::Make (10.7f, 5.5f), &clip, &b);
    EXPECT_EQ (b.countNonZero (), 1);
    EXPECT_EQ (b.at (9, 5), (255 * 45) >> 6);       // 64 - (595 & 63) = 45 of 64
}

TEST (ScanAntiHairRect, FourSides)
{
    CoverageBlitter b (30, 30);
    SkScan::AntiHairRect (SkRect::MakeLTRB (2.5f, 2.5f, 12.5f, 8.5f), nullptr, &b);
    EXPECT_EQ (b.at (5, 2), 255);
    EXPECT_EQ (b.at (12, 5), 255);
    EXPECT_EQ (b.at (5, 8), 255);
    EXPECT_EQ (b.at (2, 5), 255);
    EXPECT_EQ (b.at (5, 5), 0);
}

TEST (ScanHairPath, CurvesBecomeConnectedLines)
{
    SkPath p;
    p.moveTo (2, 2);
    p.quadTo (40, 2, 40, 40);
    p.cubicTo (40, 60, 2, 60, 2, 40);
    p.lineTo (2, 10);
    CoverageBlitter b (60, 70);
    SkScan::HairPath (p, nullptr, &b, SkScan::HairLine);
    EXPECT_GT (b.countNonZero (), 100);
    EXPECT_EQ (b.at (2, 20), 255);
    SkRegion clip (SkIRect::MakeLTRB (10, 10, 30, 30));
    CoverageBlitter c (60, 70);
    SkScan::HairPath (p, &clip, &c, SkScan::AntiHairLine);
    EXPECT_EQ (c.countOutside (SkIRect::MakeLTRB (10, 10, 30, 30)), 0);
    EXPECT_GT (c.countNonZero (), 0);
    // The path is not closed: nothing joins (2, 10) back to (2, 2).
    CoverageBlitter open (60, 70);
    SkScan::HairPath (p, nullptr, &open, SkScan::HairLine);
    EXPECT_EQ (open.at (2, 5), 0);
}

TEST (ScanHairPath, NothingForPathsWithoutSegmentsOrMissingTheClip)
{
    SkPath move;
    move.moveTo (3, 3);
    SkRegion clip (SkIRect::MakeWH (10, 10));
    CoverageBlitter b (-20, -20, 60, 60);
    SkScan::HairPath (move, &clip, &b, SkScan::HairLine);
    SkPath far;
    far.moveTo (20, 20);
    far.lineTo (30, 25);
    SkScan::HairPath (far, &clip, &b, SkScan::AntiHairLine);
    SkPath huge;
    huge.moveTo (-3e38f, 0);
    huge.quadTo (3e38f, 3e38f, 5, 5);
    huge.cubicTo (SK_ScalarNaN, 1, 2, 3, 4, 5);
    SkScan::HairPath (huge, &clip, &b, SkScan::AntiHairLine);
    EXPECT_EQ (b.countOutside (SkIRect::MakeWH (10, 10)), 0);
}

} // namespace
