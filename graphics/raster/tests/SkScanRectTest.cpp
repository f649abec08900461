// Rectangle fills, frames and hairline rectangles, plain and anti-aliased: exact coverage of
// edges, clipping by rectangles and regions, and degenerate or non-finite input.
#include "graphics/raster/tests/ScanTestSupport.h"

namespace {

SkRegion complex_region () { return region_of ({ SkIRect::MakeLTRB (0, 0, 10, 10), SkIRect::MakeLTRB (20, 0, 30, 10) }); }

TEST (ScanFillRect, RoundsEachSideHalfUp)
{
    CoverageBlitter b (8, 8);
    SkScan::FillRect (SkRect::MakeLTRB (0.5f, 0.5f, 2.5f, 1.5f), nullptr, &b);
    EXPECT_EQ (b.countNonZero (), 2);
    EXPECT_EQ (b.at (1, 1), 255);
    EXPECT_EQ (b.at (2, 1), 255);
    EXPECT_EQ (b.rectCalls, 1);
}

TEST (ScanFillRect, ComplexClipGivesOnePieceForEachRegionRectangle)
{
    CoverageBlitter b (40, 20);
    SkRegion rgn = complex_region ();
    SkScan::FillIRect (SkIRect::MakeLTRB (5, 5, 25, 15), &rgn, &b);
    EXPECT_EQ (b.rectCalls, 2);
    EXPECT_EQ (b.countNonZero (), 5 * 5 + 5 * 5);
    EXPECT_EQ (b.countOutside (SkIRect::MakeLTRB (5, 5, 25, 10)), 0);
}

TEST (ScanFillRect, EmptyOrNonFiniteDrawsNothing)
{
    CoverageBlitter b (8, 8);
    SkRegion empty;
    SkScan::FillIRect (SkIRect::MakeLTRB (1, 1, 4, 4), &empty, &b);
    SkScan::FillRect (SkRect::MakeLTRB (3, 1, 1, 4), nullptr, &b);
    SkScan::FillRect (SkRect::MakeLTRB (SK_ScalarNaN, 0, 4, 4), nullptr, &b);
    SkRegion clip (SkIRect::MakeWH (8, 8));
    SkScan::FillRect (SkRect::MakeLTRB (-SK_ScalarInfinity, 0, 4, 4), &clip, &b);
    EXPECT_EQ (b.countNonZero (), 0);
    EXPECT_EQ (b.stray, 0);
}

TEST (ScanFillRect, HugeRectangleStaysInsideTheClip)
{
    CoverageBlitter b (-2, -2, 14, 14);
    SkRegion clip (SkIRect::MakeWH (10, 10));
    SkScan::FillRect (SkRect::MakeLTRB (-1e30f, -1e30f, 1e30f, 1e30f), &clip, &b);
    EXPECT_EQ (b.countNonZero (), 100);
    EXPECT_EQ (b.countOutside (SkIRect::MakeWH (10, 10)), 0);
}

TEST (ScanFrameRect, StrokeAsWideAsTheRectangleFillsTheOuterRectangle)
{
    CoverageBlitter b (20, 20);
    SkScan::FrameRect (SkRect::MakeLTRB (5, 5, 9, 9), SkPoint::Make (4, 4), nullptr, &b);
    EXPECT_EQ (b.rectCalls, 1);
    EXPECT_EQ (b.countNonZero (), 8 * 8);
    EXPECT_EQ (b.at (3, 3), 255);
    EXPECT_EQ (b.at (10, 10), 255);
}

TEST (ScanFrameRect, FourBandsWithoutOverlap)
{
    CoverageBlitter b (20, 20);
    SkScan::FrameRect (SkRect::MakeLTRB (2, 2, 12, 10), SkPoint::Make (2, 2), nullptr, &b);
    // Outer (1, 1, 13, 11), inner (3, 3, 11, 9).
    EXPECT_EQ (b.countNonZero (), 12 * 10 - 8 * 6);
    EXPECT_EQ (b.maxCover (), 255);
    EXPECT_EQ (b.at (5, 5), 0);
    SkScan::FrameRect (SkRect::MakeLTRB (2, 2, 12, 10), SkPoint::Make (2, -1), nullptr, &b);
    EXPECT_EQ (b.maxCover (), 255);
}

TEST (ScanAntiFillRect, HalfPixelEdgesGiveQuarterAndHalfCoverage)
{
    CoverageBlitter b (8, 8);
    SkScan::AntiFillRect (SkRect::MakeLTRB (0.5f, 0.5f, 2.5f, 1.5f), nullptr, &b);
    EXPECT_EQ (b.row (0, 0, 4), "64 128 64 0");
    EXPECT_EQ (b.row (1, 0, 4), "64 128 64 0");
    EXPECT_EQ (b.row (2, 0, 4), "0 0 0 0");
}

TEST (ScanAntiFillRect, WholePixelsAndOnePixelRectangles)
{
    CoverageBlitter b (8, 8);
    SkScan::AntiFillRect (SkRect::MakeLTRB (1, 1, 4, 3), nullptr, &b);
    EXPECT_EQ (b.countNonZero (), 6);
    EXPECT_EQ (b.maxCover (), 255);
    CoverageBlitter c (8, 8);
    // A quarter pixel across and half a pixel down inside pixel (2, 2).
    SkScan::AntiFillRect (SkRect::MakeLTRB (2.25f, 2.25f, 2.5f, 2.75f), nullptr, &c);
    EXPECT_EQ (c.countNonZero (), 1);
    EXPECT_EQ (c.at (2, 2), (64 * 127) >> 8);
    // A column one pixel wide and several rows high: (R - L - 1) on the whole rows.
    CoverageBlitter d (8, 8);
    SkScan::AntiFillRect (SkRect::MakeLTRB (3.5f, 1, 3.75f, 4), nullptr, &d);
    EXPECT_EQ (d.at (3, 2), 63);
}

TEST (ScanAntiFillRect, ClipByRegionNeverWritesOutside)
{
    SkRegion rgn = complex_region ();
    CoverageBlitter b (-5, -5, 50, 30);
    SkScan::AntiFillRect (SkRect::MakeLTRB (-3.3f, 2.5f, 33.7f, 12.25f), &rgn, &b);
    EXPECT_EQ (b.countOutside (rgn), 0);
    EXPECT_EQ (b.at (5, 5), 255);
    EXPECT_EQ (b.at (5, 2), 128);
    SkRegion rect (SkIRect::MakeLTRB (0, 0, 4, 4));
    CoverageBlitter c (-5, -5, 20, 20);
    SkScan::AntiFillRect (SkRect::MakeLTRB (-1e20f, 1.5f, 1e20f, 1e20f), &rect, &c);
    EXPECT_EQ (c.countOutside (SkIRect::MakeLTRB (0, 0, 4, 4)), 0);
    EXPECT_EQ (c.at (0, 1), 128);
    EXPECT_EQ (c.at (3, 3), 255);
}

TEST (ScanAntiFillXRect, SidesRoundToTwentyFourEight)
{
    CoverageBlitter b (8, 8);
    SkXRect xr = { SkIntToFixed (1) + 0x4000, SkIntToFixed (1), SkIntToFixed (3), SkIntToFixed (2) };
    SkScan::AntiFillXRect (xr, nullptr, &b);
    // One whole row: coverage 255 (B - T - 1), so the quarter-covered pixel gets 191.
    EXPECT_EQ (b.row (1, 0, 4), "0 191 255 0");
    SkRegion rgn (SkIRect::MakeLTRB (2, 0, 8, 8));
    CoverageBlitter c (8, 8);
    SkScan::AntiFillXRect (xr, &rgn, &c);
    EXPECT_EQ (c.row (1, 0, 4), "0 0 255 0");
}

TEST (ScanAntiFrameRect, StrokeCoveringTheRectangleFillsFullOuterPixelsOnce)
{
    CoverageBlitter b (20, 20);
    SkScan::AntiFrameRect (SkRect::MakeLTRB (4, 4, 8, 8), SkPoint::Make (6, 6), nullptr, &b);
    EXPECT_EQ (b.rectCalls, 1);
    EXPECT_EQ (b.countNonZero (), 10 * 10);
    EXPECT_EQ (b.maxCover (), 255);
}

TEST (ScanAntiFrameRect, FractionalFrameCoversEachPixelByItsArea)
{
    CoverageBlitter b (20, 20);
    // Outer (2.25, 2.25, 13.75, 11.75), inner (4.25, 4.25, 11.75, 9.75).
    SkScan::AntiFrameRect (SkRect::MakeLTRB (3.25f, 3.25f, 12.75f, 10.75f), SkPoint::Make (2, 2), nullptr, &b);
    EXPECT_EQ (b.maxCover (), 255);
    EXPECT_EQ (b.at (2, 5), 192);                   // outer left edge, three quarters
    EXPECT_EQ (b.at (3, 5), 255);
    EXPECT_EQ (b.at (4, 6), 64);                    // inner left edge, a quarter of stroke
    EXPECT_EQ (b.at (6, 6), 0);                     // the hole
    EXPECT_EQ (b.at (11, 6), 63);                   // inner right edge: 255 - 192, a quarter
    EXPECT_EQ (b.at (4, 4), 112);                   // inner corner: 1 - 3/4 * 3/4 of the pixel
    EXPECT_NEAR (b.total (), 11.5 * 9.5 - 7.5 * 5.5, 0.1);
}

TEST (ScanAntiFrameRect, HoleInsideOnePixelUsesTheStrokeCoverage)
{
    // The hole (5.25, 5.25, 5.75, 5.75) lies in pixel (5, 5): three quarters of that pixel
    // are stroke. Reading the hole's own size there gave a quarter.
    CoverageBlitter b (20, 20);
    SkScan::AntiFrameRect (SkRect::MakeLTRB (4.25f, 4.25f, 6.75f, 6.75f), SkPoint::Make (2, 2), nullptr, &b);
    EXPECT_NEAR (b.at (5, 5), 191, 2);
    EXPECT_EQ (b.maxCover (), 255);
}

TEST (ScanAntiFrameRect, ThinStrokeBlendsEachPixelOnce)
{
    // Top edge from 10.25 to 10.75: half of row 10. Drawing the outer and inner edges each
    // into that row summed to far more than half.
    CoverageBlitter b (40, 40);
    SkScan::AntiFrameRect (SkRect::MakeLTRB (10.5f, 10.5f, 30.5f, 30.5f), SkPoint::Make (0.5f, 0.5f), nullptr, &b);
    EXPECT_LE (b.maxCover (), 255);
    EXPECT_NEAR (b.at (20, 10), 128, 8);
    EXPECT_EQ (b.at (20, 20), 0);
}

TEST (ScanHairRect, NarrowRectangleIsOneBlitRect)
{
    CoverageBlitter b (10, 10);
    SkScan::HairRect (SkRect::MakeLTRB (1, 1, 2, 6), nullptr, &b);
    EXPECT_EQ (b.rectCalls, 1);
    EXPECT_EQ (b.hCalls, 0);
    EXPECT_EQ (b.countNonZero (), 2 * 6);
}

TEST (ScanHairRect, OutlineHasFourSidesWithoutOverlap)
{
    CoverageBlitter b (10, 10);
    SkScan::HairRect (SkRect::MakeLTRB (1, 1, 5, 4), nullptr, &b);
    EXPECT_EQ (b.countNonZero (), 14);
    EXPECT_EQ (b.maxCover (), 255);
    EXPECT_EQ (b.at (3, 2), 0);
    SkRegion clip (SkIRect::MakeLTRB (0, 0, 3, 3));
    CoverageBlitter c (10, 10);
    SkScan::HairRect (SkRect::MakeLTRB (1, 1, 5, 4), &clip, &c);
    EXPECT_EQ (c.countOutside (SkIRect::MakeLTRB (0, 0, 3, 3)), 0);
    EXPECT_EQ (c.countNonZero (), 3);
}

} // namespace
