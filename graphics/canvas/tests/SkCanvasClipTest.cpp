// Clipping by paths through the canvas: the clip region follows the path, every op combines
// as regions do, and no draw writes outside the clip (guard pixels all around).
#include <cmath>

#include "graphics/canvas/tests/SkCanvasTestSupport.h"

using namespace canvas_test;

namespace {

const uint32_t kWhite = 0xFFFFFFFF, kInk = 0xFF203040;

SkPath circle (float cx, float cy, float r)
{
    SkPath path;
    path.addCircle (cx, cy, r);
    return path;
}

// Every drawing primitive, with coordinates far beyond the frame as well.
void draw_everything (SkCanvas &canvas)
{
    SkPaint paint;
    paint.setColor (kInk);
    canvas.drawPaint (paint);
    paint.setAntiAlias (true);
    canvas.drawRect (SkRect::MakeLTRB (-1e6f, -5, 1e6f, 1e7f), paint);
    canvas.drawPath (circle (32, 32, 1e5f), paint);
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (7);
    canvas.drawLine (-100, -100, 200, 150, paint);
    paint.setStrokeWidth (0);
    canvas.drawLine (-1e9f, 3, 1e9f, 40, paint);
    SkBitmap sprite;
    make_bitmap (&sprite, 64, 64, kInk);
    canvas.drawSprite (sprite, 0, 0);
}

// Draws everything with the canvas's current clip and checks that nothing outside it changed.
void expect_draws_stay_in_clip (SkCanvas &canvas, const SkBitmap &bitmap)
{
    SkRegion clip (canvas.getTotalClip ());
    canvas.resetMatrix ();
    draw_everything (canvas);
    EXPECT_EQ (count_changed_outside (bitmap, clip, kWhite), 0);
}

} // namespace

TEST (SkCanvasClipTest, IntersectingWithACirclePathLimitsDrawsToTheCircle)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 64, 64, kWhite);
    SkCanvas canvas (bitmap);
    EXPECT_TRUE (canvas.clipPath (circle (32, 32, 20)));
    const SkRegion &clip = canvas.getTotalClip ();
    EXPECT_TRUE (clip.contains (32, 32));
    EXPECT_FALSE (clip.contains (13, 13));        // inside the bounds, outside the circle
    EXPECT_EQ (clip.getBounds (), SkIRect::MakeLTRB (12, 12, 52, 52));
    expect_draws_stay_in_clip (canvas, bitmap);
    EXPECT_EQ (pixel (bitmap, 32, 32), kInk);
}

TEST (SkCanvasClipTest, PathOpsCombineWithTheClipAsRegionsDo)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 64, 64, kWhite);
    SkCanvas canvas (bitmap);
    canvas.clipRect (SkRect::MakeLTRB (0, 0, 40, 64));
    EXPECT_TRUE (canvas.clipPath (circle (32, 32, 10), SkRegion::kDifference_Op));
    EXPECT_FALSE (canvas.getTotalClip ().contains (32, 32));
    EXPECT_TRUE (canvas.getTotalClip ().contains (5, 32));
    canvas.clipPath (circle (50, 50, 5), SkRegion::kUnion_Op);
    EXPECT_TRUE (canvas.getTotalClip ().contains (50, 50));
    EXPECT_FALSE (canvas.getTotalClip ().contains (50, 40));
    // Replace takes the path within the device, whatever the clip was.
    canvas.clipPath (circle (60, 60, 30), SkRegion::kReplace_Op);
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeLTRB (30, 30, 64, 64));
    expect_draws_stay_in_clip (canvas, bitmap);
}

TEST (SkCanvasClipTest, RotatedRectClipBecomesAPathClip)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 64, 64, kWhite);
    SkCanvas canvas (bitmap);
    canvas.rotateAbout (45, 32, 32);
    canvas.clipRect (SkRect::MakeLTRB (22, 22, 42, 42));
    ASSERT_NE (canvas.getClipStack ().top (), nullptr);
    EXPECT_EQ (canvas.getClipStack ().top ()->fState, SkClipStack::kPath_State);
    EXPECT_TRUE (canvas.getTotalClip ().contains (32, 19));       // the diamond's top corner
    EXPECT_FALSE (canvas.getTotalClip ().contains (23, 23));
    expect_draws_stay_in_clip (canvas, bitmap);
}

TEST (SkCanvasClipTest, NonFiniteAndHugeClipPathsNeitherCrashNorEscapeTheDevice)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 64, 64, kWhite);
    SkCanvas canvas (bitmap);
    SkPath huge;
    huge.moveTo (-1e30f, -1e30f);
    huge.lineTo (1e30f, -1e30f);
    huge.lineTo (0, 1e30f);
    huge.close ();
    canvas.clipPath (huge, SkRegion::kUnion_Op);
    SkPath bad;
    bad.moveTo (NAN, 0);
    bad.lineTo (10, INFINITY);
    bad.lineTo (5, 5);
    canvas.clipPath (bad, SkRegion::kXOR_Op);
    EXPECT_TRUE (SkIRect::MakeWH (64, 64).contains (canvas.getTotalClip ().getBounds ()) ||
                 canvas.getTotalClip ().isEmpty ());
    canvas.clipPath (bad);
    expect_draws_stay_in_clip (canvas, bitmap);
}

// Matrices that blow every coordinate up, or make it NaN, draw nothing outside the clip and
// finish.
TEST (SkCanvasClipTest, DegenerateAndNonFiniteMatricesNeitherCrashNorEscape)
{
    const float kBad[] = { 1e30f, -1e30f, INFINITY, NAN, 0 };
    for (float v : kBad) {
        SkBitmap bitmap;
        make_bitmap (&bitmap, 64, 64, kWhite);
        SkCanvas canvas (bitmap);
        canvas.clipRect (SkRect::MakeLTRB (10, 10, 50, 50));
        SkRegion clip (canvas.getTotalClip ());
        SkMatrix m;
        m.setAll (v, 0.5f, v, 0, v, 3, 0, 0, 1);
        canvas.concat (m);
        SkRect bounds = SkRect::MakeLTRB (0, 0, 20, 20);
        canvas.saveLayer (&bounds, nullptr);
        canvas.clipRect (SkRect::MakeLTRB (1, 1, 30, 30));
        canvas.clipPath (circle (5, 5, 4), SkRegion::kUnion_Op);
        draw_everything (canvas);
        SkPaint paint;
        canvas.drawRoundRect (SkRect::MakeLTRB (1, 1, 9, 9), 2, 2, paint);
        SkPoint pts[3] = { { 1, 1 }, { 2, 5 }, { 7, 3 } };
        canvas.drawPoints (SkCanvas::kPolygon_PointMode, 3, pts, paint);
        canvas.restore ();
        EXPECT_EQ (count_changed_outside (bitmap, clip, kWhite), 0) << v;
    }
}
