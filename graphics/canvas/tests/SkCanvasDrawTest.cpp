// Canvas draw operations: the draw loop, direct fills, rectangles, layers, bitmaps and
// sprites, and guard pixels around every kind of clip.
#include <cmath>

#include "graphics/canvas/SkBounder.h"
#include "graphics/canvas/tests/SkCanvasTestSupport.h"
#include "graphics/paint/SkPaintEffects.h"

using namespace canvas_test;

namespace {

const uint32_t kWhite = 0xFFFFFFFF;

struct CanvasFixture {
    SkBitmap bitmap;
    RecordingDevice *device = nullptr;
    SkCanvas *canvas = nullptr;

    CanvasFixture (int w, int h, uint32_t background)
    {
        make_bitmap (&bitmap, w, h, background);
        device = new RecordingDevice (bitmap);
        canvas = new SkCanvas (device);
    }
    ~CanvasFixture ()
    {
        canvas->unref ();
        device->unref ();
    }
};

// Counts passes; gives the paint a new colour on each.
class CountingLooper : public SkDrawLooper {
public:
    void init (SkCanvas *, const SkPaint &) override { fPass = 0; }
    bool next (SkCanvas *, SkPaint *paint) override
    {
        if (fPass == fPasses) return false;
        paint->setColor (fColors[fPass++]);
        return true;
    }
    int fPasses = 2;
    int fPass = 0;
    SkColor fColors[2] = { 0xFF0000FF, 0xFF00FF00 };
};

class RecordingFilter : public SkDrawFilter {
public:
    void filter (SkPaint *paint, Type type) override
    {
        fTypes.push_back (type);
        paint->setColor (0xFF123456);
    }
    std::vector<int> fTypes;
};

} // namespace

TEST (SkCanvasDrawTest, SourceModePaintFillsTheClipWithThePremultipliedColour)
{
    CanvasFixture f (20, 20, kWhite);
    f.canvas->clipRect (SkRect::MakeLTRB (5, 5, 10, 10));
    SkPaint paint;
    paint.setColor (0x80FF0000);
    paint.setXfermodeMode (SkXfermode::kSrc_Mode);
    f.canvas->drawPaint (paint);
    EXPECT_EQ (pixel (f.bitmap, 5, 5), 0x80800000u);
    EXPECT_EQ (pixel (f.bitmap, 9, 9), 0x80800000u);
    EXPECT_EQ (count_color (f.bitmap, 0x80800000u), 25);
    EXPECT_EQ (count_changed_outside (f.bitmap, SkRegion (SkIRect::MakeLTRB (5, 5, 10, 10)), kWhite), 0);
}

TEST (SkCanvasDrawTest, DirectFillsWriteEachPixelFormatsOwnValue)
{
    struct Case { SkBitmap::Config config; uint32_t expect; };
    // 0xFF336699: 565 (0x33>>3, 0x66>>2, 0x99>>3); 4444 nibbles r g b a; A8 its alpha.
    const Case cases[] = {
        { SkBitmap::kA8_Config, 0xFF },
        { SkBitmap::kRGB_565_Config, (6u << 11) | (25u << 5) | 19u },
        { SkBitmap::kARGB_4444_Config, 0x369F },
        { SkBitmap::kARGB_8888_Config, 0xFF336699 },
    };
    for (const Case &c : cases) {
        SkBitmap bitmap;
        bitmap.setConfig (c.config, 4, 3);
        ASSERT_TRUE (bitmap.allocPixels ());
        SkCanvas canvas (bitmap);
        canvas.clipRect (SkRect::MakeLTRB (1, 1, 3, 2));
        SkPaint paint;
        paint.setColor (0xFF336699);
        canvas.drawPaint (paint);
        int bpp = bitmap.bytesPerPixel ();
        uint32_t got = 0, untouched = 0;
        memcpy (&got, bitmap.getAddr (2, 1), (size_t)bpp);
        memcpy (&untouched, bitmap.getAddr (3, 1), (size_t)bpp);
        EXPECT_EQ (got, c.expect) << (int)c.config;
        EXPECT_EQ (untouched, 0u) << (int)c.config;
    }
}

TEST (SkCanvasDrawTest, ClearModeZeroesAndATransparentSourceOverDrawsNothing)
{
    CanvasFixture f (8, 8, kWhite);
    SkPaint clear;
    clear.setXfermodeMode (SkXfermode::kClear_Mode);
    f.canvas->clipRect (SkRect::MakeLTRB (0, 0, 4, 8));
    f.canvas->drawPaint (clear);
    EXPECT_EQ (pixel (f.bitmap, 3, 7), 0u);
    EXPECT_EQ (pixel (f.bitmap, 4, 7), kWhite);
    // Alpha 0 without a transfer mode never reaches the device; with source mode it does.
    f.device->fCalls.clear ();
    SkPaint transparent;
    transparent.setColor (0x00FF0000);
    f.canvas->drawPaint (transparent);
    f.canvas->drawRect (SkRect::MakeWH (8, 8), transparent);
    EXPECT_TRUE (f.device->fCalls.empty ());
    transparent.setXfermodeMode (SkXfermode::kSrc_Mode);
    f.canvas->drawPaint (transparent);
    EXPECT_EQ (f.device->fCalls.size (), 1u);
    EXPECT_EQ (pixel (f.bitmap, 0, 0), 0u);
}

TEST (SkCanvasDrawTest, DestinationModeSkipsEveryPass)
{
    CanvasFixture f (8, 8, kWhite);
    SkPaint paint;
    paint.setXfermodeMode (SkXfermode::kDst_Mode);
    f.canvas->drawPaint (paint);
    f.canvas->drawRect (SkRect::MakeWH (4, 4), paint);
    EXPECT_TRUE (f.device->fCalls.empty ());
}

TEST (SkCanvasDrawTest, LooperRunsOnePassPerNextAndTheFilterSeesEachWithItsKind)
{
    CanvasFixture f (8, 8, kWhite);
    CountingLooper *looper = new CountingLooper;
    CountingBounder *bounder = new CountingBounder;
    SkPaint paint;
    paint.setLooper (looper);
    looper->unref ();
    f.canvas->setBounder (bounder);
    bounder->unref ();
    f.canvas->drawRect (SkRect::MakeLTRB (0, 0, 2, 2), paint);
    EXPECT_EQ (f.device->fCalls.size (), 2u);
    EXPECT_EQ (bounder->fCommits, 2);
    EXPECT_EQ (pixel (f.bitmap, 0, 0), 0xFF00FF00u);     // the second pass's colour
    RecordingFilter *filter = new RecordingFilter;
    f.canvas->setDrawFilter (filter);
    filter->unref ();
    SkPaint plain;
    f.canvas->drawPaint (plain);
    f.canvas->drawRect (SkRect::MakeLTRB (0, 0, 1, 1), plain);
    SkPoint pt = { 1, 1 };
    f.canvas->drawPoints (SkCanvas::kPoints_PointMode, 1, &pt, plain);
    std::vector<int> expect = { SkDrawFilter::kPaint_Type, SkDrawFilter::kRect_Type, SkDrawFilter::kPoint_Type };
    EXPECT_EQ (filter->fTypes, expect);
    EXPECT_EQ (pixel (f.bitmap, 7, 7), 0xFF123456u);
}

TEST (SkCanvasDrawTest, ABounderRefusalSkipsTheDraw)
{
    CanvasFixture f (8, 8, kWhite);
    CountingBounder *bounder = new CountingBounder;
    bounder->fAnswer = false;
    f.canvas->setBounder (bounder);
    bounder->unref ();
    SkPaint paint;
    f.canvas->drawRect (SkRect::MakeLTRB (-5, 2, 4, 3), paint);
    f.canvas->drawPaint (paint);
    EXPECT_EQ (count_color (f.bitmap, kWhite), 64);
    ASSERT_EQ (bounder->fAsked.size (), 2u);
    EXPECT_EQ (bounder->fAsked[0], SkIRect::MakeLTRB (0, 2, 4, 3));     // limited to the clip
}

TEST (SkCanvasDrawTest, RectanglesFillTheirPixelCentresUnderTheMatrix)
{
    CanvasFixture f (20, 20, kWhite);
    SkPaint paint;
    paint.setColor (0xFF000000);
    f.canvas->translate (2, 3);
    f.canvas->drawRect (SkRect::MakeLTRB (1.4f, 1.6f, 5.5f, 4.2f), paint);
    // floor(v + 0.5) of (3.4, 4.6, 7.5, 7.2): columns 3-7, rows 5-6.
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 10);
    EXPECT_EQ (count_changed_outside (f.bitmap, SkRegion (SkIRect::MakeLTRB (3, 5, 8, 7)), kWhite), 0);
}

TEST (SkCanvasDrawTest, DrawsNeverWriteOutsideRectAndRegionClips)
{
    CanvasFixture f (64, 64, kWhite);
    SkRegion clip (SkIRect::MakeLTRB (10, 10, 30, 30));
    clip.op (SkIRect::MakeLTRB (40, 5, 50, 60), SkRegion::kUnion_Op);
    f.canvas->clipRegion (clip);
    SkPaint paint;
    paint.setColor (0xFF00FF00);
    SkPaint aa (paint);
    aa.setAntiAlias (true);
    f.canvas->drawRect (SkRect::MakeLTRB (-1e30f, 20.5f, 1e30f, 25.25f), aa);
    f.canvas->drawRect (SkRect::MakeLTRB (0, 0, 64, 64), paint);
    f.canvas->drawRect (SkRect::MakeLTRB (NAN, 0, 64, 64), paint);
    f.canvas->drawRect (SkRect::MakeLTRB (-INFINITY, 0, INFINITY, 64), aa);
    SkPaint stroke (aa);
    stroke.setStyle (SkPaint::kStroke_Style);
    stroke.setStrokeWidth (3);
    f.canvas->drawRect (SkRect::MakeLTRB (5, 5, 45, 45), stroke);
    EXPECT_EQ (count_changed_outside (f.bitmap, clip, kWhite), 0);
    EXPECT_EQ (pixel (f.bitmap, 45, 59), 0xFF00FF00u);
}

// A layer opened with alpha is composited with its paint's alpha on restore:
// blitRowSrcAlphaBlend32 with s = 129 turns the layer's opaque red into (255 * 129) >> 8 =
// 128 of red and alpha, and keeps (255 * (256 - 128)) >> 8 = 127 of the white below.
TEST (SkCanvasDrawTest, LayerIsCompositedWithItsPaintOnRestore)
{
    CanvasFixture f (60, 60, kWhite);
    SkRect bounds = SkRect::MakeLTRB (10, 10, 50, 50);
    SkPaint layerPaint;
    layerPaint.setAlpha (128);
    EXPECT_EQ (f.canvas->saveLayer (&bounds, &layerPaint), 1);
    EXPECT_EQ (f.canvas->getSaveCount (), 2);
    SkPaint red;
    red.setColor (0xFFFF0000);
    f.canvas->drawRect (SkRect::MakeLTRB (0, 0, 30, 60), red);
    EXPECT_EQ (pixel (f.bitmap, 20, 20), kWhite);     // nothing reaches the root yet
    f.canvas->restore ();
    EXPECT_EQ (pixel (f.bitmap, 10, 10), 0xFFFF7F7Fu);
    EXPECT_EQ (pixel (f.bitmap, 29, 49), 0xFFFF7F7Fu);
    EXPECT_EQ (pixel (f.bitmap, 30, 20), kWhite);     // layer pixels nobody drew
    EXPECT_EQ (pixel (f.bitmap, 5, 20), kWhite);      // outside the layer
    EXPECT_EQ (count_changed_outside (f.bitmap, SkRegion (SkIRect::MakeLTRB (10, 10, 30, 50)), kWhite), 0);
}

TEST (SkCanvasDrawTest, NestedLayersDrawOnlyIntoTheTopOneAndCompositeInOrder)
{
    CanvasFixture f (40, 40, kWhite);
    SkRect outer = SkRect::MakeLTRB (0, 0, 30, 30), inner = SkRect::MakeLTRB (10, 10, 20, 20);
    f.canvas->saveLayer (&outer, nullptr);
    f.canvas->translate (1, 0);
    f.canvas->saveLayer (&inner, nullptr);
    SkPaint blue;
    blue.setColor (0xFF0000FF);
    f.canvas->drawPaint (blue);
    f.canvas->restore ();
    f.canvas->restore ();
    // The inner layer's bounds were mapped by the translation: (11, 10, 21, 20).
    EXPECT_EQ (count_color (f.bitmap, 0xFF0000FFu), 100);
    EXPECT_EQ (pixel (f.bitmap, 11, 10), 0xFF0000FFu);
    EXPECT_EQ (pixel (f.bitmap, 10, 10), kWhite);
}

TEST (SkCanvasDrawTest, SpritesAreLimitedInSizeAndPlacedAtDevicePositions)
{
    CanvasFixture f (20, 20, kWhite);
    SkBitmap sprite;
    make_bitmap (&sprite, 4, 4, 0xFF00FF00);
    f.canvas->translate (5, 5);       // sprites ignore the matrix
    f.canvas->drawSprite (sprite, 2, 3);
    EXPECT_EQ (pixel (f.bitmap, 2, 3), 0xFF00FF00u);
    EXPECT_EQ (pixel (f.bitmap, 6, 3), kWhite);
    EXPECT_EQ (count_color (f.bitmap, 0xFF00FF00u), 16);
    SkBitmap wide;
    wide.setConfig (SkBitmap::kARGB_8888_Config, 32768, 1);
    f.device->fCalls.clear ();
    f.canvas->drawSprite (wide, 0, 0);
    EXPECT_TRUE (f.device->fCalls.empty ());
}

TEST (SkCanvasDrawTest, BitmapAtATranslationDrawsAsASprite)
{
    CanvasFixture f (20, 20, kWhite);
    SkBitmap bitmap;
    make_bitmap (&bitmap, 3, 2, 0xFF0000FF);
    f.canvas->translate (0.4f, 1);
    f.canvas->drawBitmap (bitmap, 4, 5);
    EXPECT_EQ (pixel (f.bitmap, 4, 6), 0xFF0000FFu);
    EXPECT_EQ (pixel (f.bitmap, 6, 7), 0xFF0000FFu);
    EXPECT_EQ (count_color (f.bitmap, 0xFF0000FFu), 6);
}

TEST (SkCanvasDrawTest, NinePatchSqueezesTheFixedPartsInProportion)
{
    CanvasFixture f (100, 100, kWhite);
    SkBitmap bitmap;
    make_bitmap (&bitmap, 30, 30, 0xFF000000);
    // L = 10, R = 20, W = 30: the fixed columns need 20; a 10-wide destination gets
    // 10 * 10 / (10 - 20 + 30) = 5 for the left one and nothing in the middle.
    f.canvas->drawBitmapNine (bitmap, SkIRect::MakeLTRB (10, 10, 20, 20), SkRect::MakeLTRB (0, 0, 10, 60));
    ASSERT_EQ (f.device->fBitmapDst.size (), 6u);     // the empty middle column is skipped
    EXPECT_EQ (f.device->fBitmapDst[0], SkRect::MakeLTRB (0, 0, 5, 10));
    EXPECT_EQ (f.device->fBitmapDst[1], SkRect::MakeLTRB (5, 0, 10, 10));
    EXPECT_EQ (f.device->fBitmapDst[2], SkRect::MakeLTRB (0, 10, 5, 50));
    EXPECT_EQ (f.device->fBitmapDst[5], SkRect::MakeLTRB (5, 50, 10, 60));
}

TEST (SkCanvasDrawTest, RoundRectWithoutPositiveRadiiIsARect)
{
    CanvasFixture f (20, 20, kWhite);
    SkPaint paint;
    f.canvas->drawRoundRect (SkRect::MakeLTRB (2, 2, 10, 10), -3, 4, paint);
    f.canvas->drawRoundRect (SkRect::MakeLTRB (2, 2, 10, 10), 0, 0, paint);
    f.canvas->drawRoundRect (SkRect::MakeLTRB (2, 2, 10, 10), 2, 2, paint);
    std::vector<std::string> expect = { "rect", "rect", "path" };
    EXPECT_EQ (f.device->fCalls, expect);
}

TEST (SkCanvasDrawTest, InverseFilledEmptyPathFillsTheWholeClip)
{
    CanvasFixture f (10, 10, kWhite);
    f.canvas->clipRect (SkRect::MakeLTRB (2, 2, 6, 6));
    SkPath empty;
    empty.setFillType (SkPath::kInverseWinding_FillType);
    SkPaint paint;
    f.canvas->drawPath (empty, paint);
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 16);
    SkPath plain;
    f.device->fCalls.clear ();
    f.canvas->drawPath (plain, paint);
    EXPECT_TRUE (f.device->fCalls.empty ());
}

TEST (SkCanvasDrawTest, WidePointsInLinesModeBecomeOneStrokedPathPerPair)
{
    CanvasFixture f (20, 20, kWhite);
    SkPaint paint;
    paint.setStrokeWidth (3);
    SkPoint pts[5] = { { 1, 1 }, { 5, 1 }, { 1, 5 }, { 5, 5 }, { 9, 9 } };
    f.canvas->drawPoints (SkCanvas::kLines_PointMode, 5, pts, paint);
    std::vector<std::string> expect = { "points", "path", "path" };
    EXPECT_EQ (f.device->fCalls, expect);
}

TEST (SkCanvasDrawTest, HairlinePointsFillOnePixelEachInsideTheClip)
{
    CanvasFixture f (10, 10, kWhite);
    f.canvas->clipRect (SkRect::MakeLTRB (0, 0, 5, 10));
    SkPaint paint;
    SkPoint pts[4] = { { 1.5f, 2.5f }, { 4.9f, 0.1f }, { 7, 7 }, { -3, 1 } };
    f.canvas->drawPoints (SkCanvas::kPoints_PointMode, 4, pts, paint);
    EXPECT_EQ (pixel (f.bitmap, 1, 2), 0xFF000000u);
    EXPECT_EQ (pixel (f.bitmap, 4, 0), 0xFF000000u);
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 2);
}

TEST (SkCanvasDrawTest, SquarePointsAreSquaresOfTheStrokeWidth)
{
    CanvasFixture f (20, 20, kWhite);
    SkPaint paint;
    paint.setStrokeWidth (4);
    SkPoint pt = { 10, 10 };
    f.canvas->drawPoints (SkCanvas::kPoints_PointMode, 1, &pt, paint);
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 16);
    EXPECT_EQ (count_changed_outside (f.bitmap, SkRegion (SkIRect::MakeLTRB (8, 8, 12, 12)), kWhite), 0);
    // Under a quarter turn the square takes the general route and keeps its size.
    CanvasFixture g (20, 20, kWhite);
    g.canvas->rotateAbout (90, 10, 10);
    g.canvas->drawPoints (SkCanvas::kPoints_PointMode, 1, &pt, paint);
    EXPECT_EQ (count_color (g.bitmap, 0xFF000000u), 16);
}

// A layer opened without the alpha flag is opaque: restore copies all of it, so the pixels
// nobody drew arrive as the zeros its pixels start with, never as leftover memory.
TEST (SkCanvasDrawTest, OpaqueLayerIsCopiedWholeOnRestore)
{
    CanvasFixture f (20, 20, kWhite);
    SkRect bounds = SkRect::MakeLTRB (5, 5, 15, 15);
    f.canvas->saveLayer (&bounds, nullptr,
                         (SkCanvas::SaveFlags)(SkCanvas::kMatrixClip_SaveFlag | SkCanvas::kClipToLayer_SaveFlag));
    SkPaint half;
    half.setColor (0x80000080);      // premultiplied 0x80000040, drawn over the zeros
    f.canvas->drawRect (SkRect::MakeLTRB (5, 5, 10, 15), half);
    f.canvas->restore ();
    EXPECT_EQ (pixel (f.bitmap, 5, 5), 0x80000040u);
    EXPECT_EQ (pixel (f.bitmap, 12, 12), 0u);
    EXPECT_EQ (pixel (f.bitmap, 4, 5), kWhite);
    EXPECT_EQ (count_changed_outside (f.bitmap, SkRegion (SkIRect::MakeLTRB (5, 5, 15, 15)), kWhite), 0);
}

// With a layer open, each device gets only what the layers above leave of the clip, in its
// own coordinates; focus moves once per change of device; broadcasts reach every device.
TEST (SkCanvasDrawTest, LayersShareTheClipTopDownAndHearBroadcasts)
{
    CanvasFixture f (40, 40, kWhite);
    SkRect bounds = SkRect::MakeLTRB (10, 10, 30, 20);
    f.canvas->saveLayer (&bounds, nullptr,
                         (SkCanvas::SaveFlags)(SkCanvas::kMatrixClip_SaveFlag | SkCanvas::kHasAlphaLayer_SaveFlag));
    ASSERT_EQ (f.device->fLayers.size (), 1u);
    RecordingDevice *layer = f.device->fLayers[0];
    EXPECT_EQ (layer->getOrigin (), SkIPoint::Make (10, 10));
    SkPaint paint;
    f.canvas->drawRect (SkRect::MakeLTRB (0, 0, 40, 40), paint);
    EXPECT_EQ (layer->fLastClip, SkRegion (SkIRect::MakeWH (20, 10)));
    SkRegion rest (SkIRect::MakeWH (40, 40));
    rest.op (SkIRect::MakeLTRB (10, 10, 30, 20), SkRegion::kDifference_Op);
    EXPECT_EQ (f.device->fLastClip, rest);
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 40 * 40 - 200);     // the root around the layer
    f.canvas->drawRect (SkRect::MakeLTRB (0, 0, 1, 1), paint);
    // Each draw visits the layer, then the root: the focus moves every time.
    EXPECT_EQ (layer->fFocus, 2);
    EXPECT_EQ (f.device->fFocus, 2);
    f.canvas->broadcast (7);
    EXPECT_EQ (layer->fBroadcasts, std::vector<uint32_t> { 7 });
    EXPECT_EQ (f.device->fBroadcasts, std::vector<uint32_t> { 7 });
    f.canvas->restore ();
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 40 * 40);
}

// The source's top-left corner becomes the subset's origin; a source reaching past the
// bitmap is cut to it, and the cut part keeps its place in the destination.
TEST (SkCanvasDrawTest, BitmapRectMapsTheSourceSubsetOntoTheDestination)
{
    CanvasFixture f (40, 40, kWhite);
    SkBitmap bitmap;
    make_bitmap (&bitmap, 20, 20, 0xFF00FF00);
    SkIRect inner = SkIRect::MakeLTRB (5, 5, 10, 10);
    f.canvas->drawBitmapRect (bitmap, &inner, SkRect::MakeLTRB (0, 0, 10, 10));
    SkIRect over = SkIRect::MakeLTRB (-5, -5, 5, 5);
    f.canvas->drawBitmapRect (bitmap, &over, SkRect::MakeLTRB (20, 20, 30, 30));
    SkIRect outside = SkIRect::MakeLTRB (30, 30, 40, 40);
    f.canvas->drawBitmapRect (bitmap, &outside, SkRect::MakeLTRB (0, 0, 10, 10));
    ASSERT_EQ (f.device->fBitmapDst.size (), 2u);
    EXPECT_EQ (f.device->fBitmapDst[0], SkRect::MakeLTRB (0, 0, 10, 10));
    EXPECT_EQ (f.device->fBitmapDst[1], SkRect::MakeLTRB (25, 25, 30, 30));
    // At the scale of 1 the second one is a sprite: its 5 x 5 pixels land at (25, 25).
    EXPECT_EQ (pixel (f.bitmap, 25, 25), 0xFF00FF00u);
    EXPECT_EQ (pixel (f.bitmap, 24, 25), kWhite);
}

// A clip grown beyond the device (a union) opens a layer no larger than the device: nothing
// outside it could be seen.
TEST (SkCanvasDrawTest, LayerIsNoLargerThanTheLayerItIsDrawnInto)
{
    CanvasFixture f (40, 30, kWhite);
    f.canvas->clipRect (SkRect::MakeLTRB (-1e9f, -1e9f, 1e9f, 1e9f), SkRegion::kUnion_Op);
    f.canvas->saveLayer (nullptr, nullptr);
    ASSERT_EQ (f.device->fLayers.size (), 1u);
    EXPECT_EQ (f.device->fLayers[0]->width (), 40);
    EXPECT_EQ (f.device->fLayers[0]->height (), 30);
    SkRect inner = SkRect::MakeLTRB (-100, 5, 10, 1e8f);
    f.canvas->saveLayer (&inner, nullptr);
    RecordingDevice *outer = f.device->fLayers[0];     // makes the layer drawn into it
    ASSERT_EQ (outer->fLayers.size (), 1u);
    EXPECT_EQ (outer->fLayers[0]->getOrigin (), SkIPoint::Make (0, 5));
    EXPECT_EQ (outer->fLayers[0]->width (), 10);
    EXPECT_EQ (outer->fLayers[0]->height (), 25);
    SkPaint paint;
    f.canvas->drawPaint (paint);      // clipped to the inner layer
    f.canvas->restoreToCount (1);
    EXPECT_EQ (count_color (f.bitmap, 0xFF000000u), 10 * 25);
    EXPECT_EQ (pixel (f.bitmap, 0, 5), 0xFF000000u);
}
