// Regions from paths: the region holds exactly the pixels the non-anti-aliased fill draws,
// within the clip, as bands merged where rows repeat.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/path/SkPath.h"
#include "graphics/raster/SkScan.h"
#include "graphics/region/SkRegion.h"

namespace {

// Whether each pixel of [0, size)^2 is drawn by FillPath.
class MarkBlitter : public SkBlitter {
public:
    explicit MarkBlitter (int size) : fSize (size), fMarks ((size_t)size * size, 0) {}
    void blitH (int x, int y, int width) override
    {
        for (int i = 0; i < width; i++)
            if (x + i >= 0 && x + i < fSize && y >= 0 && y < fSize) fMarks[(size_t)y * fSize + x + i]++;
    }
    int at (int x, int y) const { return fMarks[(size_t)y * fSize + x]; }

private:
    int fSize;
    std::vector<int> fMarks;
};

void expect_region_matches_fill (const SkPath &path, const SkRegion &clip, int size)
{
    SkRegion rgn;
    rgn.setPath (path, clip);
    MarkBlitter marks (size);
    SkScan::FillPath (path, clip, &marks);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) ASSERT_EQ (rgn.contains (x, y), marks.at (x, y) == 1) << x << "," << y;
}

SkPath comb (int teeth, float width, float height)
{
    SkPath p;
    for (int i = 0; i < teeth; i++) p.addRect (2.0f + i * 2 * width, 1.5f + (i % 3), 2.0f + i * 2 * width + width, height);
    return p;
}

TEST (RegionSetPath, EmptyInversePathGivesTheClip)
{
    SkRegion clip (SkIRect::MakeLTRB (0, 0, 10, 10));
    clip.op (SkIRect::MakeLTRB (20, 0, 30, 5), SkRegion::kUnion_Op);
    SkPath p;
    p.setFillType (SkPath::kInverseWinding_FillType);
    SkRegion rgn;
    EXPECT_TRUE (rgn.setPath (p, clip));
    EXPECT_EQ (rgn, clip);
    p.setFillType (SkPath::kWinding_FillType);
    EXPECT_FALSE (rgn.setPath (p, clip));
    EXPECT_FALSE (rgn.setPath (comb (3, 2, 8), SkRegion ()));
}

TEST (RegionSetPath, RectanglePathGivesARectangleRegion)
{
    SkPath p;
    p.addRect (2.4f, 3.6f, 20.5f, 9.49f);
    SkRegion rgn;
    EXPECT_TRUE (rgn.setPath (p, SkRegion (SkIRect::MakeWH (100, 100))));
    EXPECT_TRUE (rgn.isRect ());
    EXPECT_EQ (rgn.getBounds (), SkIRect::MakeLTRB (2, 4, 21, 9));
    SkRegion clipped;
    clipped.setPath (p, SkRegion (SkIRect::MakeLTRB (5, 0, 10, 6)));
    EXPECT_EQ (clipped.getBounds (), SkIRect::MakeLTRB (5, 4, 10, 6));
    EXPECT_TRUE (clipped.isRect ());
}

TEST (RegionSetPath, CircleHasOneBandPerDistinctRow)
{
    SkPath p;
    p.addCircle (50, 50, 30.3f);
    SkRegion clip (SkIRect::MakeWH (100, 100));
    expect_region_matches_fill (p, clip, 100);
    SkRegion rgn;
    rgn.setPath (p, clip);
    EXPECT_TRUE (rgn.isComplex ());
    EXPECT_EQ (rgn.getBounds (), SkIRect::MakeLTRB (20, 20, 80, 80));
}

TEST (RegionSetPath, ManySpansCutByManyClipIntervals)
{
    // Six spans per row cut by a clip of eight strips make up to thirteen intervals a row:
    // more than the larger of the edge count and the clip's widest band alone leave room for.
    SkRegion clip;
    for (int i = 0; i < 8; i++) clip.op (SkIRect::MakeLTRB (3 + i * 6, 0, 6 + i * 6, 60), SkRegion::kUnion_Op);
    SkPath p = comb (6, 4, 40);
    expect_region_matches_fill (p, clip, 60);
    p.setFillType (SkPath::kInverseEvenOdd_FillType);
    expect_region_matches_fill (p, clip, 60);
}

TEST (RegionSetPath, InverseFillCoversTheClipAboveAndBelowThePath)
{
    SkRegion clip (SkIRect::MakeWH (40, 40));
    SkPath p;
    p.addCircle (20, 20, 8);
    p.setFillType (SkPath::kInverseWinding_FillType);
    expect_region_matches_fill (p, clip, 40);
    SkRegion rgn;
    rgn.setPath (p, clip);
    EXPECT_TRUE (rgn.contains (20, 2));
    EXPECT_TRUE (rgn.contains (20, 38));
    EXPECT_FALSE (rgn.contains (20, 20));
}

TEST (RegionSetPath, HugeOrNonFinitePathsStayInTheClip)
{
    SkRegion clip (SkIRect::MakeWH (50, 50));
    SkPath huge;
    huge.moveTo (-1e30f, -1e30f);
    huge.lineTo (1e30f, -1e30f);
    huge.lineTo (0, 1e30f);
    SkRegion rgn;
    EXPECT_TRUE (rgn.setPath (huge, clip));
    EXPECT_TRUE (clip.contains (rgn));
    SkPath nan;
    nan.moveTo (0, 0);
    nan.lineTo (SK_ScalarNaN, 10);
    nan.lineTo (10, 10);
    EXPECT_FALSE (rgn.setPath (nan, clip));
}

} // namespace
