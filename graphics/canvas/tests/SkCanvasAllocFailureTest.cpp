// Failed allocations anywhere in a canvas's life: levels, layers, clip records, paths, region
// runs, blitters, bitmap shaders and the masks of 8-bit alpha bitmaps. Each run lets a growing number of allocations succeed and fails every
// one after; the canvas must never crash, leak or write outside its bitmap or clip.
#include <gtest/gtest.h>

#include "graphics/canvas/SkCanvas.h"
#include "graphics/raster/tests/SkAllocFailureSupport.h"

namespace {

// A 32-bit and an 8-bit alpha picture, made before any allocation may fail.
struct Pictures {
    SkBitmap color, alpha;
    Pictures ()
    {
        color.setConfig (SkBitmap::kARGB_8888_Config, 12, 10);
        alpha.setConfig (SkBitmap::kA8_Config, 12, 10);
        EXPECT_TRUE (color.allocPixels () && alpha.allocPixels ());
        for (int y = 0; y < 10; y++)
            for (int x = 0; x < 12; x++) {
                *color.getAddr32 (x, y) = 0xFF000000u | (uint32_t)(x * 20) << 8 | (uint32_t)(y * 25);
                *alpha.getAddr8 (x, y) = (uint8_t)(x * 20);
            }
    }
};

void draw_pictures (SkCanvas &canvas, const Pictures &pictures, SkPaint paint)
{
    paint.setFilterBitmap (true);
    SkMatrix m;
    m.setRotate (30, 20, 20);
    m.preScale (2, 2);
    canvas.drawBitmapMatrix (pictures.color, m, &paint);
    canvas.drawBitmapMatrix (pictures.alpha, m, &paint);
    canvas.drawBitmapNine (pictures.color, SkIRect::MakeLTRB (3, 3, 9, 7), SkRect::MakeLTRB (30, 30, 62, 50), &paint);
}

void draw_scene (SkCanvas &canvas, const Pictures &pictures)
{
    SkPaint paint;
    paint.setAntiAlias (true);
    paint.setColor (0x80FF0000);
    canvas.save ();
    canvas.clipRect (SkRect::MakeLTRB (2, 2, 60, 60));
    SkPath circle;
    circle.addCircle (32, 32, 20);
    canvas.clipPath (circle);
    SkRect bounds = SkRect::MakeLTRB (0, 0, 48, 48);
    canvas.saveLayerAlpha (&bounds, 0x80);
    canvas.drawPaint (paint);
    canvas.drawRoundRect (SkRect::MakeLTRB (5, 5, 40, 30), 4, 4, paint);
    draw_pictures (canvas, pictures, paint);
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (5);
    paint.setStrokeJoin (SkPaint::kRound_Join);
    canvas.drawPath (circle, paint);
    canvas.drawLine (0, 0, 64, 40, paint);
    canvas.restore ();
    canvas.restore ();
}

} // namespace

TEST (SkCanvasAllocFailureTest, EveryFailedAllocationDrawsLessButNeverOutsideTheClip)
{
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, 64, 64);
    ASSERT_TRUE (bitmap.allocPixels ());
    Pictures pictures;
    for (int allowed = 0; allowed < 400; allowed++) {
        bitmap.eraseTransparent ();
        {
            FailureScope scope (0, 0, allowed);
            SkCanvas canvas (bitmap);
            draw_scene (canvas, pictures);
            EXPECT_EQ (canvas.getSaveCount (), 1) << allowed;
        }
        // The outermost clip keeps a 2-pixel border untouched whatever failed.
        for (int i = 0; i < 64; i++) {
            EXPECT_EQ (*bitmap.getAddr32 (i, 0), 0u) << allowed;
            EXPECT_EQ (*bitmap.getAddr32 (0, i), 0u) << allowed;
            EXPECT_EQ (*bitmap.getAddr32 (i, 63), 0u) << allowed;
        }
    }
    // By the last run every allocation succeeds: the whole scene is drawn.
    SkBitmap whole;
    whole.setConfig (SkBitmap::kARGB_8888_Config, 64, 64);
    ASSERT_TRUE (whole.allocPixels ());
    whole.eraseTransparent ();
    {
        SkCanvas canvas (whole);
        draw_scene (canvas, pictures);
    }
    EXPECT_NE (*bitmap.getAddr32 (32, 32), 0u);
    EXPECT_EQ (memcmp (bitmap.getPixels (), whole.getPixels (), whole.getSafeSize ()), 0);
}
