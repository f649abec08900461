// Anti-aliased path fill: exact 4x4 coverage values through the run and mask accumulations,
// inverse fills, the fallback for far paths, clipping, and coverage runs.
#include "graphics/raster/tests/ScanTestSupport.h"

namespace {

SkPath rect_path (float l, float t, float r, float b)
{
    SkPath p;
    p.addRect (l, t, r, b);
    return p;
}

TEST (ScanAlphaRuns, SpansOfOneSubRowAddUpAndSaturate)
{
    int16_t runs[11];
    uint8_t alpha[12];
    SkAlphaRuns r;
    r.init (runs, alpha, 10);
    EXPECT_TRUE (r.empty ());
    int offset = r.add (1, 31, 2, 16, 64, 0);
    offset = r.add (4, 47, 1, 0, 64, offset);
    EXPECT_FALSE (r.empty ());
    // Pixel 4 got 16 (end of the first span) and 47 (start of the second).
    EXPECT_EQ (alpha[1], 31);
    EXPECT_EQ (alpha[2], 64);
    EXPECT_EQ (alpha[4], 63);
    EXPECT_EQ (alpha[5], 64);
    for (int i = 0; i < 4; i++) r.add (0, 0, 3, 0, 64, 0);
    EXPECT_EQ (alpha[0], 255);          // 4 x 64 saturates at 255
}

TEST (ScanAntiFillPath, AlignedSquareIsFullInsideThroughTheRuns)
{
    SkRegion clip (SkIRect::MakeWH (60, 60));
    CoverageBlitter b (60, 60);
    SkScan::AntiFillPath (rect_path (2, 2, 40, 40), clip, &b);
    EXPECT_GT (b.antiCalls, 0);
    EXPECT_EQ (b.maskCalls, 0);
    EXPECT_EQ (b.countNonZero (), 38 * 38);
    EXPECT_EQ (b.at (2, 2), 255);
    EXPECT_EQ (b.at (39, 39), 255);
    EXPECT_EQ (b.at (20, 20), 255);
}

TEST (ScanAntiFillPath, HalfPixelSquareEdgesFollowTheSubRowWeights)
{
    SkRegion clip (SkIRect::MakeWH (60, 60));
    CoverageBlitter b (60, 60);
    SkScan::AntiFillPath (rect_path (2.5f, 2.5f, 40.5f, 40.5f), clip, &b);
    EXPECT_EQ (b.at (2, 20), 124);      // 4 x 31
    EXPECT_EQ (b.at (40, 20), 124);
    EXPECT_EQ (b.at (20, 2), 127);      // 64 + 63 on sub-rows 2 and 3
    EXPECT_EQ (b.at (20, 40), 128);     // 64 + 64 on sub-rows 0 and 1
    EXPECT_EQ (b.at (2, 2), 62);        // 2 x 31
    EXPECT_EQ (b.at (20, 20), 255);
    EXPECT_EQ (b.maxCover (), 255);
}

TEST (ScanAntiFillPath, MaskPathGivesAFullFirstPixel255)
{
    // A span starting on a pixel boundary used to add 62 per sub-row to its first pixel,
    // leaving the left column of small paths at 248 while the run path gave 255.
    SkRegion clip (SkIRect::MakeWH (40, 40));
    CoverageBlitter b (40, 40);
    SkScan::AntiFillPath (rect_path (3, 3, 11, 11), clip, &b);
    EXPECT_EQ (b.maskCalls, 1);
    EXPECT_EQ (b.antiCalls, 0);
    EXPECT_EQ (b.at (3, 5), 255);
    EXPECT_EQ (b.at (10, 5), 255);
    EXPECT_EQ (b.countNonZero (), 64);
    CoverageBlitter half (40, 40);
    SkScan::AntiFillPath (rect_path (2.5f, 2.5f, 10.5f, 10.5f), clip, &half);
    EXPECT_EQ (half.maskCalls, 1);
    EXPECT_EQ (half.at (2, 5), 124);
    EXPECT_EQ (half.at (5, 2), 127);
    EXPECT_EQ (half.at (5, 10), 128);
    EXPECT_EQ (half.at (2, 2), 62);
}

TEST (ScanAntiFillPath, MaskOrRunsChosenBySize)
{
    SkRegion clip (SkIRect::MakeWH (100, 100));
    CoverageBlitter wide (100, 100);
    SkScan::AntiFillPath (rect_path (0, 0, 33, 1), clip, &wide);
    EXPECT_EQ (wide.maskCalls, 0);
    CoverageBlitter square (100, 100);
    SkScan::AntiFillPath (rect_path (0, 0, 32, 32), clip, &square);
    EXPECT_EQ (square.maskCalls, 1);
    EXPECT_EQ (square.countNonZero (), 1024);
    EXPECT_EQ (square.maxCover (), 255);
    CoverageBlitter tall (100, 100);
    SkScan::AntiFillPath (rect_path (0, 0, 32, 33), clip, &tall);
    EXPECT_EQ (tall.maskCalls, 0);
}

TEST (ScanAntiFillPath, FarPathIsFilledWithoutAntiAliasing)
{
    SkRegion clip (SkIRect::MakeWH (100, 100));
    SkPath p = rect_path (10.5f, 10.5f, 9000, 50.5f);
    CoverageBlitter b (100, 100);
    SkScan::AntiFillPath (p, clip, &b);
    EXPECT_EQ (b.antiCalls + b.maskCalls, 0);
    EXPECT_EQ (b.at (11, 11), 255);
    EXPECT_EQ (b.at (10, 20), 0);       // floor(10.5 + 0.5) = 11: hard edge
}

TEST (ScanAntiFillPath, InverseFillCoversTheComplementOnce)
{
    SkRegion clip (SkIRect::MakeLTRB (0, 0, 50, 50));
    SkPath p = rect_path (10.5f, 10, 30.5f, 30);
    p.setFillType (SkPath::kInverseWinding_FillType);
    CoverageBlitter b (-5, -5, 60, 60);
    SkScan::AntiFillPath (p, clip, &b);
    EXPECT_EQ (b.countOutside (SkIRect::MakeWH (50, 50)), 0);
    EXPECT_EQ (b.maxCover (), 255);
    EXPECT_EQ (b.at (20, 20), 0);
    EXPECT_EQ (b.at (5, 20), 255);
    EXPECT_EQ (b.at (10, 20), 124);     // two of four sub-pixels on each sub-row: 4 x 31
    EXPECT_NEAR (b.total (), 2500 - 400, 1);
    // No area at all: the complement is the whole clip.
    SkPath line;
    line.moveTo (5, 5);
    line.lineTo (5, 40);
    line.setFillType (SkPath::kInverseEvenOdd_FillType);
    CoverageBlitter c (50, 50);
    SkScan::AntiFillPath (line, clip, &c);
    EXPECT_EQ (c.countNonZero (), 2500);
    EXPECT_EQ (c.maxCover (), 255);
}

TEST (ScanAntiFillPath, ClipByRegionNeverWritesOutside)
{
    SkRegion clip = region_of ({ SkIRect::MakeLTRB (10, 10, 40, 40), SkIRect::MakeLTRB (50, 20, 70, 30) });
    clip.op (SkIRect::MakeLTRB (20, 20, 25, 25), SkRegion::kDifference_Op);
    SkRegion rect (SkIRect::MakeLTRB (10, 10, 40, 40));
    for (const SkRegion *rgn : { &clip, &rect }) {
        for (int i = 0; i < 8; i++) {
            SkPath p;
            p.addCircle (30 + i * 3.3f, 25 - i * 1.7f, 5.0f + i * 6);
            p.setFillType ((SkPath::FillType)(i & 3));
            CoverageBlitter b (-30, -30, 160, 160);
            SkScan::AntiFillPath (p, *rgn, &b);
            ASSERT_EQ (b.countOutside (*rgn), 0) << i;
            ASSERT_LE (b.maxCover (), 255) << i;
        }
    }
}

TEST (ScanAntiFillPath, ClipFarBeyondTheFixedPointRangeIsLimited)
{
    // The clip is cut to what 16.16 holds; an inverse fill across all of it is wider than a
    // run list, and is filled without anti-aliasing, each pixel once.
    SkRegion wide (SkIRect::MakeLTRB (-2000000000, -5, 2000000000, 5));
    CoverageBlitter w (-10, -10, 40, 40);
    SkScan::AntiFillPath (rect_path (0.5f, 0.5f, 10.5f, 3.5f), wide, &w);
    EXPECT_EQ (w.at (5, 1), 255);
    EXPECT_EQ (w.at (0, 1), 124);
    EXPECT_EQ (w.stray, 0);
    SkPath inverse = rect_path (0.5f, 0.5f, 10.5f, 3.5f);
    inverse.setFillType (SkPath::kInverseWinding_FillType);
    CoverageBlitter i (-10, -10, 40, 40);
    SkScan::AntiFillPath (inverse, wide, &i);
    EXPECT_EQ (i.at (-5, -3), 255);
    EXPECT_EQ (i.at (5, 1), 0);
    EXPECT_LE (i.maxCover (), 255);
}

} // namespace
