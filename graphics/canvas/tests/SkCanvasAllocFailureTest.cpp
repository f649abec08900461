// Failed allocations anywhere in a canvas's life: levels, layers, clip records, paths, region
// runs and blitters. Each run lets a growing number of allocations succeed and fails every
// one after; the canvas must never crash, leak or write outside its bitmap or clip.
#include <gtest/gtest.h>

#include "graphics/canvas/SkCanvas.h"
#include "graphics/raster/tests/SkAllocFailureSupport.h"

namespace {

void draw_scene (SkCanvas &canvas)
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
    for (int allowed = 0; allowed < 400; allowed++) {
        bitmap.eraseTransparent ();
        {
            FailureScope scope (0, 0, allowed);
            SkCanvas canvas (bitmap);
            draw_scene (canvas);
            EXPECT_EQ (canvas.getSaveCount (), 1) << allowed;
        }
        // The outermost clip keeps a 2-pixel border untouched whatever failed.
        for (int i = 0; i < 64; i++) {
            EXPECT_EQ (*bitmap.getAddr32 (i, 0), 0u) << allowed;
            EXPECT_EQ (*bitmap.getAddr32 (0, i), 0u) << allowed;
            EXPECT_EQ (*bitmap.getAddr32 (i, 63), 0u) << allowed;
        }
    }
    // By the last run every allocation succeeds: the scene is drawn.
    EXPECT_NE (*bitmap.getAddr32 (32, 32), 0u);
}
