// The blur mask filter: creation limits, the radius under a matrix and its passes, blurs of
// a single pixel and of a covered square worked by hand, the four styles, and flattening.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/effects/SkBlurMaskFilter.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

// An A8 mask over bytes the test owns.
struct TestMask {
    std::vector<uint8_t> bytes;
    SkMask mask;
    TestMask (const SkIRect &bounds, uint8_t value) : bytes ((size_t)bounds.width () * bounds.height (), value)
    {
        mask.fImage = bytes.data ();
        mask.fBounds = bounds;
        mask.fRowBytes = (uint32_t)bounds.width ();
        mask.fFormat = SkMask::kA8_Format;
    }
};

// The filtered mask, its image freed at the end of the scope.
struct Filtered {
    SkMask mask {};
    SkIPoint margin = SkIPoint::Make (-1, -1);
    bool ok = false;
    Filtered (SkMaskFilter *filter, const SkMask &src, const SkMatrix &matrix = SkMatrix::I ())
    {
        ok = filter->filterMask (&mask, src, matrix, &margin);
    }
    ~Filtered () { sk_free (mask.fImage); }
    int at (int x, int y) const { return mask.getAddr8 (x, y)[0]; }
};

SkMaskFilter *blur (SkScalar radius, SkBlurMaskFilter::BlurStyle style = SkBlurMaskFilter::kNormal_BlurStyle)
{
    return SkBlurMaskFilter::Create (radius, style);
}

// A blur read back from radius, style and flags written by hand.
SkMaskFilter *blur_with_flags (SkScalar radius, uint32_t style, uint32_t flags)
{
    SkFlattenableWriteBuffer writer;
    writer.writeScalar (radius);
    writer.write32 (style);
    writer.write32 (flags);
    std::vector<uint32_t> words = words_of (writer);
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    return (SkMaskFilter *)SkBlurMaskFilter::CreateProc (reader);
}

} // namespace

TEST (SkBlurMaskFilter, CreateRefusesRadiusZeroAndUnknownStyles)
{
    EXPECT_EQ (nullptr, blur (0));
    EXPECT_EQ (nullptr, blur (-1));
    EXPECT_EQ (nullptr, blur (2, (SkBlurMaskFilter::BlurStyle)4));
    SkAutoTUnref<SkMaskFilter> f (blur (2.5f, SkBlurMaskFilter::kOuter_BlurStyle));
    ASSERT_NE (nullptr, f.get ());
    EXPECT_EQ (SkMask::kA8_Format, f->getFormat ());
    SkMaskFilter::BlurInfo info = { 0, true, true };
    EXPECT_EQ (SkMaskFilter::kOuter_BlurType, f->asABlur (&info));
    EXPECT_EQ (2.5f, info.fRadius);
    EXPECT_FALSE (info.fIgnoreTransform);
    EXPECT_FALSE (info.fHighQuality);
}

TEST (SkBlurMaskFilter, OnePixelSpreadsOverItsBox)
{
    TestMask src (SkIRect::MakeXYWH (10, 20, 1, 1), 255);
    SkAutoTUnref<SkMaskFilter> f (blur (1));
    Filtered out (f.get (), src.mask);
    ASSERT_TRUE (out.ok);
    EXPECT_EQ (SkIRect::MakeXYWH (9, 19, 3, 3), out.mask.fBounds);
    EXPECT_EQ (3u, out.mask.fRowBytes);
    EXPECT_EQ (1, out.margin.fX);
    // 255 × floor (2^24 / 9) >> 24.
    for (int y = 19; y < 22; y++)
        for (int x = 9; x < 12; x++) EXPECT_EQ (28, out.at (x, y)) << x << "," << y;
}

TEST (SkBlurMaskFilter, FractionalRadiusWeighsTheOuterRingLess)
{
    // Radius 0.5: box 1, outer weight 127; the centre adds the inner 1 × 1 box at 128.
    TestMask src (SkIRect::MakeXYWH (0, 0, 1, 1), 255);
    SkAutoTUnref<SkMaskFilter> f (blur (0.5f));
    Filtered out (f.get (), src.mask);
    ASSERT_TRUE (out.ok);
    EXPECT_EQ (142, out.at (0, 0));
    EXPECT_EQ (14, out.at (-1, 0));
    EXPECT_EQ (14, out.at (1, 1));
}

TEST (SkBlurMaskFilter, CoveredInteriorLosesOneLevel)
{
    TestMask src (SkIRect::MakeWH (8, 8), 255);
    SkAutoTUnref<SkMaskFilter> f (blur (1));
    Filtered out (f.get (), src.mask);
    ASSERT_TRUE (out.ok);
    EXPECT_EQ (254, out.at (4, 4));         // 9 × 255 × floor (2^24 / 9) >> 24
    EXPECT_EQ (84, out.at (-1, 4));         // 3 × 255 × floor (2^24 / 9) >> 24
    EXPECT_EQ (28, out.at (-1, -1));
}

TEST (SkBlurMaskFilter, StylesOfASinglePixel)
{
    TestMask src (SkIRect::MakeXYWH (0, 0, 1, 1), 255);
    SkAutoTUnref<SkMaskFilter> solid (blur (1, SkBlurMaskFilter::kSolid_BlurStyle));
    SkAutoTUnref<SkMaskFilter> outer (blur (1, SkBlurMaskFilter::kOuter_BlurStyle));
    SkAutoTUnref<SkMaskFilter> inner (blur (1, SkBlurMaskFilter::kInner_BlurStyle));
    Filtered s (solid.get (), src.mask), o (outer.get (), src.mask), i (inner.get (), src.mask);
    ASSERT_TRUE (s.ok && o.ok && i.ok);
    EXPECT_EQ (255, s.at (0, 0));
    EXPECT_EQ (28, s.at (1, 0));
    EXPECT_EQ (0, o.at (0, 0));             // fully covered: nothing of the shape itself
    EXPECT_EQ (28, o.at (-1, 1));
    EXPECT_EQ (src.mask.fBounds, i.mask.fBounds);
    EXPECT_EQ (src.mask.fRowBytes, i.mask.fRowBytes);
    EXPECT_EQ (28, i.at (0, 0));            // (255 + 1) × 28 >> 8
}

TEST (SkBlurMaskFilter, PassesAndRadiusUnderTheMatrix)
{
    SkMask bounds = {};
    bounds.fBounds = SkIRect::MakeWH (10, 10);
    bounds.fFormat = SkMask::kA8_Format;
    SkAutoTUnref<SkMaskFilter> below (blur_with_flags (2.5f, 0, SkBlurMaskFilter::kHighQuality_BlurFlag));
    SkAutoTUnref<SkMaskFilter> three (blur_with_flags (3.0f, 0, SkBlurMaskFilter::kHighQuality_BlurFlag));
    Filtered a (below.get (), bounds), b (three.get (), bounds);
    ASSERT_TRUE (a.ok && b.ok);
    EXPECT_EQ (nullptr, a.mask.fImage);     // bounds only without a source image
    EXPECT_EQ (3, a.margin.fX);             // one pass of ceil (2.5)
    EXPECT_EQ (6, b.margin.fX);             // three passes of ceil (3 / sqrt 3) = 2
    SkMatrix m;
    m.setScale (2, 8);
    SkAutoTUnref<SkMaskFilter> one (blur (1));
    Filtered scaled (one.get (), bounds, m);
    EXPECT_EQ (4, scaled.margin.fX);        // sqrt (2 × 8)
    SkAutoTUnref<SkMaskFilter> fixed (blur_with_flags (1, 0, SkBlurMaskFilter::kIgnoreTransform_BlurFlag));
    Filtered unscaled (fixed.get (), bounds, m);
    EXPECT_EQ (1, unscaled.margin.fX);
    SkAutoTUnref<SkMaskFilter> huge (blur (500));
    Filtered capped (huge.get (), bounds);
    EXPECT_EQ (128, capped.margin.fX);
}

TEST (SkBlurMaskFilter, ThreePassesKeepTheMass)
{
    TestMask src (SkIRect::MakeWH (16, 16), 255);
    SkAutoTUnref<SkMaskFilter> f (blur_with_flags (6, 0, SkBlurMaskFilter::kHighQuality_BlurFlag));
    Filtered out (f.get (), src.mask);
    ASSERT_TRUE (out.ok);
    long sum = 0;
    for (int y = out.mask.fBounds.fTop; y < out.mask.fBounds.fBottom; y++)
        for (int x = out.mask.fBounds.fLeft; x < out.mask.fBounds.fRight; x++) sum += out.at (x, y);
    EXPECT_NEAR (255.0 * 256, (double)sum, 255.0 * 256 * 0.03);     // truncation loses a little
    EXPECT_GT (out.at (8, 8), out.at (-4, 8));
}

TEST (SkBlurMaskFilter, OnlyA8MasksAreBlurred)
{
    TestMask src (SkIRect::MakeWH (2, 2), 255);
    src.mask.fFormat = SkMask::kBW_Format;
    SkAutoTUnref<SkMaskFilter> f (blur (2));
    Filtered out (f.get (), src.mask);
    EXPECT_FALSE (out.ok);
}

TEST (SkBlurMaskFilter, FlattensAndRefusesBadData)
{
    SkAutoTUnref<SkMaskFilter> f (blur (3.5f, SkBlurMaskFilter::kSolid_BlurStyle));
    SkFlattenableWriteBuffer writer;
    f->flatten (writer);
    std::vector<uint32_t> words = words_of (writer);
    ASSERT_EQ (3u, words.size ());
    EXPECT_EQ (1u, words[1]);
    SkAutoTUnref<SkMaskFilter> flags (blur_with_flags (3.5f, 1, 0xFF));
    SkMaskFilter::BlurInfo info;
    ASSERT_NE (nullptr, flags.get ());
    EXPECT_EQ (SkMaskFilter::kSolid_BlurType, flags->asABlur (&info));
    EXPECT_TRUE (info.fIgnoreTransform && info.fHighQuality);
    EXPECT_EQ (nullptr, blur_with_flags (0, 0, 0));
    EXPECT_EQ (nullptr, blur_with_flags (2, 4, 0));
}
