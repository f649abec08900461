// The draw engine on its own: hairlines by coverage, rectangle kinds, masks and mask filters.
#include "graphics/canvas/SkDrawPriv.h"
#include "graphics/canvas/tests/SkCanvasTestSupport.h"
#include "graphics/effects/SkMaskFilter.h"

using namespace canvas_test;

namespace {

// Grows every mask by a margin and fills the grown mask with one coverage value.
class MarginFilter : public SkMaskFilter {
public:
    explicit MarginFilter (int margin) : fMargin (margin) {}
    bool filterMask (SkMask *dst, const SkMask &src, const SkMatrix &, SkIPoint *margin) override
    {
        fCalls++;
        dst->fBounds = src.fBounds;
        dst->fBounds.inset (-fMargin, -fMargin);
        dst->fFormat = SkMask::kA8_Format;
        dst->fRowBytes = (uint32_t)dst->fBounds.width ();
        dst->fImage = nullptr;
        if (margin != nullptr) margin->set (fMargin, fMargin);
        if (src.fImage == nullptr) return true;     // bounds only
        size_t size = (size_t)dst->fRowBytes * (size_t)dst->fBounds.height ();
        dst->fImage = (uint8_t *)sk_malloc (size);
        if (dst->fImage == nullptr) return false;
        memset (dst->fImage, 0x80, size);
        return true;
    }
    int fMargin;
    int fCalls = 0;
};

struct DrawFixture {
    SkBitmap bitmap;
    SkRegion clip;
    SkMatrix matrix;
    SkDraw draw;

    DrawFixture (int w, int h)
    {
        make_bitmap (&bitmap, w, h, 0xFFFFFFFF);
        clip.setRect (0, 0, w, h);
        draw.fBitmap = &bitmap;
        draw.fClip = &clip;
        draw.fMatrix = &matrix;
    }
};

} // namespace

TEST (SkDrawTest, ThinAntiAliasedStrokeBecomesAHairlineWithItsCoverageAsAlpha)
{
    SkPaint paint;
    paint.setAntiAlias (true);
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (1);
    paint.setAlpha (200);
    SkMatrix half;
    half.setScale (0.5f, 0.5f);
    unsigned alpha = 0;
    // (0.5 + 0.5) / 2 * 256 = 128 of coverage; 128 * 200 >> 8 = 100.
    ASSERT_TRUE (SkDrawTreatAsHairline (paint, half, &alpha));
    EXPECT_EQ (alpha, 100u);
    // Too wide, not anti-aliased, or a mode that cannot take coverage as alpha: a real stroke.
    EXPECT_FALSE (SkDrawTreatAsHairline (paint, SkMatrix::I (), &alpha) && alpha != 200u);
    SkMatrix twice;
    twice.setScale (2, 2);
    EXPECT_FALSE (SkDrawTreatAsHairline (paint, twice, &alpha));
    paint.setAntiAlias (false);
    EXPECT_FALSE (SkDrawTreatAsHairline (paint, half, &alpha));
    paint.setAntiAlias (true);
    paint.setXfermodeMode (SkXfermode::kSrc_Mode);
    EXPECT_FALSE (SkDrawTreatAsHairline (paint, half, &alpha));
    // Width 0 is a hairline of the paint's own alpha, whatever else.
    paint.setStrokeWidth (0);
    ASSERT_TRUE (SkDrawTreatAsHairline (paint, twice, &alpha));
    EXPECT_EQ (alpha, 200u);
}

TEST (SkDrawTest, MaskBoundsGrowByHalfAPixelAndTheFilterMarginCappedAt128)
{
    SkPath path;
    path.addRect (10.2f, 20.7f, 30.5f, 40);
    SkIRect bounds;
    ASSERT_TRUE (SkDraw::ComputeMaskBounds (path, nullptr, nullptr, nullptr, &bounds));
    EXPECT_EQ (bounds, SkIRect::MakeLTRB (9, 20, 31, 41));
    MarginFilter filter (200);
    SkIRect clip = SkIRect::MakeLTRB (0, 0, 50, 50);
    ASSERT_TRUE (SkDraw::ComputeMaskBounds (path, &clip, &filter, nullptr, &bounds));
    // Grown by 200, limited to the clip grown by at most 128.
    EXPECT_EQ (bounds, SkIRect::MakeLTRB (-128, -128, 178, 178));
    SkPath empty;
    empty.moveTo (1, 1);
    EXPECT_FALSE (SkDraw::ComputeMaskBounds (empty, nullptr, nullptr, nullptr, &bounds));
    clip = SkIRect::MakeLTRB (500, 500, 510, 510);
    MarginFilter small (2);
    EXPECT_FALSE (SkDraw::ComputeMaskBounds (path, &clip, &small, nullptr, &bounds));
}

TEST (SkDrawTest, MaskFilterDrawsTheFilteredMaskThroughTheClip)
{
    DrawFixture f (64, 64);
    f.clip.setRect (0, 0, 20, 64);
    SkPaint paint;
    paint.setColor (0xFF000000);
    MarginFilter *filter = new MarginFilter (3);
    paint.setMaskFilter (filter);
    SkPath path;
    path.addRect (10, 10, 30, 30);
    f.draw.drawPath (path, paint);
    // The source mask reaches the margin beyond the path's half-pixel-grown bounds
    // (6, 6, 34, 34), the filtered one a margin more: (3, 3, 37, 37) at 0x80, drawn only
    // left of x = 20.
    EXPECT_EQ (filter->fCalls, 2);
    EXPECT_EQ (pixel (f.bitmap, 3, 3), 0xFF7F7F7Fu);
    EXPECT_EQ (pixel (f.bitmap, 19, 36), 0xFF7F7F7Fu);
    EXPECT_EQ (pixel (f.bitmap, 2, 6), 0xFFFFFFFFu);
    EXPECT_EQ (count_changed_outside (f.bitmap, SkRegion (SkIRect::MakeLTRB (3, 3, 20, 37)), 0xFFFFFFFFu), 0);
    EXPECT_EQ (count_color (f.bitmap, 0xFF7F7F7Fu), 17 * 34);
    filter->unref ();
}

TEST (SkDrawTest, DrawToMaskRendersTheAntiAliasedPathAtTheMasksOrigin)
{
    SkMask mask;
    mask.fBounds = SkIRect::MakeLTRB (100, 200, 108, 204);
    mask.fRowBytes = 8;
    mask.fFormat = SkMask::kA8_Format;
    uint8_t image[32] = {};
    mask.fImage = image;
    SkPath path;
    path.addRect (102, 201, 104.5f, 203);
    SkDraw::DrawToMask (path, mask);
    EXPECT_EQ (image[1 * 8 + 2], 0xFF);
    EXPECT_EQ (image[1 * 8 + 3], 0xFF);
    EXPECT_GT (image[1 * 8 + 4], 0x60);
    EXPECT_LT (image[1 * 8 + 4], 0xA0);
    EXPECT_EQ (image[0 * 8 + 2], 0);
    EXPECT_EQ (image[3 * 8 + 2], 0);
}

TEST (SkDrawTest, DeviceMaskBlitsWithinClipAndMaskBounds)
{
    DrawFixture f (16, 16);
    f.clip.setRect (0, 0, 6, 16);
    f.clip.op (SkIRect::MakeLTRB (10, 0, 16, 16), SkRegion::kUnion_Op);
    uint8_t image[8 * 2];
    memset (image, 0xFF, sizeof (image));
    SkMask mask = { image, SkIRect::MakeLTRB (4, 3, 12, 5), 8, SkMask::kA8_Format };
    SkPaint paint;
    paint.setColor (0xFF0000FF);
    f.draw.drawDevMask (mask, paint);
    EXPECT_EQ (count_color (f.bitmap, 0xFF0000FFu), 8);     // columns 4-5 and 10-11, rows 3-4
    EXPECT_EQ (pixel (f.bitmap, 11, 4), 0xFF0000FFu);
    EXPECT_EQ (pixel (f.bitmap, 7, 4), 0xFFFFFFFFu);
}

TEST (SkDrawTest, StrokedRectsWithRoundJoinsOrShortMiterLimitsLoseTheirCorners)
{
    for (int kind = 0; kind < 3; kind++) {
        DrawFixture f (32, 32);
        SkPaint paint;
        paint.setStyle (SkPaint::kStroke_Style);
        paint.setStrokeWidth (8);
        if (kind == 1) paint.setStrokeJoin (SkPaint::kRound_Join);
        if (kind == 2) paint.setStrokeMiter (1.4f);
        f.draw.drawRect (SkRect::MakeLTRB (8, 8, 24, 24), paint);
        // The outer corner pixel (4, 4) is covered only by a square (miter) corner.
        EXPECT_EQ (pixel (f.bitmap, 4, 4) == 0xFF000000u, kind == 0) << kind;
        EXPECT_EQ (pixel (f.bitmap, 8, 5), 0xFF000000u) << kind;
        EXPECT_EQ (pixel (f.bitmap, 16, 16), 0xFFFFFFFFu) << kind;
    }
}

TEST (SkDrawTest, HugeAndNonFiniteShapesDrawNothingOutsideTheClipAndFinish)
{
    DrawFixture f (32, 32);
    f.clip.setRect (8, 8, 24, 24);
    SkPaint paint;
    paint.setAntiAlias (true);
    SkPath path;
    path.moveTo (-1e9f, -1e9f);
    path.lineTo (1e9f, 3e8f);
    path.lineTo (16, 1e10f);
    path.close ();
    f.draw.drawPath (path, paint);
    SkPath bad;
    bad.moveTo (NAN, 1);
    bad.lineTo (5, INFINITY);
    bad.lineTo (20, 20);
    f.draw.drawPath (bad, paint);
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (5);
    f.draw.drawPath (path, paint);
    f.draw.drawPath (bad, paint);
    SkPoint pts[3] = { { NAN, 0 }, { 1e30f, 1e30f }, { 16, 16 } };
    f.draw.drawPoints (SkDraw::kPolygon_PointMode, 3, pts, paint);
    paint.setStrokeWidth (0);
    f.draw.drawPoints (SkDraw::kPoints_PointMode, 3, pts, paint);
    EXPECT_EQ (count_changed_outside (f.bitmap, f.clip, 0xFFFFFFFFu), 0);
}

TEST (SkDrawTest, WideSquarePointsAtTheEdgeOfTheFixedRangeStayInsideTheClip)
{
    DrawFixture f (16, 16);
    SkPaint paint;
    paint.setStrokeWidth (30000);
    SkPoint pts[2] = { { 32766, -32766 }, { -32000, 32000 } };
    for (bool aa : { false, true }) {
        paint.setAntiAlias (aa);
        f.draw.drawPoints (SkDraw::kPoints_PointMode, 2, pts, paint);
    }
    EXPECT_EQ (count_color (f.bitmap, 0xFFFFFFFFu), 256);     // both squares miss the frame
    // A square of negative side covers nothing.
    paint.setStrokeWidth (-1e9f);
    f.draw.drawPoints (SkDraw::kPoints_PointMode, 2, pts, paint);
    EXPECT_EQ (count_color (f.bitmap, 0xFFFFFFFFu), 256);
    paint.setStrokeWidth (30000);
    SkPoint centre = { 8, 8 };
    f.draw.drawPoints (SkDraw::kPoints_PointMode, 1, &centre, paint);
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 256);
}
